// The key and value list: rows and lookup, geometry and drawing, the
// keyboard, in-place editing, the drop-down list of pick-list rows and column
// sizing, driven through real windows with real messages.
#include "UiTestSupport.h"

#include "ui/ValueListEditor.h"

#include <string>
#include <vector>

namespace {

using namespace uitest;

COLORREF Sys(int index)
{
    return ::GetSysColor(index) & 0xFFFFFF;
}

class ValueList : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        form = &ui::App().CreateForm<TestForm>();
        grid = &form->MakeNamed<ui::ValueListEditor>("vleTest");
        grid->Place(form, 10, 10, 361, 5 * 18);
        other = &form->MakeNamed<ui::Edit>("edtOther");
        other->Place(form, 10, 150, 100, 21);
        other->SetTabStop(true);
        okButton = &form->MakeNamed<ui::Button>("btnOK");
        okButton->Place(form, 200, 150, 75, 25);
        okButton->SetDefault(true);
        okButton->OnClick = [this](ui::Component&) { ++okClicks; };
        cancelButton = &form->MakeNamed<ui::Button>("btnCancel");
        cancelButton->Place(form, 280, 150, 75, 25);
        cancelButton->SetCancel(true);
        cancelButton->OnClick = [this](ui::Component&) { ++cancelClicks; };

        Add("Name", "Alpha", false, {});
        Add("Codec", "H.264", true, {"H.264", "MPEG-4", "WMV"});
        Add("Fixed", "locked", true, {});
        Add("Size", "Small", false, {"Small", "Large"}, true);
        Add("Rate", "25", false, {});
        grid->OnStringsChange = [this](ui::Component&) { ++changes; };
    }

    void Add(const std::string& key, const std::string& value, bool readOnly, std::vector<std::string> items,
             bool pick = false)
    {
        const int row = grid->InsertRow(key, value, true);
        ui::ItemProp props;
        props.ReadOnly = readOnly;
        props.Style = items.empty() && !pick ? ui::esSimple : ui::esPickList;
        props.PickList = std::move(items);
        grid->SetItemProps(row, props);
    }

    // Shows the form as the active window and lets the display's own focus
    // events of the showing arrive before the test goes on.
    void ShowForm()
    {
        form->Show();
        ::SetForegroundWindow(form->Handle());
        EXPECT_TRUE(PumpUntil([this] { return ::GetForegroundWindow() == form->Handle(); }))
            << "the form never became the active window";
        for (int i = 0; i < 5; ++i) {
            ui::App().ProcessMessages();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    void ShowFocused()
    {
        ShowForm();
        grid->SetFocus();
        ASSERT_TRUE(PumpUntil([this] { return grid->HasFocus(); }));
    }

    // A key as the keyboard sends it: through the application's message
    // loop, so the form's dialog keys (Enter, Esc, Tab) take part.
    static void Key(WORD vk)
    {
        HWND target = ::GetFocus();
        ::PostMessageA(target, WM_KEYDOWN, vk, 1);
        ::PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        ui::App().ProcessMessages();
    }
    static void Type(const std::string& text)
    {
        for (char c : text) {
            ::PostMessageA(::GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 1);
            ui::App().ProcessMessages();
        }
    }

    HWND Grid() { return grid->Handle(); }
    // The centre of a cell.
    POINT Centre(int col, int row) const
    {
        const RECT r = grid->CellRect(col, row);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void ClickCell(int col, int row)
    {
        const POINT p = Centre(col, row);
        Click(Grid(), p.x, p.y);
        ui::App().ProcessMessages();
    }

    TestForm* form = nullptr;
    ui::ValueListEditor* grid = nullptr;
    ui::Edit* other = nullptr;
    ui::Button* okButton = nullptr;
    ui::Button* cancelButton = nullptr;
    int changes = 0;
    int okClicks = 0;
    int cancelClicks = 0;
};

// --- rows ----------------------------------------------------------------------------------

TEST_F(ValueList, RowsAreFoundByKeyWithoutRegardToCase)
{
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->Key(1), "Codec");
    EXPECT_EQ(grid->Value(1), "H.264");
    EXPECT_EQ(grid->Cells(0, 4), "Rate");
    EXPECT_EQ(grid->Cells(1, 4), "25");
    EXPECT_EQ(grid->Cells(1, 5), "");
    EXPECT_EQ(grid->Cells(0, -1), "");

    int row = -1;
    EXPECT_TRUE(grid->FindRow("cODEC", row));
    EXPECT_EQ(row, 1);
    EXPECT_FALSE(grid->FindRow("Codecs", row));
    EXPECT_EQ(grid->Values("RATE"), "25");
    EXPECT_EQ(grid->Values("Missing"), "");

    EXPECT_TRUE(grid->ItemProps(1).ReadOnly);
    EXPECT_EQ(grid->ItemProps(1).Style, ui::esPickList);
    EXPECT_EQ(grid->ItemProps(1).PickList, (std::vector<std::string>{"H.264", "MPEG-4", "WMV"}));
    EXPECT_EQ(grid->ItemProps(0).Style, ui::esSimple);
}

TEST_F(ValueList, EveryChangeOfRowsOrValuesIsAnnounced)
{
    grid->SetValues("rate", "30");
    EXPECT_EQ(grid->Value(4), "30");
    EXPECT_EQ(changes, 1);
    grid->SetValue(4, "30");   // the same text: no change
    EXPECT_EQ(changes, 1);
    grid->SetValues("New", "x");   // a key that is missing is appended
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(grid->Key(5), "New");
    EXPECT_EQ(changes, 2);
    grid->DeleteRow(0);
    EXPECT_EQ(grid->Key(0), "Codec");
    EXPECT_EQ(changes, 3);
    grid->DeleteRow(17);
    EXPECT_EQ(changes, 3);
    grid->Clear();
    EXPECT_EQ(grid->RowCount(), 0);
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(changes, 4);
}

TEST_F(ValueList, InsertingBeforeTheCurrentRowKeepsItCurrent)
{
    grid->SetRow(2);
    EXPECT_EQ(grid->InsertRow("Inserted", "v", false), 2);
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(grid->Key(3), "Fixed");
    EXPECT_EQ(grid->InsertRow("Last", "w", true), 6);
    EXPECT_EQ(grid->Row(), 3);
}

// --- geometry and drawing ----------------------------------------------------------------------

TEST_F(ValueList, RowsAreSeventeenPixelsAndALineWithoutTitleRow)
{
    ShowForm();
    EXPECT_EQ(grid->ColWidth(0), 160);
    EXPECT_EQ(grid->ColWidth(1), 200);
    const RECT key0 = grid->CellRect(0, 0);
    EXPECT_EQ(key0.left, 0);
    EXPECT_EQ(key0.top, 0);
    EXPECT_EQ(key0.right, 160);
    EXPECT_EQ(key0.bottom, 17);
    const RECT value1 = grid->CellRect(1, 1);
    EXPECT_EQ(value1.left, 161);
    EXPECT_EQ(value1.top, 18);
    EXPECT_EQ(value1.right, 361);
    EXPECT_EQ(value1.bottom, 35);
    EXPECT_EQ(grid->VisibleRowCount(), 5);
    // All five rows fit: no scroll bar.
    EXPECT_FALSE(::GetWindowLongA(Grid(), GWL_STYLE) & WS_VSCROLL);

    int col = -1, row = -1;
    EXPECT_TRUE(grid->MouseToCell(5, 20, col, row));
    EXPECT_EQ(col, 0);
    EXPECT_EQ(row, 1);
    EXPECT_TRUE(grid->MouseToCell(200, 89, col, row));
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 4);
    grid->DeleteRow(4);
    EXPECT_FALSE(grid->MouseToCell(200, 80, col, row));
}

