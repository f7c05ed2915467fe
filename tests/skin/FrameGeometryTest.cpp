// The frame's geometry as a function of the skin's numbers and the window:
// what the user meets of it (buttons that neither overlap nor leave the
// title bar, a caption that stops before them, a client area that the
// frame surrounds exactly, hit tests that agree with what is drawn).
#include "skin/FrameGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace korvane;

namespace {

// The built-in skin's numbers.
FrameSkin BuiltIn()
{
    FrameSkin s;
    s.titleBarHeight = 24;
    s.borderWidth = 1;
    s.fullWidthTitle = true;
    s.buttonWidth = 15;
    s.buttonHeight = 13;
    s.buttonTop = 5;
    s.buttonRightOffset = -11;
    s.iconLeftOffset = 6;
    s.topCorner = 19;
    s.bottomCorner = 11;
    s.captionLetterHeight = 13;
    return s;
}

// The main window: single border, icon, minimize and close.
FrameWindow MainWindow()
{
    FrameWindow w;
    w.width = 791;
    w.height = 462;
    w.captionHeight = 23;
    w.hasIcon = true;
    w.hasMinimize = true;
    return w;
}

bool Inside(const FrameBox& inner, const FrameBox& outer)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
        inner.bottom <= outer.bottom;
}

bool Overlap(const FrameBox& a, const FrameBox& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

TEST(FrameGeometry, ButtonsLieInTheTitleRightToLeftWithoutOverlapAndTheCaptionStopsBeforeThem)
{
    for (bool help : {false, true}) {
        for (bool maximize : {false, true}) {
            FrameWindow w = MainWindow();
            w.hasHelp = help;
            w.hasMaximize = maximize;
            const FrameGeometry g = ComputeFrameGeometry(BuiltIn(), w);
            std::vector<FrameBox> shown;
            for (FrameElement e : {feClose, feMaxRestore, feMinimize, feHelp})
                if (!g.elements[e].Empty())
                    shown.push_back(g.elements[e]);
            ASSERT_EQ(shown.size(), 2u + help + maximize);
            for (size_t i = 0; i < shown.size(); ++i) {
                EXPECT_TRUE(Inside(shown[i], g.title)) << i;
                if (i > 0) {
                    EXPECT_LT(shown[i].right, shown[i - 1].left) << "right to left, apart";
                    EXPECT_EQ(shown[i].top, shown[0].top);
                }
            }
            EXPECT_FALSE(Overlap(g.elements[feIcon], shown.back()));
            // The caption runs from after the icon to before the leftmost button.
            EXPECT_GE(g.textLeft, g.elements[feIcon].right);
            EXPECT_LE(g.textRight, shown.back().left);
            EXPECT_GT(g.textRight, g.textLeft);
        }
    }
    // Without buttons or icon the caption may use the whole title.
    FrameWindow bare = MainWindow();
    bare.hasIcon = bare.hasClose = bare.hasMinimize = false;
    const FrameGeometry g = ComputeFrameGeometry(BuiltIn(), bare);
    EXPECT_EQ(g.textRight, g.title.right);
    for (const FrameBox& e : g.elements)
        EXPECT_TRUE(e.Empty());
}

TEST(FrameGeometry, HitTestsFindWhatIsDrawnEdgesIncluded)
{
    const FrameGeometry g = ComputeFrameGeometry(BuiltIn(), MainWindow());
    for (FrameElement e : {feIcon, feClose, feMinimize}) {
        const FrameBox& b = g.elements[e];
        EXPECT_EQ(g.ElementAt((b.left + b.right) / 2, (b.top + b.bottom) / 2), e);
        EXPECT_EQ(g.ElementAt(b.left, b.top), e);
        EXPECT_EQ(g.ElementAt(b.right, b.bottom), e);
        EXPECT_EQ(g.ElementAt(b.left - 1, b.top), -1);
    }
    EXPECT_EQ(g.ElementAt(300, 10), -1);   // the plain caption
    EXPECT_EQ(g.ElementAt(300, 200), -1);  // the client area
}

TEST(FrameGeometry, TheFrameSurroundsTheClientExactlyAndNeverInvertsIt)
{
    for (int border : {0, 1, 6}) {
        for (int caption : {0, 18, 40}) {
            FrameSkin skin = BuiltIn();
            skin.borderWidth = border;
            FrameWindow w = MainWindow();
            w.captionHeight = caption;
            const FrameGeometry g = ComputeFrameGeometry(skin, w);
            const FrameBox window{100, 50, 100 + w.width, 50 + w.height};
            const FrameBox c = g.ClientFor(window);
            // The title is as high as the higher of the skin's and the window's caption.
            EXPECT_EQ(c.top - window.top, std::max(24, caption));
            // Borders keep at least 4 pixels, so the frame can be grabbed.
            EXPECT_EQ(c.left - window.left, std::max(border, 4));
            EXPECT_EQ(window.right - c.right, std::max(border, 4));
            EXPECT_EQ(window.bottom - c.bottom, caption > 0 ? std::max(border, 4) : 0);
            // Painted borders run below the title to the window's edges.
            EXPECT_EQ(g.leftBorder.Width(), border);
            EXPECT_EQ(g.bottomBorder.bottom, w.height);
        }
    }
    // A window too small for its frame gets an empty client, not an inverted one.
    FrameWindow tiny = MainWindow();
    const FrameGeometry g = ComputeFrameGeometry(BuiltIn(), tiny);
    const FrameBox c = g.ClientFor(FrameBox{0, 0, 5, 5});
    EXPECT_EQ(c.Width(), 0);
    EXPECT_EQ(c.Height(), 0);
    // No title, no border: the client is the whole window.
    FrameWindow plain = MainWindow();
    plain.titleShown = plain.borderShown = false;
    EXPECT_EQ(ComputeFrameGeometry(BuiltIn(), plain).ClientFor(FrameBox{0, 0, 40, 30}), (FrameBox{0, 0, 40, 30}));
}

TEST(FrameGeometry, MinimizedButtonsSitInTheMiddleOfTheSmallCaption)
{
    FrameWindow w = MainWindow();
    w.minimized = true;
    w.width = 160;
    w.height = 26;
    const FrameGeometry g = ComputeFrameGeometry(BuiltIn(), w);
    const FrameBox& close = g.elements[feClose];
    EXPECT_NEAR(close.top + close.Height() / 2, 26 / 2, 2);
    EXPECT_LT(close.right, w.width);
}
