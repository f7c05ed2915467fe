#include "profiles/opSettingForm.h"

#include "app/FileNamesWin.h"
#include "app/MainForm.h"
#include "profiles/IniFile.h"
#include "profiles/IniProfileFile.h"
#include "profiles/ProfileArguments.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/SizeForm.h"
#include "ui/Error.h"

#include <windows.h>

namespace korvane {
namespace {

constexpr int kKeyWidth = ui::ValueListEditor::kDefaultKeyWidth;
constexpr int kValueWidth = 200;
constexpr int kListWidth = kKeyWidth + 1 + kValueWidth;
constexpr int kHeaderHeight = 18;
// Room for the default rows of all three groups without scrolling.
constexpr int kDefaultRows = 14;

// The editor's three lists as the argument builder and the saver read them.
class EditorLists : public ShownRows {
public:
    explicit EditorLists(const TopSettingForm& form) : form_(form) {}

    std::optional<std::string> ShownValue(std::int32_t sort, const std::string& key) const override
    {
        const ui::ValueListEditor* list = form_.ListOfGroup(sort);
        int row = 0;
        if (!list || !list->FindRow(key, row))
            return std::nullopt;
        return list->Value(row);
    }

    std::vector<std::string> PickItems(std::int32_t sort, const std::string& key) const override
    {
        const ui::ValueListEditor* list = form_.ListOfGroup(sort);
        int row = 0;
        if (!list || !list->FindRow(key, row) || list->ItemProps(row).Style != ui::esPickList)
            return {};
        return list->ItemProps(row).PickList;
    }

private:
    const TopSettingForm& form_;
};

int ExpandedHeight(const ui::ValueListEditor& list)
{
    return list.RowCount() * (list.RowHeight() + list.GridLineWidth());
}

} // namespace

TopSettingForm::TopSettingForm(Korvane& korvane) : ui::Form("TopSettingForm"), korvane_(korvane)
{
    korvane_.opSettingForm = this;
    SetCaption("Profile");
    SetBorderStyle(ui::bsDialog);
    SetBorderIcons(ui::biSystemMenu);
    SetPosition(ui::poMainFormCenter);

    const int areaWidth = GroupStack::OuterWidthFor(kListWidth);
    const int areaHeight = kDefaultRows * 18 + 3 * kHeaderHeight + 2 * ::GetSystemMetrics(SM_CYEDGE);
    const int right = 8 + areaWidth;
    SetClientSize(right + 8, 37 + areaHeight + 10 + 25 + 8);

    cmbProfile.Place(this, 8, 9, areaWidth - 96, 21);
    cmbProfile.SetStyle(ui::csDropDownList);
    cmbProfile.SetTabStop(true);
    btnSaveAs.Place(this, right - 90, 8, 90, 23);
    btnSaveAs.SetCaption("&Save as...");
    btnSaveAs.SetTabStop(true);

    ScrollBox1.Place(this, 8, 37, areaWidth, areaHeight);
    LayoutGroup(panVideo, btnVideo, vleVideo, "Video");
    LayoutGroup(panAudio, btnAudio, vleAudio, "Audio");
    LayoutGroup(panAdvanced, btnAdvanced, vleAdvanced, "Advanced");

    const int buttonsTop = 37 + areaHeight + 10;
    Button1.Place(this, right - 75 - 6 - 75, buttonsTop, 75, 25);
    Button1.SetCaption("&OK");
    Button1.SetDefault(true);
    Button1.SetTabStop(true);
    Button2.Place(this, right - 75, buttonsTop, 75, 25);
    Button2.SetCaption("&Cancel");
    Button2.SetCancel(true);
    Button2.SetTabStop(true);

    SaveDialog1.Filter = "Profiles (*.apf)|*.apf";
    SaveDialog1.DefaultExt = ".apf";
    // Replacing an existing profile is what "Save as" onto it means.
    SaveDialog1.Options = ui::ofHideReadOnly | ui::ofEnableSizing;

    OnCreate = ui::Handler(this, &TopSettingForm::FormCreate);
    OnShow = ui::Handler(this, &TopSettingForm::FormShow);
    cmbProfile.OnChange = ui::Handler(this, &TopSettingForm::cmbProfileChange);
    btnSaveAs.OnClick = ui::Handler(this, &TopSettingForm::btnSaveAsClick);
    Button1.OnClick = ui::Handler(this, &TopSettingForm::Button1Click);
    Button2.OnClick = ui::Handler(this, &TopSettingForm::Button2Click);
    btnVideo.OnClick = ui::Handler(this, &TopSettingForm::btnVideoClick);
    btnAudio.OnClick = ui::Handler(this, &TopSettingForm::btnAudioClick);
    btnAdvanced.OnClick = ui::Handler(this, &TopSettingForm::btnAdvancedClick);
    vleVideo.OnStringsChange = ui::Handler(this, &TopSettingForm::vleVideoStringsChange);
    vleVideo.OnDrawCell = ui::Handler(this, &TopSettingForm::vleVideoDrawCell);
    vleAudio.OnDrawCell = ui::Handler(this, &TopSettingForm::vleAudioDrawCell);
    vleAdvanced.OnDrawCell = ui::Handler(this, &TopSettingForm::vleAdvancedDrawCell);
    vleVideo.OnMouseDown = ui::Handler(this, &TopSettingForm::vleVideoMouseDown);
    vleAudio.OnMouseDown = ui::Handler(this, &TopSettingForm::vleAudioMouseDown);
    vleAdvanced.OnMouseDown = ui::Handler(this, &TopSettingForm::vleAdvancedMouseDown);

    // What the editor shows until the first profile replaces it.
    for (const char* key : {"Video Codec", "Video Size", "Bit Rate", "Frame Rate", "Aspect", "Disable Video"})
        vleVideo.InsertRow(key, "", true);
    for (const char* key : {"Audio Codec", "Audio Bitrate", "Sample Rate", "Channels", "Volumn", "Disable Audio"})
        vleAudio.InsertRow(key, "", true);
    for (const char* key : {"Bit Exact Algorithms", "Deinterlace"})
        vleAdvanced.InsertRow(key, "", true);
    for (ui::ValueListEditor* list : {&vleVideo, &vleAudio, &vleAdvanced})
        list->SetHeight(ExpandedHeight(*list));
    ScrollBox1.Arrange();
}

void TopSettingForm::LayoutGroup(GroupHeader& header, ui::Button& button, ui::ValueListEditor& list,
                                 const char* caption)
{
    header.Place(&ScrollBox1, 0, 0, kListWidth, kHeaderHeight);
    header.SetCaption(std::string("      ") + caption);
    button.Place(&header, 3, 3, 12, 12);
    button.SetCaption("-");
    button.SetTabStop(true);
    list.Place(&ScrollBox1, 0, 0, kListWidth, 18);
    list.SetColWidth(0, kKeyWidth);
}

ui::ValueListEditor* TopSettingForm::ListOfGroup(int sort)
{
    switch (sort) {
    case pgVideo: return &vleVideo;
    case pgAudio: return &vleAudio;
    case pgAdvanced: return &vleAdvanced;
    default: return nullptr;
    }
}

const ui::ValueListEditor* TopSettingForm::ListOfGroup(int sort) const
{
    return const_cast<TopSettingForm*>(this)->ListOfGroup(sort);
}

std::string TopSettingForm::SelectedProfilePath() const
{
    return ProfilePath(korvane_.ProgramDir, cmbProfile.Text());
}

// --- profiles ----------------------------------------------------------------------------

void TopSettingForm::LoadProfileIntoEditor(const std::string& path)
{
    if (!FileExists(path))
        return;
    chosenProfile_.clear();
    const StartupStepScope step(korvane_, StartupStep::ProfileEditorFilled);
    vleVideo.Clear();
    vleAudio.Clear();
    vleAdvanced.Clear();
    const IniProfileFile profile(path);
    korvane_.OutputExtension = ReadOutputExtension(profile);
    for (const EditorRow& row : ProfileEditorRows(profile)) {
        ui::ValueListEditor* list = ListOfGroup(row.Sort);
        const int index = list->InsertRow(row.Key, "", true);
        ui::ItemProp props;
        props.ReadOnly = row.ReadOnly;
        props.Style = row.PickList ? ui::esPickList : ui::esSimple;
        props.PickList = row.Items;
        list->SetItemProps(index, std::move(props));
        list->SetValue(index, row.Value);
    }
    for (ui::ValueListEditor* list : {&vleVideo, &vleAudio, &vleAdvanced})
        list->SetHeight(ExpandedHeight(*list));
    ScrollBox1.Arrange();
}

void TopSettingForm::ChooseProfile(const std::string& path)
{
    if (!FileExists(path))
        return;
    // An open editor shows the choice at once.
    if (Visible()) {
        LoadProfileIntoEditor(path);
        return;
    }
    korvane_.OutputExtension = ReadOutputExtension(IniProfileFile(path));
    chosenProfile_ = path;
}

void TopSettingForm::LoadChosenProfile()
{
    // The file is read as it is now: a profile changed since it was chosen
    // shows what a later load would show.
    if (!chosenProfile_.empty())
        LoadProfileIntoEditor(std::string(chosenProfile_));
}

void TopSettingForm::SaveEditorToProfile(const std::string& path)
{
    LoadChosenProfile();
    IniProfileFile profile(path);
    SaveShownValues(profile, EditorLists(*this));
}

void TopSettingForm::SaveProfileAs(const std::string& source, const std::string& target)
{
    if (!FileExists(source))
        return;
    // A failed copy onto an existing file (read-only, or the source itself)
    // is reported by the writes that follow.
    if (!::CopyFileA(source.c_str(), target.c_str(), FALSE) && !FileExists(target))
        throw ui::Error("Unable to write to " + target);
    SaveEditorToProfile(target);
}

void TopSettingForm::BuildProfileArguments(const std::string& path, std::string& text)
{
    if (!FileExists(path))
        return;
    LoadChosenProfile();
    const IniProfileFile profile(path);
    korvane::BuildProfileArguments(profile, EditorLists(*this), text);
}

std::string TopSettingForm::BuildArguments(const std::string& path)
{
    std::string text;
    BuildProfileArguments(path, text);
    return text;
}

// --- handlers ------------------------------------------------------------------------------

void TopSettingForm::FormCreate(ui::Component&)
{
    if (korvane_.MainForm)
        cmbProfile.SetItems(korvane_.MainForm->cmbProfile.Items());
    cmbProfile.SetItemIndex(-1);
}

void TopSettingForm::FormShow(ui::Component&)
{
    LoadChosenProfile();
}

void TopSettingForm::ShowFor(int mainIndex)
{
    Show();
    if (cmbProfile.ItemIndex() != mainIndex) {
        cmbProfile.SetItemIndex(mainIndex);
        cmbProfileChange(cmbProfile);
    }
}

void TopSettingForm::cmbProfileChange(ui::Component&)
{
    LoadProfileIntoEditor(SelectedProfilePath());
}

void TopSettingForm::btnSaveAsClick(ui::Component&)
{
    // Profiles are listed from Profiles\ only; the current folder may be
    // anywhere by now (the open dialog moves it).
    SaveDialog1.InitialDir = korvane_.ProgramDir + "Profiles\\";
    SaveDialog1.FileName.clear();
    if (SaveDialog1.Execute())
        SaveProfileAs(SelectedProfilePath(), SaveDialog1.FileName);
}

void TopSettingForm::Button1Click(ui::Component&)
{
    const std::string path = SelectedProfilePath();
    if (FileExists(path)) {
        // The file always keeps "Original Size"; the size chosen stays in
        // force for this run.
        int row = 0;
        if (vleVideo.FindRow("Video Size", row)) {
            const std::string chosen = vleVideo.Value(row);
            vleVideo.SetValue(row, "Original Size");
            try {
                SaveEditorToProfile(path);
            } catch (...) {
                vleVideo.SetValue(row, chosen);
                throw;
            }
            vleVideo.SetValue(row, chosen);
        } else {
            SaveEditorToProfile(path);
        }
    }
    Close();
}

void TopSettingForm::Button2Click(ui::Component&)
{
    Close();
    LoadProfileIntoEditor(SelectedProfilePath());
}

void TopSettingForm::ToggleGroup(ui::Button& button, ui::ValueListEditor& list)
{
    if (button.Caption() != "+") {
        list.SetHeight(1);
        button.SetCaption("+");
    } else {
        list.SetHeight(ExpandedHeight(list) + 1);
        button.SetCaption("-");
    }
    ScrollBox1.Arrange();
}

void TopSettingForm::btnVideoClick(ui::Component&)
{
    ToggleGroup(btnVideo, vleVideo);
}

void TopSettingForm::btnAudioClick(ui::Component&)
{
    ToggleGroup(btnAudio, vleAudio);
}

void TopSettingForm::btnAdvancedClick(ui::Component&)
{
    ToggleGroup(btnAdvanced, vleAdvanced);
}

void TopSettingForm::vleVideoStringsChange(ui::Component&)
{
    if (vleVideo.Cells(0, vleVideo.Row()) == "Video Size" && vleVideo.Values("Video Size") == "Custom Size" &&
        korvane_.SizeForm)
        korvane_.SizeForm->Show();
}

void TopSettingForm::DrawListCell(ui::ValueListEditor& list, ui::Canvas& canvas, int col, int row,
                                  const RECT& rect)
{
    if (col == 1) {
        // The current value keeps the window colour instead of the selection
        // highlight; fixed texts the user cannot change are silver.
        const ui::ItemProp& props = list.ItemProps(row);
        const bool silver = props.ReadOnly && props.Style != ui::esPickList;
        canvas.FillRect(rect, ui::clWindow);
        canvas.SetTextColor(silver ? kReadOnlyText : ui::clBlack);
        list.DrawCellText(canvas, rect, list.Cells(1, row));
        return;
    }
    if (row != list.Row())
        return;
    // The current row's key shows which list has the keyboard.
    const bool focused = list.HasFocus();
    canvas.FillRect(rect, focused ? kCurrentKey : ui::clWindow);
    canvas.SetTextColor(focused ? ui::clWhite : ui::clBlack);
    list.DrawCellText(canvas, rect, list.Cells(0, row));
}

void TopSettingForm::vleVideoDrawCell(ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row,
                                      const RECT& rect, ui::GridDrawState)
{
    DrawListCell(sender, canvas, col, row, rect);
}

void TopSettingForm::vleAudioDrawCell(ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row,
                                      const RECT& rect, ui::GridDrawState)
{
    DrawListCell(sender, canvas, col, row, rect);
}

void TopSettingForm::vleAdvancedDrawCell(ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row,
                                         const RECT& rect, ui::GridDrawState)
{
    DrawListCell(sender, canvas, col, row, rect);
}

void TopSettingForm::RepaintLists()
{
    vleVideo.Repaint();
    vleAudio.Repaint();
    vleAdvanced.Repaint();
}

void TopSettingForm::vleVideoMouseDown(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    RepaintLists();
}

void TopSettingForm::vleAudioMouseDown(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    RepaintLists();
}

void TopSettingForm::vleAdvancedMouseDown(ui::Control&, ui::MouseButton, ui::ShiftState, int, int)
{
    RepaintLists();
}

} // namespace korvane
