// The shipped converter front-end (wmaspi.dll) with its engine, started the
// way the main program starts it, on media the test build makes.
#include <gtest/gtest.h>
#include <windows.h>
#include "tests/support/ChildProcess.h"
#include "tests/support/FilesMatching.h"
#include "tests/support/FreshFolder.h"
#include "tests/support/Processes.h"
#include "tests/support/WinePath.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::wstring kDist = korvane::testing::WideWinePath(KORVANE_DIST_DIR);
const std::wstring kMedia = korvane::testing::WideWinePath(KORVANE_CONVERTER_MEDIA_DIR);

using Process = korvane::testing::ChildProcess;

struct Outcome {
    DWORD exitCode;
    std::string output;
    std::string lastLine;
};

Outcome Convert(const std::wstring& commandLine)
{
    Process p;
    EXPECT_TRUE(p.Start(kDist + L"\\wmaspi.dll", commandLine));
    const DWORD code = p.Finish();
    return Outcome{code, p.output, p.LastLine()};
}

// What the engine prints about a media file's streams.
std::string Probe(const std::wstring& path)
{
    Process p;
    EXPECT_TRUE(p.Start(kDist + L"\\kvengine.exe", L" -hide_banner -i \"" + path + L"\""));
    p.Finish();
    return p.output;
}

// The engine's complaints when it decodes the whole file; empty when clean.
std::string DecodeErrors(const std::wstring& path)
{
    Process p;
    // Pictures limited as the converter limits them: the AV1 decoder would
    // otherwise say at the level of an error that it lowered its own limit.
    EXPECT_TRUE(p.Start(kDist + L"\\kvengine.exe", L" -v error -max_pixels 67108864 -i \"" + path + L"\" -f null -"));
    p.Finish();
    return p.output;
}

