#include "ui/ValueListEditor.h"

#include "ui/Application.h"

#include <windowsx.h>

#include <algorithm>

namespace ui {

namespace {

// The line colour grids use: silver, or grey on a silver background.
COLORREF LineColor(COLORREF background)
{
    return ColorToRGB(background) == clSilver ? clGray : clSilver;
}

int IndexOfText(const std::vector<std::string>& items, const std::string& text)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (::lstrcmpiA(items[i].c_str(), text.c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

char LowerChar(char c)
{
    return static_cast<char>(reinterpret_cast<UINT_PTR>(::CharLowerA(
        reinterpret_cast<LPSTR>(static_cast<UINT_PTR>(static_cast<unsigned char>(c))))));
}

// The item after `from` (cycling) whose text begins with c, or -1.
int NextStartingWith(const std::vector<std::string>& items, int from, char c)
{
    const int n = static_cast<int>(items.size());
    for (int step = 1; step <= n; ++step) {
        const int i = ((from < 0 ? -1 : from) + step + n) % n;
        const std::string& item = items[static_cast<size_t>(i)];
        if (!item.empty() && LowerChar(item[0]) == LowerChar(c))
            return i;
    }
    return -1;
}

} // namespace

namespace detail {

// The edit box laid over the current value while the user types.
class InplaceEdit : public Edit {
public:
    InplaceEdit(Component* owner, ValueListEditor& grid) : Edit(owner), grid_(grid)
    {
        SetBorderStyleSingle(false);
        SetVisible(false);
        SetParent(&grid);
    }

protected:
    void CreateWindowHandleDone() override
    {
        Edit::CreateWindowHandleDone();
        // The text then sits exactly where the grid draws it.
        ::SendMessageA(HandleIfAllocated(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    }

    // Enter and Esc end the editing instead of pressing the form's buttons;
    // Tab still leaves for the next control.
    bool WantsKey(WORD key) override { return key == VK_RETURN || key == VK_ESCAPE; }

    void KeyDown(WORD& key, ShiftState shift) override
    {
        Edit::KeyDown(key, shift);
        switch (key) {
        case VK_RETURN:
            grid_.EndEdit(true);
            key = 0;
            break;
        case VK_ESCAPE:
            grid_.EndEdit(false);
            key = 0;
            break;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
            if (shift & (ssAlt | ssCtrl))
                break;
            grid_.EndEdit(true);
            grid_.KeyDown(key, shift);
            key = 0;
            break;
        default:
            break;
        }
    }

    void KeyPress(char& key) override
    {
        // The keys that ended the editing must not reach the box (a beep).
        if (key == '\r' || key == '\x1b') {
            key = 0;
            return;
        }
        Edit::KeyPress(key);
    }

    void WndProc(Message& m) override
    {
        Edit::WndProc(m);
        if (m.Msg == WM_KILLFOCUS)
            grid_.EditorLostFocus(reinterpret_cast<HWND>(m.WParam));
        // The grid draws its focus look while its editor has the focus.
        if (m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS)
            grid_.Invalidate();
    }

private:
    ValueListEditor& grid_;
};

// The drop-down list of a pick-list row: a list box in a pop-up window that
// never takes the focus (the grid keeps it and passes the keys on) and holds
// the mouse capture while it is open, so a click anywhere else closes it.
class PickListPopup : public WinControl {
public:
    PickListPopup(Component* owner, ValueListEditor& grid) : WinControl(owner), grid_(grid) { SetVisible(false); }

    void SetOwnerWindow(HWND owner) { ownerWindow_ = owner; }
    // Called as the list opens: a mouse that has not moved since then
    // chooses nothing (the list may simply have appeared under it).
    void Opened()
    {
        ::GetCursorPos(&openedAt_);
        mouseMoved_ = false;
    }
    HWND OwnerWindow() const { return ownerWindow_; }

    int Selected() const
    {
        HWND h = HandleIfAllocated();
        return h ? static_cast<int>(::SendMessageA(h, LB_GETCURSEL, 0, 0)) : -1;
    }
    void Select(int index)
    {
        if (HWND h = HandleIfAllocated())
            ::SendMessageA(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    int Count() const
    {
        HWND h = HandleIfAllocated();
        return h ? static_cast<int>(::SendMessageA(h, LB_GETCOUNT, 0, 0)) : 0;
    }

protected:
    void CreateParams(ui::CreateParams& p) override
    {
        WinControl::CreateParams(p);
        p.ClassName = "LISTBOX";
        p.NativeClass = true;
        p.Style = WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
        p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        p.ParentWindow = ownerWindow_;
    }

    void WndProc(Message& m) override
    {
        switch (m.Msg) {
        case WM_MOUSEACTIVATE:
            m.Result = MA_NOACTIVATE;
            return;
        case WM_MOUSEMOVE: {
            const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            if (!mouseMoved_) {
                POINT screen = p;
                ::ClientToScreen(HandleIfAllocated(), &screen);
                mouseMoved_ = screen.x != openedAt_.x || screen.y != openedAt_.y;
            }
            if (mouseMoved_ && InClient(p))
                HoverAt(p);
            m.Result = 0;
            return;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: {
            const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            m.Result = 0;
            if (InClient(p)) {
                HoverAt(p);
                return;
            }
            if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && OnScrollBar(p))
                return;
            grid_.CloseUp(false);
            return;
        }
        case WM_LBUTTONUP: {
            const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            m.Result = 0;
            if (InClient(p) && ItemAt(p) >= 0) {
                Select(ItemAt(p));
                grid_.CloseUp(true);
            }
            return;
        }
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            m.Result = 0;
            return;
        case WM_CAPTURECHANGED:
            // Someone else took the mouse (a system menu, another window).
            if (!scrolling_ && grid_.DroppedDown() && reinterpret_cast<HWND>(m.LParam) != HandleIfAllocated())
                grid_.CloseUp(false);
            m.Result = 0;
            return;
        default:
            break;
        }
        WinControl::WndProc(m);
    }

private:
    bool InClient(POINT p) const
    {
        RECT r{};
        ::GetClientRect(HandleIfAllocated(), &r);
        return ::PtInRect(&r, p) != FALSE;
    }

    int ItemAt(POINT p) const
    {
        const LRESULT r = ::SendMessageA(HandleIfAllocated(), LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
        if (HIWORD(r) != 0)
            return -1;
        const int index = LOWORD(r);
        return index < Count() ? index : -1;
    }

    void HoverAt(POINT p)
    {
        const int index = ItemAt(p);
        if (index >= 0 && index != Selected())
            Select(index);
    }

    // A press on the list's own scroll bar scrolls it; the capture is handed
    // back afterwards.
    bool OnScrollBar(POINT client)
    {
        HWND h = HandleIfAllocated();
        POINT screen = client;
        ::ClientToScreen(h, &screen);
        RECT window{};
        ::GetWindowRect(h, &window);
        if (!::PtInRect(&window, screen))
            return false;
        const LPARAM at = MAKELPARAM(screen.x, screen.y);
        Message hit{WM_NCHITTEST, 0, at, 0};
        DefaultHandler(hit);
        if (hit.Result != HTVSCROLL)
            return true;   // the border: nothing to do
        scrolling_ = true;
        ::ReleaseCapture();
        Message press{WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit.Result), at, 0};
        DefaultHandler(press);
        scrolling_ = false;
        if (grid_.DroppedDown())
            ::SetCapture(h);
        return true;
    }

    ValueListEditor& grid_;
    HWND ownerWindow_ = nullptr;
    bool scrolling_ = false;
    POINT openedAt_{};
    bool mouseMoved_ = false;
};

} // namespace detail

// --- construction ----------------------------------------------------------------------

ValueListEditor::ValueListEditor(Component* owner) : CustomControl(owner)
{
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 306, 89);
    editor_ = &Make<detail::InplaceEdit>(*this);
    editor_->OnChange = [this](Component&) { EditorTextChanged(); };
}

ValueListEditor::~ValueListEditor()
{
    // Nothing of the editing may call back while the parts go.
    droppedDown_ = false;
    editRow_ = -1;
    if (popup_ && popup_->HandleAllocated() && ::GetCapture() == popup_->HandleIfAllocated())
        ::ReleaseCapture();
}

void ValueListEditor::CreateWindowHandleDone()
{
    CustomControl::CreateWindowHandleDone();
    UpdateScrollBar();
}

// --- rows --------------------------------------------------------------------------------

void ValueListEditor::Changed()
{
    Fire(OnStringsChange);
}

int ValueListEditor::InsertRow(const std::string& key, const std::string& value, bool append)
{
    EndEdit(true);
    CloseUp(false);
    const int index = append || rows_.empty() ? RowCount() : row_;
    rows_.insert(rows_.begin() + index, RowData{key, value, {}});
    if (RowCount() > 1 && index <= row_)
        ++row_;
    UpdateScrollBar();
    Invalidate();
    Changed();
    return index;
}

void ValueListEditor::DeleteRow(int row)
{
    if (!ValidRow(row))
        return;
    if (editRow_ == row)
        HideEditor();
    else
        EndEdit(true);
    CloseUp(false);
    rows_.erase(rows_.begin() + row);
    if (row_ > row || row_ >= RowCount())
        row_ = std::max(0, row_ - 1);
    UpdateScrollBar();
    Invalidate();
    Changed();
}

void ValueListEditor::Clear()
{
    HideEditor();
    CloseUp(false);
    rows_.clear();
    row_ = 0;
    topRow_ = 0;
    UpdateScrollBar();
    Invalidate();
    Changed();
}

std::string ValueListEditor::Cells(int col, int row) const
{
    if (!ValidRow(row))
        return {};
    const RowData& r = rows_[static_cast<size_t>(row)];
    return col == 0 ? r.Key : r.Value;
}

void ValueListEditor::SetValue(int row, const std::string& value)
{
    if (!ValidRow(row))
        return;
    RowData& r = rows_[static_cast<size_t>(row)];
    if (r.Value == value)
        return;
    r.Value = value;
    if (row == editRow_ && !syncingEditor_ && editor_->Text() != value) {
        syncingEditor_ = true;
        editor_->SetText(value);
        syncingEditor_ = false;
    }
    Invalidate();
    Changed();
}

bool ValueListEditor::FindRow(std::string_view key, int& row) const
{
    const std::string wanted(key);
    for (int i = 0; i < RowCount(); ++i) {
        if (::lstrcmpiA(rows_[static_cast<size_t>(i)].Key.c_str(), wanted.c_str()) == 0) {
            row = i;
            return true;
        }
    }
    return false;
}

std::string ValueListEditor::Values(std::string_view key) const
{
    int row = 0;
    return FindRow(key, row) ? Value(row) : std::string();
}

void ValueListEditor::SetValues(std::string_view key, const std::string& value)
{
    int row = 0;
    if (FindRow(key, row))
        SetValue(row, value);
    else
        InsertRow(std::string(key), value, true);
}

void ValueListEditor::SetItemProps(int row, ItemProp props)
{
    if (!ValidRow(row))
        return;
    rows_[static_cast<size_t>(row)].Props = std::move(props);
    if (row == editRow_ && !CanType(row))
        EndEdit(true);
    if (row == row_)
        CloseUp(false);
    Invalidate();
}

bool ValueListEditor::CanType(int row) const
{
    return ValidRow(row) && !rows_[static_cast<size_t>(row)].Props.ReadOnly;
}

bool ValueListEditor::IsPickList(int row) const
{
    return ValidRow(row) && rows_[static_cast<size_t>(row)].Props.Style == esPickList;
}

// --- geometry ------------------------------------------------------------------------------

int ValueListEditor::ClientW() const
{
    const RECT r = ClientRect();
    return r.right - r.left;
}

int ValueListEditor::ClientH() const
{
    const RECT r = ClientRect();
    return r.bottom - r.top;
}

int ValueListEditor::KeyWidth() const
{
    return keyWidth_;
}

int ValueListEditor::ColWidth(int col) const
{
    if (col == 0)
        return KeyWidth();
    return std::max(0, ClientW() - KeyWidth() - GridLineWidth());
}

void ValueListEditor::SetColWidth(int col, int width)
{
    if (col != 0)
        return;   // the value column takes what the key column leaves
    const int limit = std::max(10, ClientW() - 10);
    width = std::clamp(width, 10, limit);
    if (width == keyWidth_)
        return;
    keyWidth_ = width;
    PlaceEditor();
    if (droppedDown_)
        CloseUp(false);
    Invalidate();
}

RECT ValueListEditor::CellRect(int col, int row) const
{
    if (row < topRow_)
        return RECT{0, 0, 0, 0};
    const int top = (row - topRow_) * RowPitch();
    if (col == 0)
        return RECT{0, top, KeyWidth(), top + RowHeight()};
    return RECT{KeyWidth() + GridLineWidth(), top, std::max(ClientW(), KeyWidth() + GridLineWidth()),
                top + RowHeight()};
}

bool ValueListEditor::MouseToCell(int x, int y, int& col, int& row) const
{
    if (x < 0 || y < 0 || x >= ClientW() || y >= ClientH())
        return false;
    const int r = topRow_ + y / RowPitch();
    if (r >= RowCount())
        return false;
    row = r;
    col = x <= KeyWidth() - 1 + GridLineWidth() / 2 ? 0 : 1;
    return true;
}

int ValueListEditor::VisibleRowCount() const
{
    return std::max(1, ClientH() / RowPitch());
}

RECT ValueListEditor::ButtonRect(int row) const
{
    RECT cell = CellRect(1, row);
    const int width = std::min(static_cast<int>(::GetSystemMetrics(SM_CXVSCROLL)),
                               static_cast<int>(cell.right - cell.left));
    cell.left = cell.right - width;
    return cell;
}

bool ValueListEditor::OnColumnLine(int x) const
{
    return x >= KeyWidth() - 2 && x <= KeyWidth() + GridLineWidth() + 1;
}

// --- current row and scrolling --------------------------------------------------------

void ValueListEditor::SetRow(int row)
{
    if (rows_.empty())
        return;
    row = std::clamp(row, 0, RowCount() - 1);
    if (row != row_) {
        EndEdit(true);
        CloseUp(false);
        row_ = row;
        Invalidate();
    }
    ScrollIntoView(row_);
}

void ValueListEditor::MoveRow(int row)
{
    SetRow(row);
}

void ValueListEditor::SetTopRow(int row)
{
    row = std::clamp(row, 0, std::max(0, RowCount() - VisibleRowCount()));
    if (row == topRow_)
        return;
    CloseUp(false);
    topRow_ = row;
    if (HWND h = HandleIfAllocated())
        ::SetScrollPos(h, SB_VERT, topRow_, TRUE);
    PlaceEditor();
    Invalidate();
}

void ValueListEditor::ScrollIntoView(int row)
{
    if (row < topRow_)
        SetTopRow(row);
    else if (row >= topRow_ + VisibleRowCount())
        SetTopRow(row - VisibleRowCount() + 1);
}

void ValueListEditor::UpdateScrollBar()
{
    HWND h = HandleIfAllocated();
    if (!h || updatingScroll_)
        return;
    updatingScroll_ = true;
    // A list too low for a single row (a collapsed group) shows no bar.
    const bool needed = RowCount() * RowPitch() > ClientH() && ClientH() >= RowHeight();
    ::ShowScrollBar(h, SB_VERT, needed ? TRUE : FALSE);
    topRow_ = needed ? std::clamp(topRow_, 0, std::max(0, RowCount() - VisibleRowCount())) : 0;
    if (needed) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = RowCount() - 1;
        si.nPage = static_cast<UINT>(VisibleRowCount());
        si.nPos = topRow_;
        ::SetScrollInfo(h, SB_VERT, &si, TRUE);
    }
    updatingScroll_ = false;
}

void ValueListEditor::Resize()
{
    UpdateScrollBar();
    PlaceEditor();
    Invalidate();
    CustomControl::Resize();
}

// --- editing ---------------------------------------------------------------------------

Edit* ValueListEditor::InplaceEditor() const
{
    return editor_;
}

bool ValueListEditor::Editing() const
{
    return editRow_ >= 0;
}

void ValueListEditor::EditCell()
{
    if (!CanType(row_) || Editing() || !HandleAllocated())
        return;
    CloseUp(false);
    ScrollIntoView(row_);
    editRow_ = row_;
    editOriginal_ = Value(row_);
    syncingEditor_ = true;
    editor_->SetText(editOriginal_);
    syncingEditor_ = false;
    PlaceEditor();
    editor_->SetVisible(true);
    editor_->SelectAll();
    editor_->SetFocus();
}

void ValueListEditor::PlaceEditor()
{
    if (editRow_ < 0 || !HandleAllocated())
        return;
    RECT cell = CellRect(1, editRow_);
    if (IsPickList(editRow_))
        cell.right = ButtonRect(editRow_).left;
    // As high as the text, centred as the grid centres its text.
    TEXTMETRICA tm{};
    {
        WindowDC dc(HandleIfAllocated());
        SelectObjectScope font(dc.Get(), FontHandle());
        ::GetTextMetricsA(dc.Get(), &tm);
    }
    const int height = std::min(static_cast<int>(tm.tmHeight), RowHeight());
    const int top = cell.top + (RowHeight() - height) / 2;
    editor_->SetBounds(cell.left + 2, top, std::max(0, static_cast<int>(cell.right - cell.left) - 4), height);
}

void ValueListEditor::HideEditor()
{
    if (editRow_ < 0)
        return;
    editRow_ = -1;
    HWND edit = editor_->HandleIfAllocated();
    if (edit && ::GetFocus() == edit && HandleAllocated())
        ::SetFocus(HandleIfAllocated());
    editor_->SetVisible(false);
    Invalidate();
}

void ValueListEditor::EndEdit(bool accept)
{
    if (editRow_ < 0)
        return;
    const int row = editRow_;
    HideEditor();
    if (!accept)
        SetValue(row, editOriginal_);
}

void ValueListEditor::EditorTextChanged()
{
    if (syncingEditor_ || editRow_ < 0 || Destroying())
        return;
    SetValue(editRow_, editor_->Text());
}

void ValueListEditor::EditorLostFocus(HWND newFocus)
{
    if (editRow_ < 0)
        return;
    // Another program or another window of ours: the editing waits for the
    // user to come back, as a dialog keeps its focused box.
    HWND self = HandleIfAllocated();
    if (!newFocus || !self || ::GetAncestor(newFocus, GA_ROOT) != ::GetAncestor(self, GA_ROOT))
        return;
    EndEdit(true);
}

// --- drop-down list ------------------------------------------------------------------------

HWND ValueListEditor::DropDownHandle() const
{
    return droppedDown_ && popup_ ? popup_->HandleIfAllocated() : nullptr;
}

int ValueListEditor::DropDownIndex() const
{
    return droppedDown_ && popup_ ? popup_->Selected() : -1;
}

void ValueListEditor::DropDown()
{
    if (droppedDown_ || !IsPickList(row_) || ItemProps(row_).PickList.empty() || !HandleAllocated())
        return;
    EndEdit(true);
    if (!HasFocus())
        SetFocus();
    ScrollIntoView(row_);

    HWND root = ::GetAncestor(HandleIfAllocated(), GA_ROOT);
    if (!popup_)
        popup_ = &Make<detail::PickListPopup>(*this);
    if (popup_->HandleAllocated() && popup_->OwnerWindow() != root)
        popup_->DestroyHandle();
    popup_->SetOwnerWindow(root);
    popup_->SetFont(GetFont());
    HWND list = popup_->Handle();

    const std::vector<std::string>& items = ItemProps(row_).PickList;
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));

    int itemHeight = static_cast<int>(::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    if (itemHeight <= 0)
        itemHeight = RowHeight() - 4;
    const int shown = std::min(static_cast<int>(items.size()), dropDownCount_);
    const int height = shown * itemHeight + 2 * ::GetSystemMetrics(SM_CYBORDER);
    const RECT cell = CellRect(1, row_);
    POINT below = ClientToScreen(POINT{cell.left, cell.bottom});
    const POINT above = ClientToScreen(POINT{cell.left, cell.top});
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (below.y + height > work.bottom && above.y - height >= work.top)
        below.y = above.y - height;
    popup_->SetBounds(below.x, below.y, std::max(static_cast<int>(cell.right - cell.left), 40), height);

    droppedDown_ = true;
    popup_->Opened();
    popup_->SetVisible(true);
    popup_->Select(IndexOfText(items, Value(row_)));
    ::SetCapture(list);
    Invalidate();
}

void ValueListEditor::CloseUp(bool accept)
{
    if (!droppedDown_)
        return;
    droppedDown_ = false;
    const int index = popup_->Selected();
    HWND list = popup_->HandleIfAllocated();
    if (list && ::GetCapture() == list)
        ::ReleaseCapture();
    popup_->SetVisible(false);
    Invalidate();
    if (!accept || !ValidRow(row_))
        return;
    const std::vector<std::string> items = ItemProps(row_).PickList;
    if (index >= 0 && index < static_cast<int>(items.size()))
        SetValue(row_, items[static_cast<size_t>(index)]);
}

void ValueListEditor::PopupKey(WORD key)
{
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    const int count = popup_->Count();
    const int current = popup_->Selected();
    const int page = std::max(1, std::min(count, dropDownCount_) - 1);
    int next = current;
    switch (key) {
    case VK_RETURN:
        CloseUp(true);
        return;
    case VK_ESCAPE:
        CloseUp(false);
        return;
    case VK_F4:
        CloseUp(true);
        return;
    case VK_UP:
    case VK_DOWN:
        if (alt) {
            CloseUp(true);
            return;
        }
        next = current < 0 ? 0 : current + (key == VK_UP ? -1 : 1);
        break;
    case VK_PRIOR:
        next = current - page;
        break;
    case VK_NEXT:
        next = current < 0 ? page : current + page;
        break;
    case VK_HOME:
        next = 0;
        break;
    case VK_END:
        next = count - 1;
        break;
    default:
        return;
    }
    if (count > 0)
        popup_->Select(std::clamp(next, 0, count - 1));
}

void ValueListEditor::PickNextStartingWith(char c)
{
    if (!IsPickList(row_))
        return;
    const std::vector<std::string> items = ItemProps(row_).PickList;
    if (droppedDown_) {
        const int next = NextStartingWith(items, popup_->Selected(), c);
        if (next >= 0)
            popup_->Select(next);
        return;
    }
    const int next = NextStartingWith(items, IndexOfText(items, Value(row_)), c);
    if (next >= 0)
        SetValue(row_, items[static_cast<size_t>(next)]);
}

bool ValueListEditor::HasFocus() const
{
    HWND focus = ::GetFocus();
    if (!focus)
        return false;
    return focus == HandleIfAllocated() || (editor_ && focus == editor_->HandleIfAllocated());
}

// --- drawing ------------------------------------------------------------------------------

void ValueListEditor::DrawCellText(Canvas& canvas, const RECT& rect, std::string_view text) const
{
    RECT r = rect;
    r.left += 2;
    r.right -= 2;
    canvas.DrawText(r, text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void ValueListEditor::DefaultDrawCell(Canvas& canvas, int col, int row, const RECT& rect, GridDrawState state)
{
    if (col == 0) {
        canvas.FillRect(rect, clBtnFace);
        canvas.Edge(rect, BDR_RAISEDINNER, BF_RECT);
        canvas.SetTextColor(clBtnText);
        DrawCellText(canvas, rect, Cells(0, row));
        return;
    }
    const bool selected = (state & gdSelected) != 0;
    canvas.FillRect(rect, selected ? clHighlight : EffectiveColor());
    canvas.SetTextColor(selected ? clHighlightText : GetFont().Color);
    DrawCellText(canvas, rect, Cells(1, row));
    if (selected && (state & gdFocused))
        canvas.FocusRect(rect);
}

void ValueListEditor::Paint(Canvas& canvas)
{
    const int width = ClientW();
    const int height = ClientH();
    const COLORREF line = LineColor(EffectiveColor());
    const bool focused = HasFocus();
    for (int row = topRow_; row < RowCount(); ++row) {
        const int top = (row - topRow_) * RowPitch();
        if (top >= height)
            break;
        for (int col = 0; col < 2; ++col) {
            const RECT cell = CellRect(col, row);
            GridDrawState state = col == 0 ? GridDrawState{gdFixed} : GridDrawState{0};
            if (col == 1 && row == row_)
                state |= gdSelected;
            if (row == row_ && focused)
                state |= gdFocused;
            Canvas cellCanvas(canvas.Handle());
            cellCanvas.IntersectClip(cell);
            if (DefaultDrawing)
                DefaultDrawCell(cellCanvas, col, row, cell, state);
            if (OnDrawCell && !Destroying())
                OnDrawCell(*this, cellCanvas, col, row, cell, state);
        }
        canvas.Line(0, top + RowHeight(), width, top + RowHeight(), line);
        canvas.Line(KeyWidth(), top, KeyWidth(), top + RowPitch(), line);
    }
    if (IsPickList(row_) && (focused || droppedDown_) && row_ >= topRow_) {
        RECT button = ButtonRect(row_);
        ::DrawFrameControl(canvas.Handle(), &button, DFC_SCROLL,
                           DFCS_SCROLLCOMBOBOX | (droppedDown_ ? DFCS_PUSHED | DFCS_FLAT : 0));
    }
}

// --- input ------------------------------------------------------------------------------------

bool ValueListEditor::WantsKey(WORD key)
{
    return droppedDown_ && (key == VK_RETURN || key == VK_ESCAPE);
}

void ValueListEditor::KeyDown(WORD& key, ShiftState shift)
{
    CustomControl::KeyDown(key, shift);
    if (key == 0)
        return;
    if (droppedDown_) {
        if (key != VK_TAB) {
            PopupKey(key);
            key = 0;
        }
        return;
    }
    const bool alt = (shift & ssAlt) != 0;
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (alt)
            DropDown();
        else
            MoveRow(row_ + (key == VK_UP ? -1 : 1));
        break;
    case VK_F4:
        DropDown();
        break;
    case VK_PRIOR:
        MoveRow(row_ - VisibleRowCount());
        break;
    case VK_NEXT:
        MoveRow(row_ + VisibleRowCount());
        break;
    case VK_HOME:
        MoveRow(0);
        break;
    case VK_END:
        MoveRow(RowCount() - 1);
        break;
    case VK_F2:
        EditCell();
        break;
    default:
        return;
    }
    key = 0;
}

void ValueListEditor::KeyPress(char& key)
{
    CustomControl::KeyPress(key);
    if (static_cast<unsigned char>(key) < ' ')
        return;
    const char typed = key;
    key = 0;
    if (droppedDown_) {
        PickNextStartingWith(typed);
    } else if (CanType(row_)) {
        // The first character replaces the value, as typing over a selection.
        EditCell();
        if (Editing()) {
            editor_->SetText(std::string(1, typed));
            editor_->SetSelection(1, 0);
        }
    } else {
        PickNextStartingWith(typed);
    }
}

void ValueListEditor::MouseDown(MouseButton button, ShiftState shift, int x, int y)
{
    if (!HasFocus() && CanFocus())
        SetFocus();
    if (button == mbLeft && OnColumnLine(x) && !(shift & ssDouble)) {
        EndEdit(true);
        sizing_ = true;
    } else if (button == mbLeft || button == mbRight) {
        int col = 0, row = 0;
        if (MouseToCell(x, y, col, row)) {
            MoveRow(row);
            if (button == mbLeft && col == 1 && !(shift & ssDouble)) {
                const POINT p{x, y};
                const RECT buttonRect = ButtonRect(row);
                if (IsPickList(row) && (!CanType(row) || ::PtInRect(&buttonRect, p)))
                    DropDown();
                else if (CanType(row))
                    EditCell();
            }
        }
    }
    CustomControl::MouseDown(button, shift, x, y);
}

void ValueListEditor::MouseMove(ShiftState shift, int x, int y)
{
    if (sizing_)
        SetColWidth(0, x);
    else
        SetCursor(OnColumnLine(x) ? crSizeWE : crDefault);
    CustomControl::MouseMove(shift, x, y);
}

void ValueListEditor::MouseUp(MouseButton button, ShiftState shift, int x, int y)
{
    if (button == mbLeft)
        sizing_ = false;
    CustomControl::MouseUp(button, shift, x, y);
}

void ValueListEditor::WndProc(Message& m)
{
    switch (m.Msg) {
    case WM_GETDLGCODE:
        m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (droppedDown_ ? DLGC_WANTALLKEYS : 0);
        return;
    case WM_SETFOCUS:
        CustomControl::WndProc(m);
        Invalidate();
        return;
    case WM_KILLFOCUS: {
        HWND next = reinterpret_cast<HWND>(m.WParam);
        if (!next || next != editor_->HandleIfAllocated())
            CloseUp(false);
        CustomControl::WndProc(m);
        Invalidate();
        return;
    }
    case WM_CANCELMODE:
        CloseUp(false);
        sizing_ = false;
        break;
    case WM_VSCROLL:
        if (m.LParam == 0) {
            const int row = ScrollRequest(HandleIfAllocated(), SB_VERT, m.WParam, topRow_, 1, VisibleRowCount(), RowCount());
            SetTopRow(row);
            m.Result = 0;
            return;
        }
        break;
    case WM_MOUSEWHEEL:
        if (droppedDown_ && popup_->HandleAllocated()) {
            m.Result = ::SendMessageA(popup_->HandleIfAllocated(), m.Msg, m.WParam, m.LParam);
            return;
        }
        if (RowCount() > VisibleRowCount() && ClientH() >= RowHeight()) {
            const int delta = GET_WHEEL_DELTA_WPARAM(m.WParam);
            SetTopRow(topRow_ - delta * 3 / WHEEL_DELTA);
            m.Result = 0;
            return;
        }
        break;   // the parent scrolls instead
    default:
        break;
    }
    CustomControl::WndProc(m);
}

} // namespace ui
