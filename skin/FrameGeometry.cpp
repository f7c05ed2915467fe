#include "skin/FrameGeometry.h"

#include <algorithm>

namespace korvane {

namespace {

// The smallest border the frame keeps: a thinner skin border gets a band of
// the form's colour inside it.
constexpr int kMinimumInset = 4;
// Caption buttons of a minimized window sit in a 26-pixel caption.
constexpr int kMinimizedCaption = 26;
constexpr int kButtonGap = 2;
constexpr int kIconSize = 16;
constexpr int kTextAfterIcon = 18;

} // namespace

FrameGeometry ComputeFrameGeometry(const FrameSkin& skin, const FrameWindow& w)
{
    FrameGeometry g;
    const int W = w.width, H = w.height;
    const int bw = std::max(skin.borderWidth, 0);
    const int B = std::max(bw, kMinimumInset);
    const int titleHeight = w.titleShown ? std::max(skin.titleBarHeight, w.captionHeight) : 0;

    if (w.titleShown)
        g.insets.top = titleHeight + w.menuBarHeight;
    if (w.borderShown) {
        g.insets.left = g.insets.right = B;
        if (w.captionHeight > 0)
            g.insets.bottom = skin.bottomBorderHeight > 0 ? skin.bottomBorderHeight : B;
    }

    const int originX = skin.fullWidthTitle ? 0 : bw;
    const int titleWidth = skin.fullWidthTitle ? W : W - 2 * bw;
    if (w.titleShown && titleWidth > 0 && titleHeight > 0)
        g.title = FrameBox{originX, 0, originX + titleWidth, titleHeight};

    // Caption buttons, right to left: close, maximize/restore, minimize, help.
    int buttonTop = skin.buttonTop <= 3 ? 4 : skin.buttonTop;
    if (w.minimized) {
        buttonTop = std::max(0, (kMinimizedCaption - skin.buttonHeight) / 2);
        if (buttonTop + skin.buttonHeight < 22)
            buttonTop += 2;
    }
    int leftmost = titleWidth;   // of close, maximize, minimize (in title coordinates)
    int helpLeft = -1;
    if (!g.title.Empty() && skin.buttonWidth > 0) {
        int left = w.minimized ? titleWidth - skin.buttonWidth - 5
                               : titleWidth + skin.buttonRightOffset - skin.buttonWidth;
        const FrameElement order[] = {feClose, feMaxRestore, feMinimize, feHelp};
        const bool shown[] = {w.hasClose, w.hasMaximize, w.hasMinimize, w.hasHelp};
        for (int i = 0; i < 4; ++i) {
            if (!shown[i])
                continue;
            g.elements[order[i]] =
                FrameBox{originX + left, buttonTop, originX + left + skin.buttonWidth, buttonTop + skin.buttonHeight};
            if (order[i] == feHelp)
                helpLeft = left;
            else
                leftmost = std::min(leftmost, left);
            left -= skin.buttonWidth + kButtonGap;
        }
    }

    // Window icon and caption text.
    int textLeft = std::max(skin.iconLeftOffset, 0);
    if (!g.title.Empty() && w.hasIcon) {
        const int x = std::max(skin.iconLeftOffset, 0) + 4;
        const int y = std::max(0, (titleHeight - kIconSize) / 2);
        g.elements[feIcon] = FrameBox{originX + x, y, originX + x + kIconSize, y + kIconSize};
        textLeft = x + kTextAfterIcon;
    }
    // The text stops where one more button would begin, or at the help button.
    int textRight = titleWidth;
    if (helpLeft >= 0)
        textRight = helpLeft;
    else if (leftmost < titleWidth)
        textRight = leftmost - kButtonGap - skin.buttonWidth;
    if (skin.fixedTextLeft != -1)
        textLeft = skin.fixedTextLeft;
    const int buttonRowTop = skin.buttonWidth > 0 ? buttonTop : 4;
    g.textLeft = originX + textLeft;
    g.textRight = originX + std::max(textLeft, textRight);
    g.textTop = skin.fixedTextTop != -1 ? skin.fixedTextTop : buttonRowTop + (16 - skin.captionLetterHeight) / 2;

    if (w.borderShown) {
        const int bottomH = skin.bottomBorderHeight > 0 ? skin.bottomBorderHeight : bw;
        g.leftBorder = FrameBox{0, titleHeight, bw, H - bottomH};
        g.rightBorder = FrameBox{W - bw, titleHeight, W, H - bottomH};
        g.bottomBorder = FrameBox{0, H - bottomH, W, H};
    }

    // The outline: the upper half rounded at the top, the lower at the bottom.
    const int R = std::max(skin.topCorner, 0);
    const int E = std::max(skin.bottomCorner, 0);
    g.topCorner = R;
    g.bottomCorner = E;
    g.upper = FrameBox{0, 0, W + 1, H / 2 + 1};
    g.lower = FrameBox{0, H / 2, W + 1, H + 1};
    g.squares = {FrameBox{0, H / 2 - R / 2, 2 * R, H / 2}, FrameBox{W - 2 * R, H / 2 - R / 2, W, H / 2},
                 FrameBox{0, H / 2, 2 * E, H / 2 + 2 * E}, FrameBox{W - 2 * E, H / 2, W, H / 2 + 2 * E}};
    return g;
}

int FrameGeometry::ElementAt(int x, int y) const
{
    for (int e = 0; e < feCount; ++e) {
        const FrameBox& b = elements[static_cast<size_t>(e)];
        if (!b.Empty() && x >= b.left && x <= b.right && y >= b.top && y <= b.bottom)
            return e;
    }
    return -1;
}

FrameBox FrameGeometry::ClientFor(const FrameBox& window) const
{
    FrameBox c{window.left + insets.left, window.top + insets.top, window.right - insets.right,
               window.bottom - insets.bottom};
    c.right = std::max(c.left, c.right);
    c.bottom = std::max(c.top, c.bottom);
    return c;
}

} // namespace korvane
