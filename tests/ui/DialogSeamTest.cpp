// Every modal question goes through one seam that tests script.
#include "UiTestSupport.h"

namespace {

using namespace uitest;

class DialogSeam : public UiTest {};

TEST_F(DialogSeam, MessageBoxesAreRecordedAndAnsweredFromTheQueue)
{
    dialogs.QueueAnswer(IDNO);
    const int first = ui::ShowMessageBox("Do you want to cancel the splitting?", "Query",
                                         MB_YESNO | MB_ICONQUESTION);
    const int second = ui::ShowMessageBox("Splitting is completed successfully.", "Completed",
                                          MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(first, IDNO);
    EXPECT_EQ(second, IDOK);
    ASSERT_EQ(dialogs.Calls().size(), 2u);
    EXPECT_EQ(dialogs.Calls()[0].Text, "Do you want to cancel the splitting?");
    EXPECT_EQ(dialogs.Calls()[0].Caption, "Query");
    EXPECT_EQ(dialogs.Calls()[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(dialogs.Calls()[1].Result, IDOK);
    EXPECT_EQ(dialogs.Unanswered(), 1);
    EXPECT_EQ(dialogs.PendingAnswers(), 0u);
}

TEST_F(DialogSeam, UnscriptedBoxAnswersItsDefaultButton)
{
    struct Case {
        UINT flags;
        int answer;
    };
    for (const Case& c : {Case{MB_OK, IDOK}, Case{MB_YESNO, IDYES}, Case{MB_YESNO | MB_DEFBUTTON2, IDNO},
                          Case{MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL}, Case{MB_OKCANCEL, IDOK}})
        EXPECT_EQ(ui::DefaultButtonFor(c.flags), c.answer) << c.flags;
}

TEST_F(DialogSeam, MessageBoxIsOwnedByTheMainForm)
{
    auto& main = ui::App().CreateForm<TestForm>("TMainForm");
    ui::App().CreateForm<TestForm>("TSettingForm");
    ui::ShowMessageBox("text", "caption", MB_OK);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].Owner, main.Handle());
}

TEST_F(DialogSeam, OpenDialogTakesTheQueuedFileAndPassesItsSettings)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& dlg = form.MakeNamed<ui::OpenDialog>("OpenDialog1");
    dlg.Filter = "AVI Files (*.avi)|*.avi|All Files (*.*)|*.*";
    dlg.Title = "Open Video";
    dlg.Options |= ui::ofFileMustExist;
    dialogs.QueueFile("C:\\Videos\\clip.avi", 2);
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName, "C:\\Videos\\clip.avi");
    EXPECT_EQ(dlg.FilterIndex, 2);
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    const auto& call = dialogs.Calls()[0];
    EXPECT_EQ(call.What, ui::ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(call.Request.Filter, dlg.Filter);
    EXPECT_EQ(call.Request.FilterIndex, 1);
    EXPECT_EQ(call.Caption, "Open Video");
    EXPECT_TRUE(call.Flags & OFN_FILEMUSTEXIST);
    EXPECT_EQ(call.Owner, form.Handle());
}

TEST_F(DialogSeam, CancelledSaveDialogLeavesTheFileNameAlone)
{
    auto& form = ui::App().CreateForm<TestForm>();
    auto& dlg = form.MakeNamed<ui::SaveDialog>("SaveDialog1");
    dlg.FileName = "before.apf";
    dlg.DefaultExt = ".apf";
    dialogs.QueueFileCancel();
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.FileName, "before.apf");
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    EXPECT_EQ(dialogs.Calls()[0].What, ui::ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.Calls()[0].Request.DefaultExt, ".apf");
}

TEST_F(DialogSeam, FolderBrowserGoesThroughTheSeam)
{
    dialogs.QueueFolder("C:\\Output");
    std::string folder;
    EXPECT_TRUE(ui::BrowseForFolder(nullptr, "Select the output directory.", folder));
    EXPECT_EQ(folder, "C:\\Output");
    EXPECT_FALSE(ui::BrowseForFolder(nullptr, "Select the output directory.", folder));
    EXPECT_EQ(folder, "C:\\Output");
    ASSERT_EQ(dialogs.Calls().size(), 2u);
    EXPECT_EQ(dialogs.Calls()[1].Caption, "Select the output directory.");
}

TEST_F(DialogSeam, ScriptedDialogsStepAsideWhenTheyGo)
{
    ui::DialogService* outer = ui::App().InstalledDialogs();
    ASSERT_EQ(outer, &dialogs);
    {
        ui::ScriptedDialogs inner;
        EXPECT_EQ(&ui::App().Dialogs(), &inner);
        ui::ShowMessageBox("inner", "c", MB_OK);
        EXPECT_EQ(inner.Calls().size(), 1u);
    }
    EXPECT_EQ(&ui::App().Dialogs(), &dialogs);
    EXPECT_TRUE(dialogs.Calls().empty());
}

} // namespace
