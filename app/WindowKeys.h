#pragma once
// The main window's keys: what a key pressed on the window asks for, decided
// from the key, the modifiers held and the kind of control that has the
// focus. The window carries it out where the moment allows (a preview to
// step in, an enabled button).
namespace korvane {

enum class WindowKey {
    None,              // not the window's: the focused control or the dialog handling has it
    Help,              // F1
    Open,              // Ctrl+O
    LeaveFullScreen,   // Esc while the preview fills the screen
    PlayOrPause,       // Space
    FrameBack,         // Left
    FrameOn,           // Right
    SecondBack,        // Shift+Left
    SecondOn,          // Shift+Right
    TenSecondsBack,    // Ctrl+Left
    TenSecondsOn,      // Ctrl+Right
    ToStart,           // Home
    ToEnd,             // End
    MarkStart,         // I
    MarkEnd,           // O
};

enum class KeyFocus {
    Other,      // the window itself, the seek bar, a picture...
    Typing,     // an edit or a list: every key it can take is its own
    Pressable,  // a button or a box: Space and the arrows are its own
};

struct KeyStroke {
    unsigned key = 0;   // the virtual-key code
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    KeyFocus focus = KeyFocus::Other;
    bool fullScreen = false;   // the preview fills the screen
};

// Keys that type nothing work wherever the focus is; the others are left to
// a control being typed in or pressed. Alt is always left to the underlined
// letters.
WindowKey ReadWindowKey(const KeyStroke& press);

} // namespace korvane