TEST_F(ValueList, StandardLookGreyKeysWhiteValuesSilverLines)
{
    ShowForm();
    other->SetFocus();
    ui::App().ProcessMessages();
    Snapshot shot(Grid());
    EXPECT_EQ(shot.At(150, 26), Sys(COLOR_BTNFACE)) << "key cell";
    EXPECT_EQ(shot.At(350, 26), Sys(COLOR_WINDOW)) << "value cell";
    EXPECT_EQ(shot.At(80, 17), ui::clSilver) << "line under a row";
    EXPECT_EQ(shot.At(300, 35), ui::clSilver) << "line under a row";
    EXPECT_EQ(shot.At(160, 26), ui::clSilver) << "line between the columns";
    EXPECT_EQ(shot.At(350, 8), Sys(COLOR_HIGHLIGHT)) << "the current value";
}

TEST_F(ValueList, DrawCellEventSeesEveryCellClippedToIt)
{
    struct Drawn {
        int col, row;
        RECT rect;
        ui::GridDrawState state;
    };
    std::vector<Drawn> drawn;
    grid->DefaultDrawing = false;
    grid->OnDrawCell = [&](ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row, const RECT& rect,
                           ui::GridDrawState state) {
        EXPECT_EQ(&sender, grid);
        drawn.push_back({col, row, rect, state});
        // Far beyond the cell: the clip keeps it inside.
        canvas.FillRect(RECT{-50, -50, 1000, 1000}, col == 0 ? RGB(0, 0, 200) : RGB(200, 0, 200));
    };
    grid->SetRow(2);
    ShowForm();
    other->SetFocus();
    ui::App().ProcessMessages();
    drawn.clear();
    grid->Invalidate();
    Snapshot shot(Grid());

    ASSERT_EQ(drawn.size(), 10u);
    for (const Drawn& d : drawn) {
        const RECT expected = grid->CellRect(d.col, d.row);
        EXPECT_TRUE(::EqualRect(&d.rect, &expected)) << d.col << "," << d.row;
        ui::GridDrawState want = d.col == 0 ? ui::GridDrawState{ui::gdFixed} : ui::GridDrawState{0};
        if (d.col == 1 && d.row == 2)
            want |= ui::gdSelected;
        EXPECT_EQ(d.state, want) << d.col << "," << d.row;
    }
    EXPECT_EQ(shot.At(150, 45), RGB(0, 0, 200));
    EXPECT_EQ(shot.At(170, 45), RGB(200, 0, 200));
    EXPECT_EQ(shot.At(160, 45), ui::clSilver);
    EXPECT_EQ(shot.At(170, 53), ui::clSilver);

    // With the focus the current row's cells say so.
    grid->SetFocus();
    ui::App().ProcessMessages();
    drawn.clear();
    grid->Repaint();
    ASSERT_EQ(drawn.size(), 10u);
    for (const Drawn& d : drawn)
        EXPECT_EQ((d.state & ui::gdFocused) != 0, d.row == 2) << d.col << "," << d.row;
}

