#pragma once
// ValueListEditor: a two-column grid of keys and values, the way property
// sheets show settings.
//
//   +-------------------+-----------------------------+
//   | key (fixed, grey) | value (white, editable)   v |   one row: RowHeight (17)
//   +-------------------+-----------------------------+   + one grid line
//
// No title row: row 0 starts at the top. The key column is ColWidth(0) wide
// (160 by default); after a one-pixel line the value column fills the rest of
// the client width. The user may drag the line between the columns.
//
// Rows. Each row has a key, a value and its ItemProp: ReadOnly (no typing),
// Style (esSimple or esPickList) and, for a pick list, the items the user
// chooses from. Keys are looked up without regard to letter case (FindRow,
// Values). The current row is Row(); its value cell is the current cell.
//
// The user:
//   - clicks a row to make it current; a click on the value of an editable
//     plain row starts in-place editing, a click on a pick-list value opens
//     its drop-down list (the button at its right shows while the list has
//     the focus);
//   - types: Up/Down/PgUp/PgDn/Home/End move the current row; a character
//     starts editing an editable plain row with it, or picks the next item
//     beginning with it on a pick-list row; F2 edits; F4 or Alt+Down opens the
//     drop-down list;
//   - while editing: Enter keeps the text, Esc puts the old value back,
//     Up/Down keep it and move; the value follows the typing at once;
//   - in the drop-down list: the mouse or Up/Down/PgUp/PgDn/Home/End choose,
//     Enter, F4, Alt+Up/Down or a click take the item, Esc or a click
//     elsewhere close it unchanged. A read-only pick list is still chosen from.
//   Enter, Esc and Tab outside editing and the drop-down list stay with the
//   form (default button, cancel button, next control).
//
// Events (besides those of every control: OnMouseDown fires after the click
// has selected its row, OnKeyDown, OnEnter...):
//   OnStringsChange  NotifyEvent: after any change of the rows or of a value,
//                    by the user or by code (not when a value is set to what
//                    it already is)
//   OnDrawCell       void(ValueListEditor& sender, Canvas& canvas, int col,
//                    int row, const RECT& rect, GridDrawState state): after
//                    the standard drawing of a cell (DefaultDrawing), with a
//                    canvas clipped to the cell; col 0 key, 1 value. State:
//                    gdFixed for key cells, gdSelected for the current cell,
//                    gdFocused when the list (or its editor) has the focus.
#include "ui/Controls.h"

#include <string>
#include <string_view>
#include <vector>

namespace ui {

enum EditStyle { esSimple, esPickList };

struct ItemProp {
    bool ReadOnly = false;
    EditStyle Style = esSimple;
    std::vector<std::string> PickList;
};

using GridDrawState = unsigned;
enum : GridDrawState { gdSelected = 1, gdFocused = 2, gdFixed = 4 };

class ValueListEditor;
using DrawCellEvent = std::function<void(ValueListEditor& sender, Canvas& canvas, int col, int row,
                                         const RECT& rect, GridDrawState state)>;

namespace detail {
class InplaceEdit;
class PickListPopup;
} // namespace detail

class ValueListEditor : public CustomControl {
public:
    explicit ValueListEditor(Component* owner);
    ~ValueListEditor() override;
    const char* ClassName() const override { return "TValueListEditor"; }

    static constexpr int kDefaultKeyWidth = 160;

    // --- rows -------------------------------------------------------------------------
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Adds a row at the end (append) or before the current row; returns its index.
    int InsertRow(const std::string& key, const std::string& value, bool append);
    void DeleteRow(int row);
    // Removes every row.
    void Clear();
    // Key (col 0) or value (col 1) of a row; "" outside the grid.
    std::string Cells(int col, int row) const;
    const std::string& Key(int row) const { return rows_.at(static_cast<size_t>(row)).Key; }
    const std::string& Value(int row) const { return rows_.at(static_cast<size_t>(row)).Value; }
    void SetValue(int row, const std::string& value);
    // The row whose key equals key without regard to letter case.
    bool FindRow(std::string_view key, int& row) const;
    // The value of that row, "" when there is none.
    std::string Values(std::string_view key) const;
    // Sets the value of that row, appending a row when there is none.
    void SetValues(std::string_view key, const std::string& value);

