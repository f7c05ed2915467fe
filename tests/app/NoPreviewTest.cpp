// A source the preview cannot show, on a system without the preview's
// decoders: ctest runs this with them switched off (a Wine DLL override in
// the test's environment, see tests/app/CMakeLists.txt). The file still loads,
// its length comes from the converter's engine, and a job cuts it.
#include "tests/app/KorvaneFixture.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvane::testing {
namespace {

class WithoutPreviewDecoders : public KorvaneTest {};

TEST_F(WithoutPreviewDecoders, ASourceLoadsWithItsLengthAndSplits)
{
    Preferences prefs;
    prefs.overwrite = true;
    WriteProfile("AVI video", "avi");
    Start(prefs);
    TMainForm& main = Main();
    ui::Guard([&] { main.LoadSource(SampleVideo()); });
    if (main.PreviewAvailable()) {
        if (std::getenv("KORVANE_DLL_OVERRIDES"))
            FAIL() << "the override " << std::getenv("KORVANE_DLL_OVERRIDES") << " left the preview its decoders";
        GTEST_SKIP() << "the preview's decoders are on; ctest runs this with them off";
    }

    // The render error, once, and the banner's line instead of a picture.
    ASSERT_EQ(dialogs.MessageBoxes().size(), 1u);
    EXPECT_EQ(dialogs.MessageBoxes()[0].Caption, "Korvane");
    EXPECT_EQ(dialogs.MessageBoxes()[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(main.panbanner.Visible());
    EXPECT_TRUE(main.labNoPreview.Visible());
    EXPECT_EQ(main.labNoPreview.Caption(), "No preview is available for this file.");
    EXPECT_EQ(main.edtSource.Text(), SampleVideo());

    // A time typed while the engine still reads is marked once the length is known.
    main.edtEnd.SetText("00:00:05");
    main.edtEndExit(main.edtEnd);
    ASSERT_TRUE(uitest::PumpUntil([&] { return main.labRight.Caption() != "00:00:00"; }, 1500));
    EXPECT_EQ(main.labRight.Caption(), "00:00:20");
    EXPECT_EQ(main.labMiddle.Caption(), "00:00:10");
    EXPECT_NEAR(main.SourceSeconds(), 20.0, 0.1);
    EXPECT_EQ(main.tkbProgress.SelEnd(), 5);

    main.edtStart.SetText("00:00:02");
    main.edtStartExit(main.edtStart);
    EXPECT_EQ(main.tkbProgress.SelStart(), 2);
    EXPECT_EQ(main.labLength.Caption(), "The length of the marked rang is 00:00:03");

    dialogs.ClearCalls();
    main.imgStartClick(main.imgStart);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Completed|Splitting is completed successfully."});
    EXPECT_EQ(VideoFrames(OutputDir() + "sample_Clip1.avi"), 75);
    // After the job the banner still says why there is no picture.
    EXPECT_TRUE(main.labNoPreview.Visible());
}

} // namespace
} // namespace korvane::testing