// --- keyboard -----------------------------------------------------------------------------

TEST_F(ValueList, ArrowsPagesHomeAndEndMoveTheCurrentRow)
{
    ShowFocused();
    struct Step {
        WORD key;
        int row;
    };
    const Step steps[] = {{VK_DOWN, 1}, {VK_DOWN, 2}, {VK_END, 4}, {VK_DOWN, 4}, {VK_UP, 3},
                          {VK_HOME, 0}, {VK_UP, 0}, {VK_NEXT, 4}, {VK_PRIOR, 0}};
    for (const Step& s : steps) {
        Key(s.key);
        EXPECT_EQ(grid->Row(), s.row) << "key " << s.key;
    }
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(grid->Editing());
}

TEST_F(ValueList, EnterAndEscOutsideEditingBelongToTheForm)
{
    ShowFocused();
    Key(VK_RETURN);
    EXPECT_EQ(okClicks, 1);
    Key(VK_ESCAPE);
    EXPECT_EQ(cancelClicks, 1);
    Key(VK_TAB);
    EXPECT_TRUE(other->Focused());
}

// --- in-place editing -------------------------------------------------------------------------

TEST_F(ValueList, TypingEditsAPlainValueAtOnceAndEscPutsItBack)
{
    ShowFocused();
    Type("Z");
    ASSERT_TRUE(grid->Editing());
    ui::Edit* editor = grid->InplaceEditor();
    EXPECT_TRUE(editor->Visible());
    EXPECT_TRUE(editor->Focused());
    EXPECT_TRUE(grid->HasFocus());
    // Over the value cell.
    const RECT cell = grid->CellRect(1, 0);
    EXPECT_GE(editor->Left(), cell.left);
    EXPECT_LE(editor->Left() + editor->Width(), cell.right);
    EXPECT_GE(editor->Top(), cell.top);
    EXPECT_LE(editor->Top() + editor->Height(), cell.bottom);
    EXPECT_EQ(grid->Value(0), "Z");
    Type("ulu");
    EXPECT_EQ(grid->Value(0), "Zulu");
    EXPECT_EQ(changes, 4);

    Key(VK_ESCAPE);
    EXPECT_FALSE(grid->Editing());
    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ(grid->Value(0), "Alpha");
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(cancelClicks, 0);
}

TEST_F(ValueList, F2EditsAndEnterKeepsTheText)
{
    ShowFocused();
    Key(VK_F2);
    ASSERT_TRUE(grid->Editing());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "Alpha");
    EXPECT_EQ(grid->InplaceEditor()->SelLength(), 5);   // all selected: typing replaces it
    Type("Beta");
    Key(VK_RETURN);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(grid->Value(0), "Beta");
    EXPECT_EQ(okClicks, 0);
    EXPECT_TRUE(grid->Focused());
}