    const ItemProp& ItemProps(int row) const { return rows_.at(static_cast<size_t>(row)).Props; }
    void SetItemProps(int row, ItemProp props);

    // --- current cell, geometry ---------------------------------------------------
    // The current row (0 when there are no rows).
    int Row() const { return row_; }
    void SetRow(int row);
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);
    int RowHeight() const { return 17; }
    int GridLineWidth() const { return 1; }
    // Col 0: the key column; col 1: the value column (the rest of the width).
    int ColWidth(int col) const;
    void SetColWidth(int col, int width);
    // A cell's rectangle in client coordinates (empty above TopRow).
    RECT CellRect(int col, int row) const;
    // The cell under a client point; false when there is none.
    bool MouseToCell(int x, int y, int& col, int& row) const;
    // Rows that fit the client height completely (at least 1).
    int VisibleRowCount() const;

    // --- editing ---------------------------------------------------------------------
    // Starts in-place editing of the current row (plain rows that are not read-only).
    void EditCell();
    bool Editing() const;
    // Ends it, keeping what was typed (accept) or putting the old value back.
    void EndEdit(bool accept);
    Edit* InplaceEditor() const;
    // The drop-down list of the current row (pick lists with items).
    void DropDown();
    void CloseUp(bool accept);
    bool DroppedDown() const { return droppedDown_; }
    // The list's window and its highlighted item while it is dropped down.
    HWND DropDownHandle() const;
    int DropDownIndex() const;
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count) { dropDownCount_ = count < 1 ? 1 : count; }

    // The list or its in-place editor has the keyboard focus.
    bool HasFocus() const;

    // --- drawing -----------------------------------------------------------------------
    bool DefaultDrawing = true;
    // The standard look of a cell.
    void DefaultDrawCell(Canvas& canvas, int col, int row, const RECT& rect, GridDrawState state);
    // One line of cell text, with the grid's margins, in the canvas's font and colour.
    void DrawCellText(Canvas& canvas, const RECT& rect, std::string_view text) const;
    // The drop-down button's rectangle in the value cell of a row.
    RECT ButtonRect(int row) const;

    NotifyEvent OnStringsChange;
    DrawCellEvent OnDrawCell;

protected:
    void CreateWindowHandleDone() override;
    void WndProc(Message& message) override;
    void Paint(Canvas& canvas) override;
    void Resize() override;
    void KeyDown(WORD& key, ShiftState shift) override;
    void KeyPress(char& key) override;
    void MouseDown(MouseButton button, ShiftState shift, int x, int y) override;
    void MouseMove(ShiftState shift, int x, int y) override;
    void MouseUp(MouseButton button, ShiftState shift, int x, int y) override;
    bool WantsKey(WORD key) override;

private:
    friend class detail::InplaceEdit;
    friend class detail::PickListPopup;

    struct RowData {
        std::string Key;
        std::string Value;
        ItemProp Props;
    };

    bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
    bool CanType(int row) const;
    bool IsPickList(int row) const;
    int RowPitch() const { return RowHeight() + GridLineWidth(); }
    int KeyWidth() const;
    int ClientW() const;
    int ClientH() const;
    void Changed();
    void MoveRow(int row);
    void ScrollIntoView(int row);
    void UpdateScrollBar();
    void PlaceEditor();
    void HideEditor();
    void EditorTextChanged();
    void EditorLostFocus(HWND newFocus);
    void PickNextStartingWith(char c);
    void PopupKey(WORD key);
    void InvalidateRow(int row);
    bool OnColumnLine(int x) const;

    std::vector<RowData> rows_;
    int row_ = 0;
    int topRow_ = 0;
    int keyWidth_ = kDefaultKeyWidth;
    int dropDownCount_ = 8;
    detail::InplaceEdit* editor_ = nullptr;
    detail::PickListPopup* popup_ = nullptr;
    int editRow_ = -1;
    std::string editOriginal_;
    bool droppedDown_ = false;
    bool sizing_ = false;
    bool updatingScroll_ = false;
    bool syncingEditor_ = false;
};

} // namespace ui
