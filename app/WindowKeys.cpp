#include "app/WindowKeys.h"

#include <windows.h>

namespace korvane {

WindowKey ReadWindowKey(const KeyStroke& press)
{
    const unsigned key = press.key;
    const bool plain = !press.ctrl && !press.shift;
    if (press.alt)
        return WindowKey::None;
    if (key == VK_F1 && plain)
        return WindowKey::Help;
    if (key == 'O' && press.ctrl && !press.shift)
        return WindowKey::Open;
    if (key == VK_ESCAPE && press.fullScreen)
        return WindowKey::LeaveFullScreen;

    if (press.focus == KeyFocus::Typing)
        return WindowKey::None;
    const bool pressable = press.focus == KeyFocus::Pressable;
    switch (key) {
    case VK_SPACE:
        return pressable || !plain ? WindowKey::None : WindowKey::PlayOrPause;
    case VK_LEFT:
        if (pressable)
            return WindowKey::None;
        return press.ctrl ? WindowKey::TenSecondsBack : press.shift ? WindowKey::SecondBack : WindowKey::FrameBack;
    case VK_RIGHT:
        if (pressable)
            return WindowKey::None;
        return press.ctrl ? WindowKey::TenSecondsOn : press.shift ? WindowKey::SecondOn : WindowKey::FrameOn;
    case VK_HOME:
        return plain ? WindowKey::ToStart : WindowKey::None;
    case VK_END:
        return plain ? WindowKey::ToEnd : WindowKey::None;
    case 'I':
        return plain ? WindowKey::MarkStart : WindowKey::None;
    case 'O':
        return plain ? WindowKey::MarkEnd : WindowKey::None;
    default:
        return WindowKey::None;
    }
}

} // namespace korvane