TEST_F(ValueList, ArrowKeysKeepTheTextAndMove)
{
    ShowFocused();
    Key(VK_F2);
    Type("Gamma");
    Key(VK_DOWN);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(grid->Value(0), "Gamma");
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(ValueList, TabToTheNextControlKeepsTheText)
{
    ShowFocused();
    Key(VK_END);
    Type("50");
    ASSERT_TRUE(grid->Editing());
    Key(VK_TAB);
    EXPECT_TRUE(other->Focused());
    EXPECT_FALSE(grid->Editing());
    EXPECT_FALSE(grid->InplaceEditor()->Visible());
    EXPECT_EQ(grid->Value(4), "50");
}

TEST_F(ValueList, ReadOnlyPlainRowsCannotBeEdited)
{
    ShowFocused();
    grid->SetRow(2);
    Key(VK_F2);
    EXPECT_FALSE(grid->Editing());
    Type("x");
    EXPECT_FALSE(grid->Editing());
    ClickCell(1, 2);
    EXPECT_FALSE(grid->Editing());
    EXPECT_FALSE(grid->DroppedDown());
    EXPECT_EQ(grid->Value(2), "locked");
    EXPECT_EQ(changes, 0);
}

TEST_F(ValueList, AClickSelectsItsRowBeforeTheMouseDownEventAndEditsThatValue)
{
    ShowForm();
    int rowAtMouseDown = -1;
    grid->OnMouseDown = [&](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
        rowAtMouseDown = grid->Row();
    };
    ClickCell(1, 4);
    EXPECT_EQ(rowAtMouseDown, 4);
    EXPECT_EQ(grid->Row(), 4);
    ASSERT_TRUE(grid->Editing());
    EXPECT_EQ(grid->InplaceEditor()->SelLength(), 2);
    // A click on a key only selects.
    ClickCell(0, 0);
    EXPECT_EQ(rowAtMouseDown, 0);
    EXPECT_FALSE(grid->Editing());
    EXPECT_TRUE(grid->Focused());
}

// --- drop-down list ------------------------------------------------------------------------------

TEST_F(ValueList, AClickOnAPickListOpensItsListUnderTheCell)
{
    ShowForm();
    ClickCell(1, 1);
    ASSERT_TRUE(grid->DroppedDown());
    HWND list = grid->DropDownHandle();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(::IsWindowVisible(list));
    EXPECT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    char text[32] = {};
    ::SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "WMV");
    EXPECT_EQ(grid->DropDownIndex(), 0);   // the shown value
    RECT where{};
    ::GetWindowRect(list, &where);
    const RECT cell = grid->CellRect(1, 1);
    const POINT below = grid->ClientToScreen(POINT{cell.left, cell.bottom});
    EXPECT_EQ(where.left, below.x);
    EXPECT_EQ(where.top, below.y);
    EXPECT_EQ(where.right - where.left, cell.right - cell.left);
    // It never takes the focus or the activation from the form.
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(::GetCapture(), list);
    EXPECT_EQ(changes, 0);
}

