#include "ui/Controls.h"

#include "ui/Application.h"

#include <algorithm>
#include <cctype>

namespace ui {

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
        std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

// --- Edit ----------------------------------------------------------------------------

Edit::Edit(Component* owner) : WinControl(owner)
{
    UpdateBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetColor(clWindow);
}

void Edit::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = "EDIT";
    params.NativeClass = true;
    params.Style |= ES_AUTOHSCROLL | ES_LEFT;
    if (readOnly_)
        params.Style |= ES_READONLY;
    if (border_)
        params.ExStyle |= WS_EX_CLIENTEDGE;
}

void Edit::CreateWindowHandleDone()
{
    lastText_ = Control::Text();
    if (maxLength_ > 0)
        ::SendMessageA(HandleIfAllocated(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void Edit::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void Edit::SetMaxLength(int maxLength)
{
    maxLength_ = std::max(0, maxLength);
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void Edit::SetBorderStyleSingle(bool single)
{
    border_ = single;
    ChangeStyle(single ? WS_EX_CLIENTEDGE : 0, single ? 0 : WS_EX_CLIENTEDGE, true);
}

void Edit::SelectAll()
{
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, EM_SETSEL, 0, -1);
}

int Edit::SelStart() const
{
    DWORD start = 0, end = 0;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int Edit::SelLength() const
{
    DWORD start = 0, end = 0;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void Edit::SetSelection(int start, int length)
{
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

void Edit::Change()
{
    Fire(OnChange);
}

void Edit::WndProc(Message& message)
{
    if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == EN_CHANGE) {
        // Some edits notify a keystroke the length limit refused.
        std::string now = Text();
        if (now != lastText_) {
            lastText_ = std::move(now);
            Change();
        }
        message.Result = 0;
        return;
    }
    WinControl::WndProc(message);
}

// --- Memo ----------------------------------------------------------------------------

Memo::Memo(Component* owner) : Edit(owner)
{
    UpdateBounds(0, 0, 185, 89);
}

void Memo::CreateParams(ui::CreateParams& params)
{
    Edit::CreateParams(params);
    params.Style &= ~ES_AUTOHSCROLL;
    params.Style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (!wordWrap_)
        params.Style |= ES_AUTOHSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
        params.Style |= WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
        params.Style |= WS_HSCROLL;
}

std::vector<std::string> Memo::Lines() const
{
    std::vector<std::string> lines;
    const std::string text = Text();
    if (text.empty())
        return lines;
    size_t start = 0;
    for (;;) {
        const size_t lf = text.find('\n', start);
        std::string line = text.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lf == std::string::npos) {
            if (!line.empty())
                lines.push_back(line);
            break;
        }
        lines.push_back(line);
        start = lf + 1;
    }
    return lines;
}

void Memo::SetLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += "\r\n";
        text += lines[i];
    }
    SetText(text);
}

void Memo::SetWordWrap(bool wordWrap)
{
    wordWrap_ = wordWrap;
    if (HandleAllocated()) {
        DestroyHandle();
        Handle();
    }
}

void Memo::SetScrollBars(ScrollStyle style)
{
    scrollBars_ = style;
    if (HandleAllocated()) {
        DestroyHandle();
        Handle();
    }
}

bool Memo::WantsKey(WORD key)
{
    return key == VK_RETURN;
}

// --- Button --------------------------------------------------------------------------

Button::Button(Component* owner) : WinControl(owner)
{
    UpdateBounds(0, 0, 75, 25);
    SetTabStop(true);
    mouseClicks_ = false;
}

Button::~Button() = default;

void Button::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = "BUTTON";
    params.NativeClass = true;
    params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void Button::SetDefault(bool isDefault)
{
    default_ = isDefault;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void Button::SetCancel(bool isCancel)
{
    cancel_ = isCancel;
}

namespace {

// The click of every BUTTON-class control: BN_CLICKED clicks it (true: handled).
// A quick second click is a click, not a double click, so it is passed on as
// a press.
bool ButtonClickMessage(Control& control, Message& message)
{
    if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == BN_CLICKED) {
        control.Click();
        message.Result = 0;
        return true;
    }
    if (message.Msg == WM_LBUTTONDBLCLK)
        message.Msg = WM_LBUTTONDOWN;
    return false;
}

} // namespace

void Button::Click()
{
    if (Form* f = ParentForm(); f && modalResult_ != mrNone)
        f->SetModalResult(modalResult_);
    WinControl::Click();
}

void Button::WndProc(Message& message)
{
    if (!ButtonClickMessage(*this, message))
        WinControl::WndProc(message);
}

// --- BitBtn --------------------------------------------------------------------------

BitBtn::BitBtn(Component* owner) : Button(owner)
{
    glyph_.OnChange = [this] { Invalidate(); };
}

void BitBtn::CreateParams(ui::CreateParams& params)
{
    Button::CreateParams(params);
    params.Style &= ~(BS_DEFPUSHBUTTON | BS_PUSHBUTTON);
    params.Style |= BS_OWNERDRAW;
}

void BitBtn::SetNumGlyphs(int n)
{
    numGlyphs_ = std::clamp(n, 1, 4);
    Invalidate();
}

void BitBtn::SetLayout(ButtonLayout layout)
{
    layout_ = layout;
    Invalidate();
}

void BitBtn::SetSpacing(int spacing)
{
    spacing_ = spacing;
    Invalidate();
}

void BitBtn::SetMargin(int margin)
{
    margin_ = margin;
    Invalidate();
}

void BitBtn::WndProc(Message& message)
{
    if (message.Msg == CN_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    }
    if (message.Msg == CM_MOUSEENTER || message.Msg == CM_MOUSELEAVE || message.Msg == CM_ENABLEDCHANGED)
        Invalidate();
    Button::WndProc(message);
}

void BitBtn::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool isDefault = focused || Default();

    if (Parent())
        Parent()->PaintBackgroundFor(dc, *this);
    Canvas canvas(dc);
    canvas.SetFont(GetFont());
    if (isDefault) {
        canvas.FrameRect(r, clWindowText);
        ::InflateRect(&r, -1, -1);
    }
    RECT face = r;
    ::DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));

    const int partWidth = glyph_.Empty() ? 0 : glyph_.Width() / numGlyphs_;
    int part = 0;
    if (disabled && numGlyphs_ > 1)
        part = 1;
    else if (pressed && numGlyphs_ > 2)
        part = 2;
    const std::string caption = Text();
    SIZE textSize{0, 0};
    if (!caption.empty()) {
        RECT calc{0, 0, 0, 0};
        DrawProgramText(dc, caption, calc, DT_CALCRECT | DT_SINGLELINE);
        textSize = SIZE{calc.right, calc.bottom};
    }
    GlyphLayout layout = LayoutGlyphAndText(face, SIZE{partWidth, glyph_.Height()}, textSize, layout_, margin_, spacing_);
    if (pressed) {
        ::OffsetRect(&layout.GlyphRect, 1, 1);
        ::OffsetRect(&layout.TextRect, 1, 1);
    }
    if (partWidth > 0) {
        const RECT source{part * partWidth, 0, (part + 1) * partWidth, glyph_.Height()};
        if (disabled && numGlyphs_ == 1) {
            Bitmap grey;
            grey.AssignDisabled(glyph_);
            grey.DrawPart(dc, layout.GlyphRect.left, layout.GlyphRect.top, source, true);
        } else {
            glyph_.DrawPart(dc, layout.GlyphRect.left, layout.GlyphRect.top, source, true);
        }
    }
    if (!caption.empty()) {
        if (disabled) {
            RECT shifted = layout.TextRect;
            ::OffsetRect(&shifted, 1, 1);
            canvas.SetTextColor(clBtnHighlight);
            canvas.DrawText(shifted, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            canvas.SetTextColor(clBtnShadow);
        } else {
            canvas.SetTextColor(clBtnText);
        }
        canvas.DrawText(layout.TextRect, caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (focused) {
        RECT f = face;
        ::InflateRect(&f, -2, -2);
        canvas.SetTextColor(clBtnText);
        canvas.FocusRect(f);
    }
}

// --- CheckBox / RadioButton -------------------------------------------------------------

CheckBox::CheckBox(Component* owner) : WinControl(owner)
{
    UpdateBounds(0, 0, 97, 17);
    SetTabStop(true);
    mouseClicks_ = false;
}

void CheckBox::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = "BUTTON";
    params.NativeClass = true;
    params.Style |= BS_CHECKBOX;
    if (alignment_ == taLeftJustify)
        params.Style |= BS_LEFTTEXT;
}

void CheckBox::CreateWindowHandleDone()
{
    ::SendMessageA(HandleIfAllocated(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::SetChecked(bool checked)
{
    if (checked == checked_)
        return;
    checked_ = checked;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    Perform(CM_CHECKEDCHANGED);
}

void CheckBox::SetAlignment(ui::Alignment alignment)
{
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    ChangeStyle(alignment == taLeftJustify ? BS_LEFTTEXT : 0, alignment == taLeftJustify ? 0 : BS_LEFTTEXT);
}

void CheckBox::Click()
{
    SetChecked(!checked_);
    WinControl::Click();
}

void CheckBox::WndProc(Message& message)
{
    if (!ButtonClickMessage(*this, message))
        WinControl::WndProc(message);
}

RadioButton::RadioButton(Component* owner) : CheckBox(owner)
{
    UpdateBounds(0, 0, 113, 17);
    SetTabStop(false);   // only the checked one of a group is a tab stop
}

void RadioButton::CreateParams(ui::CreateParams& params)
{
    CheckBox::CreateParams(params);
    params.Style &= ~BS_CHECKBOX;
    params.Style |= BS_RADIOBUTTON;
}

void RadioButton::SetChecked(bool checked)
{
    if (checked == checked_)
        return;
    CheckBox::SetChecked(checked);
    SetTabStop(checked);
    if (checked && Parent()) {
        for (Control* c : Parent()->ControlsList())
            if (auto* other = dynamic_cast<RadioButton*>(c); other && other != this)
                other->SetChecked(false);
    }
}

void RadioButton::Click()
{
    SetChecked(true);
    WinControl::Click();
}

// --- ComboBox --------------------------------------------------------------------------

ComboBox::ComboBox(Component* owner) : WinControl(owner)
{
    UpdateBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetColor(clWindow);
    mouseClicks_ = false;
}

void ComboBox::CreateParams(ui::CreateParams& params)
{
    WinControl::CreateParams(params);
    params.ClassName = "COMBOBOX";
    params.NativeClass = true;
    params.Style |= WS_VSCROLL | (style_ == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN | CBS_AUTOHSCROLL);
    // The window's height includes the dropped-down list.
    params.Height = height_ + dropDownCount_ * 14 + 2;
}

void ComboBox::CreateWindowHandleDone()
{
    HWND h = HandleIfAllocated();
    for (const std::string& item : items_)
        ::SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    ::SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    if (style_ == csDropDown && itemIndex_ < 0)
        ::SetWindowTextA(h, Control::Text().c_str());
}

void ComboBox::SetStyle(ComboStyle style)
{
    if (style == style_)
        return;
    style_ = style;
    if (HandleAllocated()) {
        itemIndex_ = ItemIndex();
        DestroyHandle();
        Handle();
    }
}

void ComboBox::SetItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    itemIndex_ = -1;
    if (HWND h = HandleIfAllocated()) {
        ::SendMessageA(h, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : items_)
            ::SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
}

void ComboBox::Add(std::string item)
{
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    items_.push_back(std::move(item));
}

void ComboBox::Clear()
{
    items_.clear();
    itemIndex_ = -1;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, CB_RESETCONTENT, 0, 0);
}

int ComboBox::ItemIndex() const
{
    if (HWND h = HandleIfAllocated())
        return static_cast<int>(::SendMessageA(h, CB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void ComboBox::SetItemIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(items_.size()))
        index = -1;
    itemIndex_ = index;
    if (HWND h = HandleIfAllocated())
        ::SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string ComboBox::Text() const
{
    if (style_ == csDropDown && HandleAllocated())
        return WinControl::Text();
    const int index = ItemIndex();
    if (index >= 0 && index < static_cast<int>(items_.size()))
        return items_[static_cast<size_t>(index)];
    return style_ == csDropDown ? Control::Text() : std::string();
}

void ComboBox::SetText(std::string text)
{
    if (style_ == csDropDown) {
        WinControl::SetText(std::move(text));
        return;
    }
    int found = -1;
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameTextIgnoringCase(items_[i], text)) {
            found = static_cast<int>(i);
            break;
        }
    SetItemIndex(found);
}

void ComboBox::SetDropDownCount(int count)
{
    dropDownCount_ = std::max(1, count);
}

bool ComboBox::DroppedDown() const
{
    HWND h = HandleIfAllocated();
    return h && ::SendMessageA(h, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void ComboBox::SetBounds(int left, int top, int width, int height)
{
    HWND h = HandleIfAllocated();
    if (!h) {
        WinControl::SetBounds(left, top, width, height);
        return;
    }
    // The closed height is the system's; only position and width follow.
    ::SetWindowPos(h, nullptr, left, top, width, height + dropDownCount_ * 14 + 2, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ComboBox::WantsKey(WORD key)
{
    return (key == VK_RETURN || key == VK_ESCAPE) && DroppedDown();
}

void ComboBox::WndProc(Message& message)
{
    if (message.Msg == CN_COMMAND) {
        const WORD code = HIWORD(message.WParam);
        if (code == CBN_SELCHANGE || (code == CBN_EDITCHANGE && style_ == csDropDown)) {
            itemIndex_ = ItemIndex();
            Fire(OnChange);
            message.Result = 0;
            return;
        }
    }
    WinControl::WndProc(message);
}

} // namespace ui
