#include "tests/support/StandIn.h"

#include "tests/support/WinePath.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

namespace korvane::testing {

void RescriptStandIn(const std::string& folder, const std::string& script)
{
    std::ofstream out(folder + "\\stand-in.txt", std::ios::binary | std::ios::trunc);
    out << script;
    EXPECT_TRUE(out.good()) << "the stand-in's script was not written into " << folder;
}

void PutStandIn(const std::string& folder, const std::string& role, const std::string& script)
{
    const std::string standIn = WinePath(KORVANE_STAND_IN_CONVERTER);
    const std::string place = folder + "\\" + role;
    EXPECT_TRUE(MoveFileA(place.c_str(), (folder + "\\real-" + role).c_str())) << "no " << place << " to replace";
    EXPECT_TRUE(CopyFileA(standIn.c_str(), place.c_str(), FALSE)) << "the stand-in was not copied to " << place;
    RescriptStandIn(folder, script);
}

} // namespace korvane::testing
