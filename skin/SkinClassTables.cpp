#include "skin/SkinControls.h"

#include "ui/ValueListEditor.h"

#include <cctype>

namespace korvane {

// --- class tables ------------------------------------------------------------------------------------

namespace {

template <class T>
bool Is(const ui::Control& c)
{
    return dynamic_cast<const T*>(&c) != nullptr;
}

template <class S>
OwnSkinFactory Own()
{
    return [](TSkinWindow& w, ui::Control& c) -> std::unique_ptr<TSkinControlOwn> { return std::make_unique<S>(w, c); };
}

template <class S>
WndSkinFactory Wnd()
{
    return [](TSkinWindow& w, HWND h) -> std::unique_ptr<TSkinControlWnd> { return std::make_unique<S>(w, h); };
}

bool ClassNamed(const ui::Control& c, const char* name)
{
    return std::string(c.ClassName()) == name;
}

} // namespace

const std::vector<ControlClassRow>& ControlClassTable()
{
    // The framework's classes in the rows of the classes they stand for.
    static const std::vector<ControlClassRow> table = {
        {"TCustomControl", [](const ui::Control& c) { return Is<ui::CustomControl>(c); }, Own<TSkinScrollWinControl>()},
        {"TCustomFrame", [](const ui::Control&) { return false; }, Own<TSkinFrame>()},
        {"TScrollBox", [](const ui::Control& c) { return ClassNamed(c, "TScrollBox"); }, Own<TSkinScrollWinControl>()},
        {"TToolBar", [](const ui::Control&) { return false; }, nullptr},
        {"TCustomStatusBar", [](const ui::Control&) { return false; }, nullptr},
        {"TDateTimePicker", [](const ui::Control&) { return false; }, nullptr},
        {"TCustomTreeView", [](const ui::Control&) { return false; }, nullptr},
        {"TCustomUpDown", [](const ui::Control&) { return false; }, nullptr},
        {"TCustomHotKey", [](const ui::Control&) { return false; }, nullptr},
        {"TProgressBar", [](const ui::Control& c) { return Is<ui::ProgressBar>(c); }, Own<TSkinProgressBar>()},
        {"TTrackBar", [](const ui::Control& c) { return Is<ui::TrackBar>(c); }, Own<TSkinTrackBar>()},
        {"TCustomTabControl", [](const ui::Control&) { return false; }, nullptr},
        {"TCustomGrid", [](const ui::Control& c) { return Is<ui::ValueListEditor>(c); }, Own<TSkinGrid>()},
        {"TSpeedButton", [](const ui::Control& c) { return Is<ui::SpeedButton>(c); }, Own<TSkinSpeedButton>()},
        {"TCustomPanel", [](const ui::Control& c) { return Is<ui::Panel>(c); }, Own<TSkinPanel>()},
        {"TCustomGroupBox", [](const ui::Control& c) { return Is<ui::GroupBox>(c); }, Own<TSkinGroupBox>()},
        {"TScrollBar", [](const ui::Control&) { return false; }, nullptr},
        {"TCustomListControl", [](const ui::Control&) { return false; }, nullptr},
        {"TRadioButton", [](const ui::Control& c) { return Is<ui::RadioButton>(c); }, Own<TSkinRadioButton>()},
        {"TCustomComboBox", [](const ui::Control& c) { return Is<ui::ComboBox>(c); }, Own<TSkinComboBox>()},
        // The framework's radio button derives from its check box; here it is not one.
        {"TCustomCheckBox", [](const ui::Control& c) { return Is<ui::CheckBox>(c) && !Is<ui::RadioButton>(c); },
         Own<TSkinCheckBox>()},
        {"TCustomEdit", [](const ui::Control& c) { return Is<ui::Edit>(c); }, Own<TSkinScrollWinControl>()},
        {"TButton", [](const ui::Control& c) { return Is<ui::Button>(c); }, Own<TSkinButton>()},
    };
    return table;
}

const ControlClassRow* FindControlClass(const ui::Control& control)
{
    const auto& table = ControlClassTable();
    for (auto it = table.rbegin(); it != table.rend(); ++it)
        if (it->Make && it->Matches(control))
            return &*it;
    return nullptr;
}

const std::vector<WindowClassRow>& WindowClassTable()
{
    static const std::vector<WindowClassRow> table = {
        {"COMBOBOX", Wnd<TSkinWndComboBox>()},
        {"COMBOBOXEX32", Wnd<TSkinWndComboBox>()},
        {"BUTTON", Wnd<TSkinWndButton>()},
        {"BUTTON_CHECKBOX", Wnd<TSkinWndCheckBox>()},
        {"BUTTON_RADIOBUTTON", Wnd<TSkinWndRadioButton>()},
        {"SYSTABCONTROL32", Wnd<TSkinWndTabControl>()},
        {"TOOLBARWINDOW32", Wnd<TSkinWndToolbarWindow32>()},
    };
    return table;
}

const WindowClassRow* FindWindowClass(const std::string& key)
{
    for (const WindowClassRow& row : WindowClassTable())
        if (key == row.Key)
            return &row;
    return nullptr;
}

std::string WindowClassKey(HWND hwnd)
{
    char name[256] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    if (key == "BUTTON") {
        switch (style & BS_TYPEMASK) {
        case BS_GROUPBOX:
            return "";
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
            return "BUTTON_CHECKBOX";
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return "BUTTON_RADIOBUTTON";
        default:
            return key;
        }
    }
    if (key == "COMBOBOX" && (style & 3) == CBS_SIMPLE)
        return "";
    return key;
}

} // namespace korvane
