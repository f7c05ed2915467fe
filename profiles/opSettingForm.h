#pragma once
// The profile editor: shows the choices of one profile in three groups
// (Video, Audio, Advanced), saves them into the profile file or a copy of it,
// and is the program's live copy of the current profile's choices: the
// converter arguments of the next job are built from what its lists show, and
// loading a profile into it fixes the output extension.
#include "app/Korvane.h"
#include "profiles/GroupStack.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/ValueListEditor.h"

#include <string>

namespace korvane {

class TopSettingForm : public ui::Form {
public:
    explicit TopSettingForm(Korvane& korvane);

    // Replaces the rows of the three lists with the parameters of the profile
    // file and sets the output extension; a missing file changes nothing.
    void LoadProfileIntoEditor(const std::string& path);
    // The same, except that the lists of a hidden editor take the profile's
    // rows only when they are first needed: when the editor is shown, or when
    // something reads or saves its choices (LoadChosenProfile). The output
    // extension is set at once.
    void ChooseProfile(const std::string& path);
    // Fills the lists with the profile ChooseProfile named, if it still waits.
    void LoadChosenProfile();
    // Writes the shown choices into the profile file (structure read from it).
    void SaveEditorToProfile(const std::string& path);
    // Copies the source profile onto the target, then saves the shown choices
    // into the copy; nothing happens when the source does not exist.
    void SaveProfileAs(const std::string& source, const std::string& target);
    // Appends the converter arguments of the profile at `path`, with the
    // choices the lists show now, to text.
    void BuildProfileArguments(const std::string& path, std::string& text);
    // The same, starting from an empty text.
    std::string BuildArguments(const std::string& path);
    // "Detail": shows the editor on the main window's profile.
    void ShowFor(int mainIndex);

    // --- controls ----------------------------------------------------------------------
    ui::ComboBox& cmbProfile = MakeNamed<ui::ComboBox>("cmbProfile");
    ui::Button& btnSaveAs = MakeNamed<ui::Button>("btnSaveAs");
    GroupStack& ScrollBox1 = MakeNamed<GroupStack>("ScrollBox1");
    GroupHeader& panVideo = MakeNamed<GroupHeader>("panVideo");
    ui::Button& btnVideo = MakeNamed<ui::Button>("btnVideo");
    ui::ValueListEditor& vleVideo = MakeNamed<ui::ValueListEditor>("vleVideo");
    GroupHeader& panAudio = MakeNamed<GroupHeader>("panAudio");
    ui::Button& btnAudio = MakeNamed<ui::Button>("btnAudio");
    ui::ValueListEditor& vleAudio = MakeNamed<ui::ValueListEditor>("vleAudio");
    GroupHeader& panAdvanced = MakeNamed<GroupHeader>("panAdvanced");
    ui::Button& btnAdvanced = MakeNamed<ui::Button>("btnAdvanced");
    ui::ValueListEditor& vleAdvanced = MakeNamed<ui::ValueListEditor>("vleAdvanced");
    ui::Button& Button1 = MakeNamed<ui::Button>("Button1");
    ui::Button& Button2 = MakeNamed<ui::Button>("Button2");
    ui::SaveDialog& SaveDialog1 = MakeNamed<ui::SaveDialog>("SaveDialog1");

    // --- event handlers --------------------------------------------------------------
    void FormCreate(ui::Component& sender);
    void FormShow(ui::Component& sender);
    void cmbProfileChange(ui::Component& sender);
    void btnSaveAsClick(ui::Component& sender);
    void Button1Click(ui::Component& sender);
    void Button2Click(ui::Component& sender);
    void btnVideoClick(ui::Component& sender);
    void btnAudioClick(ui::Component& sender);
    void btnAdvancedClick(ui::Component& sender);
    void vleVideoStringsChange(ui::Component& sender);
    void vleVideoDrawCell(ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row, const RECT& rect,
                          ui::GridDrawState state);
    void vleAudioDrawCell(ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row, const RECT& rect,
                          ui::GridDrawState state);
    void vleAdvancedDrawCell(ui::ValueListEditor& sender, ui::Canvas& canvas, int col, int row,
                             const RECT& rect, ui::GridDrawState state);
    void vleVideoMouseDown(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void vleAudioMouseDown(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);
    void vleAdvancedMouseDown(ui::Control& sender, ui::MouseButton button, ui::ShiftState shift, int x, int y);

    // The list of a parameter group ("Sort" 1, 2, 3), null for any other.
    ui::ValueListEditor* ListOfGroup(int sort);
    const ui::ValueListEditor* ListOfGroup(int sort) const;

    static constexpr COLORREF kReadOnlyText = RGB(192, 192, 192);
    static constexpr COLORREF kCurrentKey = RGB(49, 106, 197);

private:
    std::string SelectedProfilePath() const;
    void LayoutGroup(GroupHeader& header, ui::Button& button, ui::ValueListEditor& list, const char* caption);
    void ToggleGroup(ui::Button& button, ui::ValueListEditor& list);
    void DrawListCell(ui::ValueListEditor& list, ui::Canvas& canvas, int col, int row, const RECT& rect);
    void RepaintLists();

    Korvane& korvane_;
    // The profile chosen for the lists and not yet put into them, or "".
    std::string chosenProfile_;
};

} // namespace korvane