// Text the test writes in plain ASCII, as a narrow string.
std::string Ascii(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A fresh folder of the test's own, named for what it holds, removed with
// what is in it when the test ends.
class Scratch {
public:
    explicit Scratch(const std::wstring& name)
    {
        const std::wstring parent = korvane::testing::WideWinePath(KORVANE_BINARY_DIR "/tests/converter/scratch");
        CreateDirectoryW(parent.c_str(), nullptr);
        path_ = korvane::testsupport::MakeFreshFolder(parent + L"\\", name + L"-");
        EXPECT_FALSE(path_.empty()) << "no fresh folder for " << Ascii(name);
    }
    ~Scratch() { Remove(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::wstring& path() const { return path_; }

private:
    static void Remove(const std::wstring& folder)
    {
        if (folder.empty())
            return;
        WIN32_FIND_DATAW found{};
        const HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(h, &found));
            FindClose(h);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};


// The processes running the given program file.
std::vector<DWORD> ProcessesOf(const std::wstring& image)
{
    std::vector<DWORD> found;
    for (const korvane::testing::ProcessEntry& process : korvane::testing::Processes())
        if (lstrcmpiW(process.image.c_str(), image.c_str()) == 0)
            found.push_back(process.id);
    return found;
}

} // namespace

// Paths with blanks and letters outside any ANSI code page, numbers with a
// decimal comma, and a picture of odd size for an encoder that needs an even one.
TEST(ConverterProgram, CutsAnOddSizedSourceBetweenUnicodePathsWithCommaNumbers)
{
    const Scratch scratch(L"Urlaub am See \u00e4\u00df \u65e5\u672c \u0416");
    const std::wstring folder = scratch.path();
    const std::wstring source = folder + L"\\Quelle \u00e4 \u65e5.avi";
    ASSERT_TRUE(CopyFileW((kMedia + L"\\odd.avi").c_str(), source.c_str(), FALSE));
    const std::wstring output = folder + L"\\Quelle \u00e4 \u65e5_Clip1.mp4";
    DeleteFileW(output.c_str());

    const Outcome r = Convert(L" -y -i \"" + source + L"\" -ss 1,0 -t 2,5 -vcodec libx264 -pix_fmt yuv420p -acodec aac"
                          L" -vf hflip -vf vflip \"" + output + L"\"");

    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_NE(r.output.find("time=2"), std::string::npos) << "progress in plain seconds: " << r.output;
    const std::string probe = Probe(output);
    EXPECT_NE(probe.find("Duration: 00:00:02.5"), std::string::npos) << probe;
    EXPECT_NE(probe.find(", 852x478"), std::string::npos) << probe;
    EXPECT_EQ(DecodeErrors(output), "");
}

TEST(ConverterProgram, FailsWithANonZeroCodeAndTheEnginesReasonLast)
{
    const std::wstring source = kMedia + L"\\odd.avi";
    const Scratch scratch(L"failing");
    const std::wstring output = scratch.path() + L"\\out.avi";

    Outcome r = Convert(L" -y -i \"" + source + L"\" -ss 0,0 -t 1 -vcodec nosuchcodec \"" + output + L"\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.lastLine, "Unknown encoder 'nosuchcodec'") << r.output;

    r = Convert(L" -y -i \"" + source + L"\" -ss 60 -t 1 \"" + output + L"\"");
    EXPECT_EQ(r.exitCode, 1u) << "a clip after the source's end is no clip";
    EXPECT_EQ(r.lastLine, "Nothing was converted: the clip starts after the end of the source.") << r.output;

    r = Convert(L" -y -i \"" + source + L"\" -ss 0,0 -t 1 \"" + scratch.path() + L"\\no such folder\\out.avi\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.lastLine, "out.avi: No such file or directory") << r.output;

    r = Convert(L" -y -i \"" + source + L"\" -ss 1;5 -t 1 \"" + output + L"\"");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_EQ(r.lastLine, "Cannot understand the command line: The start offset '1;5' is not a number of seconds.");

    // A playlist dressed as a video is not followed to the file it names.
    r = Convert(L" -y -i \"" + kMedia + L"\\playlist.avi\" -ss 0,0 -t 1 -c copy \"" + output + L"\"");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.lastLine, "playlist.avi is not a video file this program can read.") << r.output;
    r = Convert(L" -y -i \"" + source + L"\" -ss 0,0 -t 1 -passlogfile C:\\x \"" + output + L"\"");
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.lastLine.find("-passlogfile"), std::string::npos) << r.output;
}

// A camera's file (time code, B-pictures, a subtitle track) copied from
// between two keyframes, with the profile's aspect, into a folder typed with
// forward slashes: the clip lasts as long as marked, its time code names its
// first picture, it keeps its lines and decodes cleanly.
TEST(ConverterProgram, CopiesACameraFileWithItsTimeCodeAndLines)
{
    const Scratch scratch(L"camera copy");
    std::wstring folder = scratch.path();
    for (wchar_t& c : folder)
        if (c == L'\\')
            c = L'/';
    const std::wstring output = folder + L"/camera_Clip1.mp4";
    DeleteFileW(output.c_str());

    const Outcome r = Convert(L" -y -i \"" + kMedia + L"\\camera.mp4\" -ss 4,337 -t 4,831 -aspect 16:9 -c copy"
                              L" -cutstart keyframe \"" + output + L"\"");

    ASSERT_EQ(r.exitCode, 0u) << r.output;
    const std::string probe = Probe(output);
    EXPECT_NE(probe.find("Duration: 00:00:04.83"), std::string::npos) << probe;
    EXPECT_NE(probe.find("timecode        : 01:00:04:08"), std::string::npos) << probe;
    EXPECT_NE(probe.find("DAR 16:9"), std::string::npos) << probe;
    EXPECT_NE(probe.find("Subtitle: mov_text"), std::string::npos) << probe;
    EXPECT_EQ(DecodeErrors(output), "");

    // Encoded, the clip's time code names its first picture too, its line of
    // 5-6 s is shown at 0.663-1.663 s, and nothing outlasts its 2 s.
    const Outcome encoded = Convert(L" -y -i \"" + kMedia + L"\\camera.mp4\" -ss 4,337 -t 2 -vcodec libx264"
                                    L" -acodec aac \"" + output + L"\"");
    ASSERT_EQ(encoded.exitCode, 0u) << encoded.output;
    const std::string encodedProbe = Probe(output);
    EXPECT_NE(encodedProbe.find("timecode        : 01:00:04:08"), std::string::npos) << encodedProbe;
    EXPECT_NE(encodedProbe.find("Duration: 00:00:02.0"), std::string::npos) << encodedProbe;
    EXPECT_NE(encodedProbe.find("Subtitle: mov_text"), std::string::npos) << encodedProbe;
    // The text samples: "0, <dts>, <pts>, <duration>, <size>, <crc>" after "#tb 0: 1/<ticks a second>".
    Process lines;
    ASSERT_TRUE(lines.Start(kDist + L"\\kvengine.exe", L" -v error -i \"" + output
                            + L"\" -map 0:s:0 -c copy -f framecrc -"));
    lines.Finish();
    bool two = false;
    double tick = 0;
    std::istringstream text(lines.output);
    for (std::string line; std::getline(text, line);) {
        long num = 0, den = 0, stream = -1, dts = 0, pts = 0, duration = 0, size = 0;
        if (std::sscanf(line.c_str(), "#tb 0: %ld/%ld", &num, &den) == 2 && den > 0)
            tick = static_cast<double>(num) / den;
        if (std::sscanf(line.c_str(), "%ld, %ld, %ld, %ld, %ld", &stream, &dts, &pts, &duration, &size) != 5)
            continue;
        EXPECT_LE((pts + duration) * tick, 2.001) << line;
        two = two || (size > 2 && std::abs(pts * tick - 0.663) < 0.002 && std::abs(duration * tick - 1) < 0.002);
    }
    EXPECT_TRUE(two) << lines.output;
    EXPECT_EQ(GetFileAttributesW((output + L".lines.mp4").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the converter's own file is gone";
}

// AV1 in Matroska with Opus sound, as the web stores it: encoded with the MP4
// profile's defaults and copied, each clip decodes cleanly and lasts as long
// as asked.
TEST(ConverterProgram, CutsAnAv1SourceInMatroska)
{
    const Scratch scratch(L"av1");
    const std::wstring folder = scratch.path();
    const std::wstring source = kMedia + L"\\av1.mkv";
    struct Case {
        const wchar_t* options;
        const wchar_t* output;
        const char* video;
        const char* audio;
        const char* duration;  // a copy starts at the keyframe before 1.5 s, at 1 s
    };
    for (const Case& c : {Case{L" -vcodec libx264 -pix_fmt yuv420p -crf 23 -acodec aac -movflags +faststart", L"av1.mp4",
                               "Video: h264", "Audio: aac", "Duration: 00:00:01.0"},
                          Case{L" -c copy", L"av1.mkv", "Video: av1", "Audio: opus", "Duration: 00:00:01.5"}}) {
        const std::wstring output = folder + L"\\" + c.output;
        DeleteFileW(output.c_str());
        const Outcome r = Convert(L" -y -i \"" + source + L"\" -ss 1.5 -t 1" + c.options + L" \"" + output + L"\"");
        EXPECT_EQ(r.exitCode, 0u) << r.output;
        const std::string probe = Probe(output);
        EXPECT_NE(probe.find(c.video), std::string::npos) << probe;
        EXPECT_NE(probe.find(c.audio), std::string::npos) << probe;
        EXPECT_NE(probe.find(c.duration), std::string::npos) << probe;
        EXPECT_EQ(DecodeErrors(output), "");
    }
}

// Every way a profile has been seen to reach other files, tried against the
// engine as built: each is refused, by the front-end with its reason or by
// the engine, which has no part to act on it; no clip and no other file is
// written. The engine reads and writes local files and its own pipes only.
TEST(ConverterProgram, RefusesEveryWayToOtherFiles)
{
    const Scratch scratch(L"ways-in");
    const std::wstring folder = scratch.path();
    const std::wstring source = kMedia + L"\\odd.avi";
    const std::wstring secret = folder + L"\\secret.avi";
    ASSERT_TRUE(CopyFileW(source.c_str(), secret.c_str(), FALSE));
    std::wstring secretForFilters = secret;  // C\:/.../secret.avi, as a filter's option reads it
    for (wchar_t& c : secretForFilters)
        if (c == L'\\')
            c = L'/';
    secretForFilters.insert(1, L"\\");
    struct Way {
        std::wstring options;
        DWORD exitCode;
        const char* reason;  // found in the last line
        const wchar_t* output = L"out.avi";
    };
    const Way ways[] = {
        {L" -vf \"movie=" + secretForFilters + L"[w];[in][w]overlay\"", 1, "No such filter: 'movie'"},
        {L" -vf \"'movie'=" + secretForFilters + L"[w];[in][w]overlay\"", 1, "No such filter: 'movie'"},
        {L" -vf \"mo\\vie=" + secretForFilters + L"[w];[in][w]overlay\"", 1, "No such filter"},
        {L" -vf nnedi=C\\:/any.bin", 1, "No such filter: 'nnedi'"},
        {L" -vf nnedi", 1, "No such filter: 'nnedi'"},
        {L" -af amovie=" + secretForFilters, 1, "No such filter: 'amovie'"},
        {L" -vf subtitles=" + secretForFilters, 1, "No such filter: 'subtitles'"},
        {L" -vf drawtext=textfile=" + secretForFilters, 1, "No such filter: 'drawtext'"},
        {L" -vf lut3d=file=" + secretForFilters, 1, "No such filter: 'lut3d'"},
        {L" -filter_complex \"movie=" + secretForFilters + L"[w];[0:v][w]overlay\"", 1, "No such filter: 'movie'"},
        {L" -f segment", 1, "'segment' is not a suitable output format"},
        {L" -f image2", 1, "'image2' is not a suitable output format"},
        {L" -f hls", 1, "'hls' is not a suitable output format"},
        {L" -f tee", 1, "'tee' is not a suitable output format"},
        {L"", 1, "suitable output format", L"out%03d.png"},
        {L"", 1, "suitable output format", L"out.m3u8"},
        {L" -vcodec libx264 -flags 512", 2, "-flags 512"},
        {L" -vcodec libx264 -flags:v 0x200", 2, "-flags:v 0x200"},
        {L" -vcodec libx264 -x264-params \"st\\ats=x.log:pass=1\"", 2, "(stats)"},
        {L" -vcodec libx264 -x264opts no-dump_yuv=0", 2, "(dump-yuv)"},
        {L" -attach " + secret, 2, "-attach"},
        {L" -filter_script g.txt", 2, "-filter_script"},
    };
    for (const Way& way : ways) {
        const std::wstring output = folder + L"\\" + way.output;
        const Outcome r = Convert(L" -y -i \"" + source + L"\" -ss 0,0 -t 1" + way.options + L" \"" + output + L"\"");
        const std::string said = "\n" + Ascii(way.options) + ": " + r.output;
        EXPECT_EQ(r.exitCode, way.exitCode) << said;
        EXPECT_NE(r.lastLine.find(way.reason), std::string::npos) << said;
        // No way in makes the clip, nor anything beside it: the engine may
        // leave the clip's file empty (the main program removes it).
        for (const std::string& name : korvane::testing::FilesMatching(Ascii(folder) + "\\*")) {
            if (name == "." || name == ".." || name == "secret.avi")
                continue;
            const std::string path = Ascii(folder) + "\\" + name;
            WIN32_FILE_ATTRIBUTE_DATA data{};
            const bool emptyClip = name == Ascii(way.output) && GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)
                && data.nFileSizeLow == 0 && data.nFileSizeHigh == 0;
            if (!emptyClip)
                ADD_FAILURE() << "written: " << name << said;
            DeleteFileA(path.c_str());
        }
    }

    Process protocols;
    ASSERT_TRUE(protocols.Start(kDist + L"\\kvengine.exe", L" -hide_banner -protocols"));
    protocols.Finish();
    std::string listed;
    for (char c : protocols.output)
        if (c != '\r')
            listed += c == '\n' ? ' ' : c;
    EXPECT_EQ(listed, "Supported file protocols: Input:   file   pipe Output:   file   pipe ");
}

// Cancel and closing the window terminate the front-end; its engine must not
// go on writing a clip nobody waits for.
TEST(ConverterProgram, TheEngineEndsWhenTheFrontEndIsTerminated)
{
    const Scratch scratch(L"killed");
    const std::wstring output = scratch.path() + L"\\long.avi";
    Process p;
    // Reading at the source's own pace keeps the engine busy for seconds.
    ASSERT_TRUE(p.Start(kDist + L"\\wmaspi.dll",
                        L" -y -re -i \"" + kMedia + L"\\gop.mp4\" -ss 0,0 -t 20 -vcodec mpeg4 \"" + output + L"\""));
    ASSERT_TRUE(p.ReadSome());
    DWORD engineId = 0;
    for (int i = 0; i < 100 && !engineId; ++i, Sleep(50))
        engineId = korvane::testing::ChildOf(p.Id(), L"kvengine.exe");
    ASSERT_NE(engineId, 0u);
    HANDLE engine = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, engineId);
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(WaitForSingleObject(engine, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    TerminateProcess(p.Handle(), 4);

    const DWORD ended = WaitForSingleObject(engine, 5000);
    if (ended != WAIT_OBJECT_0)
        TerminateProcess(engine, 99);
    CloseHandle(engine);
    EXPECT_EQ(ended, static_cast<DWORD>(WAIT_OBJECT_0));
}

// Cancel right after a clip starts terminates the front-end while it may be
// starting its engine: the engine must not be left behind, suspended and
// outside of what ends it. The front-end is terminated at once, the moment
// its engine is listed among the system's processes (its start is then under
// way: the process exists before it runs), and once it has written its first
// progress. Wine's job leaves out a process whose start is not finished when
// the job ends (Windows does not): such an engine runs its clip, here one
// second of it, and ends.
TEST(ConverterProgram, TheEngineEndsWhenTheFrontEndIsTerminatedWhileStartingIt)
{
    // A program folder of its own: any engine running from it is this test's.
    // Named for this run: a run before may have left its files there, and
    // while a test beside this one runs the build's front-end, its links
    // cannot be replaced.
    const Scratch scratch(L"early-cancel");
    const std::wstring program = scratch.path();
    for (const wchar_t* name : {L"wmaspi.dll", L"kvengine.exe"}) {
        const std::wstring from = kDist + L"\\" + name;
        const std::wstring to = program + L"\\" + name;
        if (!CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
            ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << "the program was not put in " << program;
        }
    }
    const std::wstring engine = program + L"\\kvengine.exe";
    const std::wstring commandLine =
        L" -y -i \"" + kMedia + L"\\gop.mp4\" -ss 0,0 -t 1 -vcodec mpeg4 \"" + program + L"\\early.avi\"";
    enum class Moment { AtOnce, EngineListed, FirstProgress };
    const char* const names[] = {"at once", "when its engine was listed", "after its first progress"};
    for (Moment moment : {Moment::AtOnce, Moment::EngineListed, Moment::FirstProgress}) {
        for (int round = 0; round < 3; ++round) {
            {
                Process p;
                ASSERT_TRUE(p.Start(program + L"\\wmaspi.dll", commandLine));
                if (moment == Moment::EngineListed) {
                    const DWORD until = GetTickCount() + 20000;
                    while (korvane::testing::ChildOf(p.Id(), L"kvengine.exe") == 0 && GetTickCount() < until) {
                    }
                    ASSERT_NE(korvane::testing::ChildOf(p.Id(), L"kvengine.exe"), 0u) << "no engine came in 20 s";
                } else if (moment == Moment::FirstProgress) {
                    ASSERT_TRUE(p.ReadSome()) << "the front-end ended without a word";
                }
                TerminateProcess(p.Handle(), 4);
                WaitForSingleObject(p.Handle(), 5000);
            }
            std::vector<DWORD> left = ProcessesOf(engine);
            for (int i = 0; i < 50 && !left.empty(); ++i, Sleep(100))
                left = ProcessesOf(engine);
            EXPECT_TRUE(left.empty()) << "an engine outlived its front-end terminated "
                                      << names[static_cast<int>(moment)];
            for (DWORD id : left) {
                HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, id);
                TerminateProcess(h, 99);
                CloseHandle(h);
            }
        }
    }
    for (const wchar_t* name : {L"wmaspi.dll", L"kvengine.exe", L"early.avi"})
        DeleteFileW((program + L"\\" + name).c_str());
    RemoveDirectoryW(program.c_str());
}