TEST_F(ValueList, KeysChooseInTheOpenListAndEnterTakesTheItem)
{
    ShowFocused();
    Key(VK_DOWN);
    Key(VK_F4);
    ASSERT_TRUE(grid->DroppedDown());
    Key(VK_DOWN);
    EXPECT_EQ(grid->DropDownIndex(), 1);
    EXPECT_EQ(grid->Value(1), "H.264");   // not yet taken
    Key(VK_END);
    Key(VK_UP);
    EXPECT_EQ(grid->DropDownIndex(), 1);
    Key(VK_RETURN);
    EXPECT_FALSE(grid->DroppedDown());
    EXPECT_EQ(grid->Value(1), "MPEG-4");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(okClicks, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(ValueList, EscAClickElsewhereOrLosingTheFocusCloseTheListUnchanged)
{
    ShowFocused();
    grid->SetRow(1);
    grid->DropDown();
    Key(VK_DOWN);
    Key(VK_ESCAPE);
    EXPECT_FALSE(grid->DroppedDown());
    EXPECT_EQ(cancelClicks, 0);

    grid->DropDown();
    Key(VK_DOWN);
    HWND list = grid->DropDownHandle();
    MouseDown(list, 10, -30);   // above the list: on the grid
    EXPECT_FALSE(grid->DroppedDown());
    EXPECT_FALSE(::IsWindowVisible(list));

    grid->DropDown();
    Key(VK_DOWN);
    other->SetFocus();
    ui::App().ProcessMessages();
    EXPECT_FALSE(grid->DroppedDown());

    EXPECT_EQ(grid->Value(1), "H.264");
    EXPECT_EQ(changes, 0);
}

TEST_F(ValueList, TheMouseChoosesAnItemInTheList)
{
    ShowFocused();
    grid->SetRow(1);
    grid->DropDown();
    HWND list = grid->DropDownHandle();
    RECT item{};
    ::SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
    // A list that opens under a resting mouse keeps the shown value.
    grid->CloseUp(false);
    POINT resting{x, y};
    ::ClientToScreen(list, &resting);
    ::SetCursorPos(resting.x, resting.y);
    grid->DropDown();
    MouseMove(list, x, y);
    EXPECT_EQ(grid->DropDownIndex(), 0);
    MouseMove(list, x, y + 1);
    EXPECT_EQ(grid->DropDownIndex(), 2);
    MouseDown(list, x, y);
    MouseUp(list, x, y);
    EXPECT_FALSE(grid->DroppedDown());
    EXPECT_EQ(grid->Value(1), "WMV");
    EXPECT_EQ(changes, 1);
}

TEST_F(ValueList, ALetterPicksTheNextItemStartingWithIt)
{
    ShowFocused();
    grid->SetRow(1);
    struct Step {
        char c;
        const char* value;
    };
    const Step steps[] = {{'w', "WMV"}, {'M', "MPEG-4"}, {'h', "H.264"}, {'x', "H.264"}, {'h', "H.264"}};
    for (const Step& s : steps) {
        Type(std::string(1, s.c));
        EXPECT_EQ(grid->Value(1), s.value) << s.c;
    }
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(changes, 3);
}

TEST_F(ValueList, AnEditablePickListOffersBothTypingAndItsButton)
{
    ShowForm();
    const RECT button = grid->ButtonRect(3);
    Click(Grid(), (button.left + button.right) / 2, (button.top + button.bottom) / 2);
    ui::App().ProcessMessages();
    EXPECT_TRUE(grid->DroppedDown());
    Key(VK_ESCAPE);
    ClickCell(1, 3);
    EXPECT_FALSE(grid->DroppedDown());
    ASSERT_TRUE(grid->Editing());
    // The box leaves the button free.
    EXPECT_LE(grid->InplaceEditor()->Left() + grid->InplaceEditor()->Width(), button.left);
    Type("Huge");
    Key(VK_RETURN);
    EXPECT_EQ(grid->Value(3), "Huge");
}

// --- columns and scrolling ---------------------------------------------------------------------

TEST_F(ValueList, TheLineBetweenTheColumnsCanBeDragged)
{
    ShowForm();
    MouseMove(Grid(), 160, 30);
    EXPECT_EQ(grid->GetCursor(), ui::crSizeWE);
    MouseMove(Grid(), 250, 30);
    EXPECT_EQ(grid->GetCursor(), ui::crDefault);

    MouseDown(Grid(), 160, 30);
    MouseMove(Grid(), 220, 30, MK_LBUTTON);
    MouseUp(Grid(), 220, 30);
    EXPECT_EQ(grid->ColWidth(0), 220);
    EXPECT_EQ(grid->ColWidth(1), 140);
    EXPECT_EQ(grid->CellRect(1, 0).left, 221);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(changes, 0);

    MouseDown(Grid(), 220, 30);
    MouseMove(Grid(), -40, 30, MK_LBUTTON);
    MouseUp(Grid(), -40, 30);
    EXPECT_EQ(grid->ColWidth(0), 10);
    Snapshot shot(Grid());
    EXPECT_EQ(shot.At(10, 8), ui::clSilver);
}

TEST_F(ValueList, RowsBeyondTheHeightScrollIntoView)
{
    grid->SetHeight(3 * 18);
    ShowFocused();
    EXPECT_EQ(grid->VisibleRowCount(), 3);
    EXPECT_TRUE(::GetWindowLongA(Grid(), GWL_STYLE) & WS_VSCROLL);
    Key(VK_END);
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(grid->TopRow(), 2);
    EXPECT_EQ(grid->CellRect(1, 4).top, 36);
    Key(VK_HOME);
    EXPECT_EQ(grid->TopRow(), 0);
    ::SendMessageA(Grid(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(grid->TopRow(), 1);
    ::SendMessageA(Grid(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(grid->TopRow(), 2);
    int col = -1, row = -1;
    ASSERT_TRUE(grid->MouseToCell(200, 5, col, row));
    EXPECT_EQ(row, 2);

    // Too low for one row (a collapsed group): no bar.
    grid->SetHeight(1);
    ui::App().ProcessMessages();
    EXPECT_FALSE(::GetWindowLongA(Grid(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(grid->TopRow(), 0);
}

} // namespace
