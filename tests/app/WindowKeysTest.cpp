#include "app/WindowKeys.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace korvane;

namespace {

KeyStroke Key(unsigned key, KeyFocus focus = KeyFocus::Other, bool ctrl = false, bool shift = false)
{
    KeyStroke press;
    press.key = key;
    press.focus = focus;
    press.ctrl = ctrl;
    press.shift = shift;
    return press;
}

} // namespace

// A focused button or box is pressed by Space and moved by the arrows; the
// window keeps the keys that mean nothing to it.
TEST(WindowKeys, AFocusedButtonKeepsSpaceAndTheArrowsOnly)
{
    for (const KeyFocus focus : {KeyFocus::Other, KeyFocus::Pressable}) {
        const bool button = focus == KeyFocus::Pressable;
        EXPECT_EQ(ReadWindowKey(Key(VK_SPACE, focus)), button ? WindowKey::None : WindowKey::PlayOrPause);
        EXPECT_EQ(ReadWindowKey(Key(VK_LEFT, focus)), button ? WindowKey::None : WindowKey::FrameBack);
        EXPECT_EQ(ReadWindowKey(Key(VK_RIGHT, focus, true)), button ? WindowKey::None : WindowKey::TenSecondsOn);
        EXPECT_EQ(ReadWindowKey(Key(VK_HOME, focus)), WindowKey::ToStart);
        EXPECT_EQ(ReadWindowKey(Key(VK_END, focus)), WindowKey::ToEnd);
        EXPECT_EQ(ReadWindowKey(Key('I', focus)), WindowKey::MarkStart);
        EXPECT_EQ(ReadWindowKey(Key('O', focus)), WindowKey::MarkEnd);
    }
    // Ctrl wins over Shift on the arrows.
    EXPECT_EQ(ReadWindowKey(Key(VK_LEFT, KeyFocus::Other, true, true)), WindowKey::TenSecondsBack);
    EXPECT_EQ(ReadWindowKey(Key(VK_LEFT, KeyFocus::Other, false, true)), WindowKey::SecondBack);
}

// Shortcuts the window does not have are left to the controls and the
// system: a mark is never made by Shift+I, nor the source opened by Ctrl+Shift+O.
TEST(WindowKeys, KeysWithOtherModifiersAreLeftAlone)
{
    EXPECT_EQ(ReadWindowKey(Key('O', KeyFocus::Typing, true)), WindowKey::Open);
    EXPECT_EQ(ReadWindowKey(Key(VK_F1, KeyFocus::Typing)), WindowKey::Help);
    for (const KeyStroke press : {Key('O', KeyFocus::Other, true, true), Key('O', KeyFocus::Other, false, true),
                                 Key('I', KeyFocus::Other, true), Key(VK_HOME, KeyFocus::Other, true),
                                 Key(VK_END, KeyFocus::Other, false, true), Key(VK_SPACE, KeyFocus::Other, true),
                                 Key(VK_F1, KeyFocus::Other, false, true), Key(VK_ESCAPE)})
        EXPECT_EQ(ReadWindowKey(press), WindowKey::None) << press.key << " ctrl " << press.ctrl;
    KeyStroke alt = Key(VK_F1);
    alt.alt = true;
    EXPECT_EQ(ReadWindowKey(alt), WindowKey::None);
    KeyStroke escape = Key(VK_ESCAPE, KeyFocus::Typing);
    escape.fullScreen = true;
    EXPECT_EQ(ReadWindowKey(escape), WindowKey::LeaveFullScreen);
}
