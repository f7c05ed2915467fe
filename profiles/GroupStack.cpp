#include "profiles/GroupStack.h"

#include <windowsx.h>

#include <algorithm>

namespace korvane {

GroupStack::GroupStack(ui::Component* owner) : ui::CustomControl(owner)
{
    SetColor(ui::clBtnFace);
}

void GroupStack::CreateParams(ui::CreateParams& params)
{
    ui::CustomControl::CreateParams(params);
    params.Style |= WS_VSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void GroupStack::CreateWindowHandleDone()
{
    ui::CustomControl::CreateWindowHandleDone();
    Arrange();
}

int GroupStack::OuterWidthFor(int inner)
{
    return inner + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
}

int GroupStack::InnerWidth() const
{
    if (HWND h = HandleIfAllocated()) {
        RECT r{};
        ::GetClientRect(h, &r);
        return r.right;
    }
    return Width() - 2 * ::GetSystemMetrics(SM_CXEDGE) - ::GetSystemMetrics(SM_CXVSCROLL);
}

int GroupStack::InnerHeight() const
{
    if (HWND h = HandleIfAllocated()) {
        RECT r{};
        ::GetClientRect(h, &r);
        return r.bottom;
    }
    return Height() - 2 * ::GetSystemMetrics(SM_CYEDGE);
}

int GroupStack::ContentHeight() const
{
    int height = 0;
    for (const ui::Control* c : ControlsList())
        if (c->Visible())
            height += c->Height();
    return height;
}

void GroupStack::Arrange()
{
    if (arranging_)
        return;
    arranging_ = true;
    scrollPos_ = std::clamp(scrollPos_, 0, std::max(0, ContentHeight() - InnerHeight()));
    int y = -scrollPos_;
    const int width = InnerWidth();
    for (ui::Control* c : ControlsList()) {
        if (!c->Visible())
            continue;
        c->SetBounds(0, y, width, c->Height());
        y += c->Height();
    }
    UpdateScrollBar();
    arranging_ = false;
}

void GroupStack::UpdateScrollBar()
{
    HWND h = HandleIfAllocated();
    if (!h)
        return;
    // Always shown, greyed when all fits: the children keep their width.
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = std::max(0, ContentHeight() - 1);
    si.nPage = static_cast<UINT>(std::max(0, InnerHeight()));
    si.nPos = scrollPos_;
    ::SetScrollInfo(h, SB_VERT, &si, TRUE);
}

void GroupStack::SetScrollPos(int pos)
{
    pos = std::clamp(pos, 0, std::max(0, ContentHeight() - InnerHeight()));
    if (pos == scrollPos_)
        return;
    scrollPos_ = pos;
    Arrange();
}

void GroupStack::Resize()
{
    Arrange();
    ui::CustomControl::Resize();
}

void GroupStack::WndProc(ui::Message& m)
{
    constexpr int kLine = 18;   // one row of the lists
    switch (m.Msg) {
    case WM_VSCROLL:
        if (m.LParam == 0) {
            const int pos = ui::ScrollRequest(HandleIfAllocated(), SB_VERT, m.WParam, scrollPos_, kLine, InnerHeight(),
                                              ContentHeight());
            SetScrollPos(pos);
            m.Result = 0;
            return;
        }
        break;
    case WM_MOUSEWHEEL:
        SetScrollPos(scrollPos_ - GET_WHEEL_DELTA_WPARAM(m.WParam) * 3 * kLine / WHEEL_DELTA);
        m.Result = 0;
        return;
    default:
        break;
    }
    ui::CustomControl::WndProc(m);
}

GroupHeader::GroupHeader(ui::Component* owner) : ui::Panel(owner)
{
    SetColor(ui::clBtnShadow);
    ui::Font font = GetFont();
    font.Bold = true;
    font.Color = ui::clBtnHighlight;
    SetFont(font);
    SetBounds(0, 0, 100, 18);
}

void GroupHeader::Paint(ui::Canvas& canvas)
{
    RECT r = ClientRect();
    r.left += 2;
    canvas.SetTextColor(GetFont().Color);
    canvas.DrawText(r, Text(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace korvane
