#pragma once
// Where everything of a skinned window's frame lies: title bar, caption
// buttons, window icon, caption text, borders, the client area and the
// rounded outline. A pure function of the skin's numbers and the window's
// size, style and caption; free of windows.h, so it is built and tested
// natively. The frame computes it once per size or style change, and
// painting, hit testing and the non-client size all read that one result.
#include <array>

namespace korvane {

// A rectangle in window coordinates (frame included), right and bottom
// exclusive; empty when right <= left.
struct FrameBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const FrameBox&) const = default;
};

// The skin's numbers that shape a frame.
struct FrameSkin {
    int titleBarHeight = 0;        // height of the title bar's left picture
    int borderWidth = 0;
    bool fullWidthTitle = false;   // the skin has a right-border picture: the title spans the window
    int bottomBorderHeight = 0;    // 0: the border width
    int buttonWidth = 0, buttonHeight = 0;   // one caption button picture; 0 without
    int buttonTop = 0;             // "TitleBarButtonTopInt"
    int buttonRightOffset = 0;     // "TitleBarButtonRightOffsetInt"
    int iconLeftOffset = 0;        // "TitleBarButtonLeftOffsetInt"
    int topCorner = 0;             // "FormRoundCornerInt"
    int bottomCorner = 0;          // "FormBottomRoundCornerInt"
    int captionLetterHeight = 0;   // height of "H" in the caption font
    int fixedTextLeft = -1, fixedTextTop = -1;   // the engine's fixed caption-text place
    bool operator==(const FrameSkin&) const = default;
};

// The window's side.
struct FrameWindow {
    int width = 0, height = 0;
    bool titleShown = true, borderShown = true;
    int captionHeight = 0;   // of the unskinned window
    int menuBarHeight = 0;
    bool minimized = false, maximized = false;
    bool hasIcon = false, hasClose = true, hasMaximize = false, hasMinimize = false, hasHelp = false;
    bool operator==(const FrameWindow&) const = default;
};

// Caption elements, in the order the frame reports them.
enum FrameElement { feIcon = 0, feClose = 1, feMaxRestore = 2, feMinimize = 3, feHelp = 4, feCount = 5 };

struct FrameGeometry {
    // Non-client sizes on each side: the client area is the window less these.
    FrameBox insets;
    // The title bar (empty without one), its height, and where its picture is drawn.
    FrameBox title;
    // Caption elements (empty when not shown), indexed by FrameElement.
    std::array<FrameBox, feCount> elements{};
    // The caption text's place: it starts at left, is drawn at top and may
    // not reach right (shortened before).
    int textLeft = 0, textTop = 0, textRight = 0;
    // Borders (empty when not shown).
    FrameBox leftBorder, rightBorder, bottomBorder;
    // The outline: two rounded halves and the squares that square their
    // inner corners.
    FrameBox upper, lower;
    std::array<FrameBox, 4> squares{};
    int topCorner = 0, bottomCorner = 0;

    // The element under a window point (edges included), or -1.
    int ElementAt(int x, int y) const;
    // The client area for a proposed window rectangle.
    FrameBox ClientFor(const FrameBox& window) const;
};

FrameGeometry ComputeFrameGeometry(const FrameSkin& skin, const FrameWindow& window);

} // namespace korvane
