#pragma once
// The parts of the profile editor's group area: a sunken, vertically
// scrolling area that stacks its children one under the other at its full
// width, and the dark header bar that opens each group.
#include "ui/Controls.h"

namespace korvane {

class GroupStack : public ui::CustomControl {
public:
    explicit GroupStack(ui::Component* owner);
    const char* ClassName() const override { return "TScrollBox"; }

    // Places the visible children one under the other, in the order they
    // were put on the area, each as wide as the client area and as high as it
    // is; then fits the scroll bar. Call it after a child's height changed.
    void Arrange();
    // Sum of the visible children's heights.
    int ContentHeight() const;
    int ScrollPos() const { return scrollPos_; }
    void SetScrollPos(int pos);
    // The client width the children get, also before the window exists.
    int InnerWidth() const;
    // The outer width whose client area is `inner` pixels wide.
    static int OuterWidthFor(int inner);

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;
    void WndProc(ui::Message& message) override;
    void Resize() override;

private:
    int InnerHeight() const;
    void UpdateScrollBar();

    int scrollPos_ = 0;
    bool arranging_ = false;
};

// A group's header: its caption left-aligned and bold on the button-shadow
// colour, leaving room at the left for the group's small button.
class GroupHeader : public ui::Panel {
public:
    explicit GroupHeader(ui::Component* owner);
    const char* ClassName() const override { return "TPanel"; }

protected:
    void Paint(ui::Canvas& canvas) override;
};

} // namespace korvane
