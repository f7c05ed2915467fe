// The converter front-end's reading of the main program's command lines and
// of the engine's output, without the engine.
#include "converter/ClipRequest.h"
#include "converter/EngineGuard.h"
#include "converter/EngineReport.h"
#include "converter/KeyframeCut.h"
#include "converter/Tracks.h"
#include "converter/Verdict.h"
#include "split/CommandLine.h"
#include "split/ProgressParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace korvane::frontend;
using Words = std::vector<std::string>;

namespace {

const std::string kEven = "crop=trunc(iw/2)*2:trunc(ih/2)*2";

ClipRequest Read(std::string_view line)
{
    const ReadResult r = ReadClipRequest(ArgumentWords(line));
    EXPECT_TRUE(r.request) << line << ": " << r.error;
    return r.request.value_or(ClipRequest{});
}

// The engine's words without the input restrictions and the track choice,
// which tests of their own look at.
Words Plain(const Words& args)
{
    const Words restrictions = InputRestrictions();
    Words plain;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (std::equal(restrictions.begin(), restrictions.end(), args.begin() + static_cast<long>(i),
                       args.begin() + static_cast<long>(std::min(args.size(), i + restrictions.size())))) {
            i += restrictions.size() - 1;
        } else if ((args[i] == "-map" || args[i] == "-c:s" || args[i] == "-metadata:s:v" || args[i] == "-metadata")
                   && i + 1 < args.size()) {
            ++i;
        } else {
            plain.push_back(args[i]);
        }
    }
    return plain;
}

Words Engine(std::string_view line)
{
    return Plain(EngineArguments(Read(line)));
}

Words Tail(const Words& args, std::size_t from)
{
    return Words(args.begin() + static_cast<long>(from), args.end());
}

} // namespace

// Whatever the main program writes, in either decimal form and with any
// path, comes back as the same clip: the source, the start to the
// millisecond (cut), the duration to its 15 digits, the output.
TEST(ConverterFrontEnd, ReadsBackEveryClipTheMainProgramWrites)
{
    const std::string source = "C:\\Videos\\Urlaub am See \xC3\xA4\xC3\xB6 \xE6\x97\xA5\xE6\x9C\xAC.mp4";
    const std::string output = "D:\\Clips out\\Urlaub am See \xC3\xA4\xC3\xB6 \xE6\x97\xA5\xE6\x9C\xAC_Clip2.avi";
    struct Clip {
        double start, duration, expectedStart;
    };
    for (char separator : {'.', ','}) {
        for (const Clip& c : {Clip{20.0 / 3, 20.0 / 3, 6.666}, Clip{0, 45, 0}, Clip{0.15, 1e-6, 0.15},
                              Clip{3599.95, 1.5e20, 3599.95}, Clip{2.5, 1, 2.5}}) {
            const std::string line = korvane::BuildConverterCommandLine(
                source, c.start, c.duration, " -vcodec mpeg4 -vtag XVID -vn  -b:v 1500k", output, separator);
            const ClipRequest r = Read(line);
            EXPECT_EQ(r.input, source);
            EXPECT_EQ(r.output, output);
            EXPECT_DOUBLE_EQ(r.start, c.expectedStart) << line;
            if (c.duration < kLongestDuration) {
                ASSERT_TRUE(r.duration) << line;
                EXPECT_NEAR(*r.duration, c.duration, c.duration * 1e-14) << line;
            } else {
                EXPECT_FALSE(r.duration) << "a duration beyond any source means to its end: " << line;
            }
            EXPECT_EQ(r.options, (Words{"-vcodec", "mpeg4", "-vtag", "XVID", "-vn", "-b:v", "1500k"}));
        }
    }
}

TEST(ConverterFrontEnd, SeeksBeforeTheInputWhateverTheOrderItWasGivenIn)
{
    const Words expected = {"-hide_banner", "-nostdin", "-y", "-loglevel", "level+info", "-stats",
                            "-ss", "6.7", "-i", "C:\\a b\\in.avi", "-t", "3.333333",
                            "-b:v", "1500k", "-an", "-vf", kEven, "-flush_packets", "1", "out.avi"};
    EXPECT_EQ(Engine(" -y -i \"C:\\a b\\in.avi\" -ss 6,7 -t 3,33333333333333 -b:v 1500k -an \"out.avi\""), expected);
    // Typed in a shell: the program's name first, the pieces in another order.
    EXPECT_EQ(Engine("wmaspi.dll -t 3.33333333333333 -i \"C:\\a b\\in.avi\" -b:v 1500k -ss 6.7 -an -y out.avi"),
              expected);
    // Options before the source are the source's own.
    EXPECT_EQ(Tail(Engine(" -y -re -f lavfi -i testsrc -t 1 -an out.avi"), 6),
              (Words{"-re", "-f", "lavfi", "-i", "testsrc", "-t", "1", "-an", "-vf", kEven, "-flush_packets", "1",
                     "out.avi"}));
    // A start of 0 needs no seek at all.
    EXPECT_EQ(Tail(Engine(" -y -i a.avi -ss 0,0 -t 5 -vn b.mp3"), 6),
              (Words{"-i", "a.avi", "-t", "5", "-vn", "-flush_packets", "1", "b.mp3"}));
}

TEST(ConverterFrontEnd, MergesFiltersAndGivesEncodedPicturesAnEvenSize)
{
    // The engine keeps only the last -vf and -af: deinterlacing and a volume
    // choice must both survive, and the picture is cropped to even last.
    EXPECT_EQ(Tail(Engine(" -y -i a.avi -ss 0.0 -t 5 -vcodec libx264 -vf yadif -af volume=0.5 -vf hflip"
                          " -af aresample=44100 \"b.mp4\""), 8),
              (Words{"-t", "5", "-vcodec", "libx264", "-vf", "yadif,hflip," + kEven, "-af",
                     "volume=0.5,aresample=44100", "-flush_packets", "1", "b.mp4"}));
    // A chosen size is rounded down to even instead.
    EXPECT_EQ(Tail(Engine(" -y -i a.avi -ss 0.0 -t 5 -s 853x479 -vf yadif b.mpg"), 10),
              (Words{"-s", "852x478", "-vf", "yadif", "-flush_packets", "1", "b.mpg"}));
    // No picture, no cropping.
    EXPECT_EQ(Tail(Engine(" -y -i a.avi -ss 0.0 -t 5 -vn -af volume=2 b.mp3"), 10),
              (Words{"-vn", "-af", "volume=2", "-flush_packets", "1", "b.mp3"}));
    EXPECT_EQ(EvenSize("1x1"), "2x2");
    EXPECT_EQ(EvenSize("hd720"), "hd720");
}

// Copies start on the keyframe the seek lands on. An MP4 or MOV clip keeps the
// times before the start below zero, so that the engine's edit list starts
// its presentation at the start itself; other clips start at 0 with that
// keyframe.
TEST(ConverterFrontEnd, CopiedStreamsStartOnTheKeyframeTheSeekLandsOn)
{
    for (const char* copy : {" -c copy", " -vcodec copy -acodec copy", " -codec:v copy"}) {
        for (const char* out : {"b.MP4", "b.mov", "b.avi"}) {
            const Words args =
                Engine(std::string(" -y -i a.mp4 -ss 15,0 -t 5 -aspect 16:9") + copy + " " + out);
            const char* zero = std::string(out) == "b.avi" ? "make_zero" : "disabled";
            const auto avoid = std::find(args.begin(), args.end(), "-avoid_negative_ts");
            ASSERT_LT(avoid + 1, args.end()) << copy;
            EXPECT_EQ(avoid[1], zero) << copy;
            EXPECT_EQ(args.back(), out) << copy;
            for (const std::string& a : args)
                EXPECT_EQ(a.find("crop"), std::string::npos) << "streams that are copied cannot be filtered: " << copy;
        }
    }
    // The subtitles', data's or a numbered stream's form is not the picture's.
    for (const char* other : {" -c:s mov_text", " -c:d copy", " -c:0 copy", " -codec:s srt"}) {
        const ClipRequest r = Read(std::string(" -y -i a.vob -ss 1 -t 5 -c copy") + other + " b.vob");
        EXPECT_TRUE(r.videoCopied && r.audioCopied) << other;
    }
    // A later codec choice overrides the copy.
    const Words encoded = Engine(" -y -i a.mp4 -ss 1 -t 5 -c copy -vcodec mpeg4 b.avi");
    EXPECT_EQ(Tail(encoded, encoded.size() - 7),
              (Words{"-vf", kEven, "-avoid_negative_ts", "make_zero", "-flush_packets", "1", "b.avi"}));
}

// A program stream's seek lands between keyframes: the front-end lists the
// video packets from a little before the start and cuts every stream at the
// decoding time of the keyframe shown at or before the start.
TEST(ConverterFrontEnd, CopyCutsOfProgramStreamsBeginAtTheKeyframeBeforeTheStart)
{
    EXPECT_EQ(CutNeeded(Read(" -y -i C:\\dvd\\VTS_01_1.VOB -ss 5,3 -t 8 -c copy out.VOB")), CutKind::AtKeyframe);
    EXPECT_EQ(CutNeeded(Read(" -y -i a.mpeg -ss 5 -t 8 -vcodec mpeg4 -acodec copy out.avi")), CutKind::Exact);
    EXPECT_EQ(CutNeeded(Read(" -y -i a.mpg -ss 5 -t 8 -vn -c copy out.mpg")), CutKind::AtStart);
    EXPECT_EQ(CutNeeded(Read(" -y -i a.mpg -ss 0 -t 8 -c copy out.mpg")), CutKind::None);
    EXPECT_EQ(CutNeeded(Read(" -y -i a.mp4 -ss 5 -t 8 -c copy out.mp4")), CutKind::None);
    EXPECT_EQ(CutNeeded(Read(" -y -i a.mpg -ss 5 -t 8 -vn -acodec mp3 out.mp3")), CutKind::None);

    // The engine's listing: the source's first timestamp, then the source's
    // own times in its ticks, flags only where a packet is not just a
    // keyframe, side data after them, no presentation time on some packets.
    const PacketList list = ReadPacketList(
        "Input #0, mpeg, from 'C:\\dvd\\Duration: 1, start: 9.vob':\r\n"
        "  Duration: 00:00:30.02, start: 0.534667, bitrate: 1749 kb/s\r\n"
        "#tb 0: 1/90000\r\n#media_type 0: video\r\n"
        "0,     361800,     372600,     3600,    15400, 0xd8c30baa\r\n"
        "0,     365400,     365400,     3600,      577, 0x3a9bec03, F=0x0\r\n"
        "[mpeg2video @ 0x1] ac-tex damaged at 2 3\r\n"
        "0,     369000, -9223372036854775808,     3600,     1465, 0x31652ebb, F=0x0\r\n"
        "0,     415800,     426600,     3600,    15207, 0x5944e704, S=1,       40\r\n"
        "0,     469800, -9223372036854775808,     3600,    15439, 0x41c52a53\r\n"
        "0,     473400,     473400,     3600,      620, 0x4c06033c, F=0x0\r\n"
        "0,     477000,     477000,     3600,      593, 0x8505fa1e, F=0x0\r\n"
        "0,     480600, -9223372036854775808,     3600,     2958, 0x8f439a3e, F=0x0\r\n"
        "0,     523800,     534600,     3600,    15564, 0x96005e2a, F=0x1\r\n");
    EXPECT_EQ(list.sourceStart, 0.534667);
    const std::vector<VideoPacket>& packets = list.packets;
    ASSERT_EQ(packets.size(), 9u);
    EXPECT_DOUBLE_EQ(packets[0].dts, 4.02);
    EXPECT_DOUBLE_EQ(*packets[0].pts, 4.14);
    EXPECT_FALSE(packets[2].pts);
    std::vector<bool> keys;
    for (const VideoPacket& p : packets)
        keys.push_back(p.key);
    EXPECT_EQ(keys, (std::vector<bool>{true, false, false, true, true, false, false, false, true}));

    // Seek to 3.3 for a start at 5.3, which is 5.834667 in the source's
    // times: the keyframe decoded at 5.22 has no presentation time of its
    // own; it is shown when the next picture shown later than decoded is
    // decoded, after two that are shown at once, at 5.34.
    const auto cut = CutAtKeyframe(list, 5.3, 3.3, false);
    ASSERT_TRUE(cut);
    EXPECT_DOUBLE_EQ(cut->seek, 3.3);
    EXPECT_NEAR(cut->begin, 5.22, 0.001);
    EXPECT_LT(cut->begin, 5.22) << "the keyframe itself is kept";
    EXPECT_EQ(cut->sourceStart, 0.534667);
    EXPECT_DOUBLE_EQ(cut->soundFrom.value_or(0), 5.34);
    auto beginFor = [&](double sourceTime, bool lastTry = false) -> std::optional<double> {
        const auto c = CutAtKeyframe(list, sourceTime - 0.534667, 3.3, lastTry);
        return c ? std::optional<double>(c->begin) : std::nullopt;
    };
    EXPECT_NEAR(*beginFor(5.33), 4.62, 0.001) << "that keyframe is not shown yet";
    EXPECT_NEAR(*beginFor(4.14), 4.02, 0.001) << "a keyframe at the start itself";
    EXPECT_FALSE(beginFor(4.1)) << "no keyframe before the start: a longer lead is tried";
    EXPECT_NEAR(*beginFor(4.1, true), 4.02, 0.001) << "else the first keyframe";
    EXPECT_FALSE(CutAtKeyframe(list, 4.75, 4.7, false)) << "a keyframe before the seek's time: look further back";
    const auto noVideo = CutAtKeyframe(PacketList{{}, 0.5}, 5.3, 2.3, false);
    EXPECT_TRUE(noVideo && !noVideo->soundFrom && noVideo->begin == 5.8) << "no picture at all: at the start";
    EXPECT_FALSE(CutAtKeyframe(PacketList{{}, 0.5, true}, 5.3, 2.3, false))
        << "a seek that landed past the listed stretch, keyframes far apart: look further back";
    EXPECT_FALSE(CutAtKeyframe(PacketList{packets, std::nullopt}, 5.3, 3.3, true)) << "times without their origin";

    // The engine keeps the source's times, seeks to the cut's seek for the
    // picture and drops what lies before its beginning; the sound comes from
    // a second reading of the source from the keyframe's presentation; the
    // clip ends at the marked end, 8 s after 5.3.
    const ClipRequest vob = Read(" -y -i a.vob -ss 5,3 -t 8 -c copy b.vob");
    EXPECT_EQ(Tail(Plain(EngineArguments(vob, cut)), 6),
              (Words{"-copyts", "-stats_period", "0.000001", "-ss", "3.3", "-i", "a.vob", "-seek_timestamp", "1", "-ss",
                     "5.34", "-i", "a.vob",
                     "-ss", "5.2195", "-t", "8.615167", "-c", "copy", "-copypriorss:a", "0",
                     "-avoid_negative_ts", "make_zero", "b.vob"}));
    EXPECT_EQ(Tail(Plain(EngineArguments(Read(" -y -i a.vob -ss 5,3 -t 8 -c copy -an b.vob"), cut)), 6),
              (Words{"-copyts", "-stats_period", "0.000001", "-ss", "3.3", "-i", "a.vob", "-ss", "5.2195", "-t",
                     "8.615167", "-c", "copy", "-an",
                     "-avoid_negative_ts", "make_zero", "b.vob"}))
        << "no second reading without sound";
    EXPECT_EQ(Tail(Plain(EngineArguments(Read(" -y -i a.mpg -ss 5,3 -t 8 -vn -c copy b.mpg"), CutAtStart(5.3))), 6),
              (Words{"-ss", "4.3", "-i", "a.mpg", "-ss", "1", "-t", "8", "-vn", "-c", "copy", "-avoid_negative_ts",
                     "make_zero", "b.mpg"}));
}

TEST(ConverterFrontEnd, RefusesWhatItCannotUnderstandWithAReason)
{
    for (const char* line : {"", " ", " -y -i a.avi -ss 1 -t 2", " -y -ss 1 -t 2 out.avi",
                             " -y -i a.avi -i b.avi out.avi", " -y -i a.avi -ss abc out.avi",
                             " -y -i a.avi -ss -1 out.avi", " -y -i a.avi -ss 1,2,3 out.avi",
                             " -y -i a.avi -t 0 out.avi", " -y -i a.avi -t NAN out.avi",
                             " -y -i a.avi -ss INF out.avi", " -y -i a.avi stray out.avi",
                             " -y -i a.avi -vcodec out.avi", " -y -i \"\" out.avi"}) {
        const ReadResult r = ReadClipRequest(ArgumentWords(line));
        EXPECT_FALSE(r.request) << line;
        EXPECT_FALSE(r.error.empty()) << line;
    }
}

TEST(ConverterFrontEnd, QuotesEngineWordsSoTheyReadBackUnchanged)
{
    EXPECT_EQ(JoinCommandLine({"-i", "C:\\a b\\c.avi", "", "x\"y", "C:\\end dir\\", "scale=1:2"}),
              "-i \"C:\\a b\\c.avi\" \"\" \"x\\\"y\" \"C:\\end dir\\\\\" scale=1:2");
}

TEST(ConverterFrontEnd, TurnsTheEnginesProgressIntoTheContractsTime)
{
    EngineLog log;
    // The engine redraws its progress line with CR; reads split lines anywhere.
    std::vector<EngineLog::Line> lines = log.Feed("frame=   25 fps=0.0 q=1.6 size=     130kB time=00:01:0");
    EXPECT_TRUE(lines.empty());
    lines = log.Feed("2.50 bitrate=1049.1kbits/s speed=2.38x    \r[mp3 @ 0x1] warn\r\nsize=  12kB time=-00:00:00.04 bitrate=N/A\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].progress);
    EXPECT_FALSE(lines[1].progress);
    EXPECT_DOUBLE_EQ(*log.LastTime(), 62.5) << "a negative time is no progress";
    EXPECT_FALSE(log.LastFrames()) << "an audio-only line counts no frames";
    EXPECT_EQ(log.Errors(), (Words{"[mp3 @ 0x1] warn"}));
    // A message without its line end runs into the progress line after it:
    // both still count, the last clip time above all.
    lines = log.Feed("[avi @ 0x2] broken\x01 frame=   26 fps=0.0 q=1.6 Lsize=  131kB time=00:01:03.00 bitrate=1\r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].progress);
    EXPECT_DOUBLE_EQ(*log.LastTime(), 63);
    EXPECT_EQ(log.LastFrames(), 26);
    EXPECT_EQ(log.Errors(), (Words{"[mp3 @ 0x1] warn", "[avi @ 0x2] broken\x01"}));
    EXPECT_FALSE(ProgressLineTime("frame=  1 size=0kB time=N/A bitrate=N/A"));
    EXPECT_EQ(ProgressLineFrames("frame=   25 fps=0.0 time=00:00:01.00 bitrate=1"), 25);

    // What the front-end writes is what the main program's bars read, in the
    // user's decimal form.
    for (char separator : {'.', ','}) {
        for (double t : {0.0, 0.04, 62.5, 35999.99}) {
            const auto read = korvane::ProgressTimeInChunk(ProgressText(t, separator), separator);
            ASSERT_TRUE(read) << ProgressText(t, separator);
            EXPECT_NEAR(*read, t, 0.005);
        }
    }
}

TEST(ConverterFrontEnd, NamesTheCauseOfAFailureInAFewWords)
{
    struct Case {
        Words errors;
        std::string reason;
    };
    const Case cases[] = {
        {{"Unknown encoder 'nosuchcodec'"}, "Unknown encoder 'nosuchcodec'"},
        {{"[libx264 @ 0x5561f0] width not divisible by 2 (853x479)",
          "Error initializing output stream 0:0 -- Error while opening encoder"},
         "width not divisible by 2 (853x479)"},
        {{"av_interleaved_write_frame(): No space left on device", "Error writing trailer: No space left on device"},
         "No space left on device"},
        {{"C:\\My clips\\a b\\film \xC3\xA4.avi: No such file or directory"}, "film \xC3\xA4.avi: No such file or directory"},
        {{"Last message repeated 2 times", "  ", "Conversion failed!"}, "Conversion failed!"},
        {{}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FailureReason(c.errors), c.reason);
    // A file whose end could not be written fails its clip, whatever the
    // engine's exit code; any other error need not (a damaged source picture).
    EXPECT_EQ(WriteFailureReason({"[mpeg4 @ 0x1] ac-tex damaged at 2 3",
                                  "Error writing trailer of C:\\out\\a_Clip2.avi: No space left on device"}),
              "a_Clip2.avi: No space left on device");
    EXPECT_EQ(WriteFailureReason({"av_interleaved_write_frame(): Bad file descriptor"}), "Bad file descriptor");
    EXPECT_EQ(WriteFailureReason({"[mpeg4 @ 0x1] ac-tex damaged at 2 3", "Conversion failed!"}), "");
    const std::string reason = FailureReason({std::string(300, 'x')});
    EXPECT_LE(reason.size(), 160u);
    EXPECT_EQ(reason.substr(reason.size() - 3), "...");
}

// A profile may change codecs, rates, sizes and filter the picture and sound;
// it may not make the engine read or write anything but the source and the
// clip. What the engine has no part for (filters that open files, writers of
// several files) is its own to refuse (ConverterProgram.RefusesEveryWayToOtherFiles);
// the front-end refuses the engine's own options, naming the option.
TEST(ConverterFrontEnd, RefusesProfileOptionsThatReachOtherFiles)
{
    const std::string head = " -y -i \"C:\\v\\a.avi\" -ss 2 -t 5";
    for (const char* allowed :
         {" -vcodec libx264 -crf 23 -preset fast -b:a 128k -r 30000/1001 -s 640x360 -aspect 16:9",
          " -vf \"yadif,scale=640:-2,pad=iw+2:ih\" -af \"volume=0.5,aresample=44100\"",
          " -f vob -target pal-dvd -movflags +faststart -x264-params keyint=50:bframes=2 -flags +ildct",
          " -flags:v +cgop-loop -x264opts no-fast-pskip=1:stitchable=1 -an"}) {
        const ReadResult r = ReadClipRequest(ArgumentWords(head + allowed + " out.mpg"));
        EXPECT_TRUE(r.request) << allowed << ": " << r.error;
    }
    struct Refused {
        const char* options;
        const char* named;
    };
    for (const Refused& c : {Refused{" -i C:\\other.avi", "-i"}, Refused{" -pass 1", "-pass"},
                             Refused{" -passlogfile C:\\x", "-passlogfile"}, Refused{" -attach font.ttf", "-attach"},
                             Refused{" -dump_attachment:t out.ttf", "-dump_attachment"},
                             Refused{" -flags:v +pass1", "pass1"}, Refused{" -flags 512", "'512'"},
                             Refused{" -flags 256+256", "'256'"}, Refused{" -flags:v +ildct+0x200", "'0x200'"},
                             Refused{" -x264-params stats=C\\\\:/x.log", "stats"},
                             Refused{" -x264-params \"keyint=9:st\\ats=x.log\"", "stats"},
                             Refused{" -x264-params \"'pass'=1\"", "pass"},
                             Refused{" -x264opts no_dump_yuv=0", "dump-yuv"},
                             Refused{" -x264-params cqmfile=m.cfg", "cqmfile"},
                             Refused{" -filter_complex_script g.txt", "-filter_complex_script"},
                             Refused{" -vpre slow", "-vpre"}, Refused{" -progress p.txt", "-progress"},
                             Refused{" -vstats_file v.log", "-vstats_file"}, Refused{" -report", "-report"}}) {
        const ReadResult r = ReadClipRequest(ArgumentWords(head + c.options + " out.mpg"));
        EXPECT_FALSE(r.request) << c.options;
        EXPECT_NE(r.error.find(c.named), std::string::npos) << c.options << ": " << r.error;
    }
}

// Every engine command line reads the source only as a media container and
// only from a local file; a refusal is said in words the user understands.
TEST(ConverterFrontEnd, ReadsTheSourceOnlyAsALocalMediaFile)
{
    const Words restrictions = InputRestrictions();
    const ClipRequest vob = Read(" -y -i \"C:\\dvd\\a b.vob\" -ss 5 -t 8 -c copy out.vob");
    const CutAfterSeek cut{3, 4.9, 0.5, 5.1};
    for (const Words& args : {EngineArguments(vob, cut), EngineArguments(vob), PacketListArguments(vob, 2, 4)}) {
        int inputs = 0;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] != "-i")
                continue;
            ++inputs;
            ASSERT_GE(i, restrictions.size());
            EXPECT_EQ(Words(args.begin() + static_cast<long>(i - restrictions.size()), args.begin() + static_cast<long>(i)),
                      restrictions);
        }
        EXPECT_GE(inputs, 1);
    }
    EXPECT_NE(restrictions[1].find("mpeg"), std::string::npos);
    EXPECT_EQ(restrictions[1].find("concat"), std::string::npos);
    EXPECT_EQ(restrictions[3], "file");
    EXPECT_TRUE(SourceRefused({"[concat @ 04ffe4c0] Format not on whitelist 'avi,mov'", "a.avi: Invalid argument"}));
    // No reader takes a list of files dressed as a video: it fails at its
    // opening. Damaged pictures inside a real video do not make it one.
    EXPECT_TRUE(SourceRefused({"C:\\My videos\\list.avi: Invalid data found when processing input\r"}));
    EXPECT_FALSE(SourceRefused({"[h264 @ 0x1] Error while decoding stream #0:0: Invalid data found when processing input"}));
    EXPECT_FALSE(SourceRefused({"a.avi: No such file or directory"}));
    EXPECT_EQ(NotAVideoFile("C:\\My videos\\list.avi"), "list.avi is not a video file this program can read.");
}

// The tracks a clip's container can hold, the same for every clip of a job.
TEST(ConverterFrontEnd, KeepsEverySoundAndTheSubtitlesTheContainerHolds)
{
    struct Case {
        const char* source;
        const char* output;
        const char* subtitles;  // how they are written, "" when left out
    };
    for (const Case& c : {Case{"a.vob", "b.vob", "copy"}, Case{"a.vob", "b.mp4", ""}, Case{"a.mp4", "b.mp4", "copy"},
                          Case{"a.mkv", "b.mov", "mov_text"}, Case{"a.mp4", "b.mpg", ""}, Case{"a.mp4", "b.avi", ""},
                          Case{"a.avi", "b.wmv", ""}}) {
        const TrackPlan plan = PlanTracks(Read(std::string(" -y -i ") + c.source + " -ss 0 -t 8 " + c.output));
        EXPECT_TRUE(plan.mapTracks) << c.source << " " << c.output;
        EXPECT_FALSE(plan.firstSoundOnly);
        EXPECT_EQ(plan.subtitleCodec, c.subtitles) << c.source << " " << c.output;
        EXPECT_EQ(plan.subtitlesLeftOutBecause.empty(), !std::string(c.subtitles).empty()) << c.source << " " << c.output;
    }
    EXPECT_TRUE(PlanTracks(Read(" -y -i a.mp4 -ss 0 -t 8 -vn b.mp3")).firstSoundOnly) << "an MP3 file holds one";
    EXPECT_FALSE(PlanTracks(Read(" -y -i a.mp4 -ss 0 -t 8 -map 0:a:1 b.mp4")).mapTracks) << "the profile's own pick";
    EXPECT_TRUE(PlanTracks(Read(" -y -i a.mp4 -ss 0 -t 8 -sn b.mp4")).subtitlesLeftOutBecause.empty()) << "-sn wins";
    EXPECT_EQ(SubtitlesLeftOutText(2, "AVI files cannot hold them"),
              "Subtitles left out of the clip: 2 tracks (AVI files cannot hold them).");
    EXPECT_EQ(SubtitlesLeftOutText(2, "x").find("time"), std::string::npos) << "the main program reads \"time\"";
}

// Tagged with its levels, the engine's output tells errors from its
// description of the source and the clip.
TEST(ConverterFrontEnd, TellsErrorsFromTheEnginesDescriptionOfTheTracks)
{
    EngineLog log;
    log.Feed("[mpeg @ 04ffe700] [warning] start time for stream 0 is not set\r\n"
             "[info] Input #0, mpeg, from 'a.vob':\r\n[info]   Duration: 00:00:30.02, start: 0.534667\r\n"
             "[info]     Stream #0:1[0x1e0]: Video: mpeg2video (Main)\r\n"
             "[info]     Stream #0:4[0x20]: Subtitle: dvd_subtitle\r\n[info]     Stream #0:5[0x21]: Subtitle: dvd_subtitle\r\n"
             "[svcd @ 05000b00] [warning] VBV buffer size not set\r\nIf you want the mpeg file to be compliant\r\n"
             "[info] Output #0, mp4, to 'b.mp4':\r\n[info]     Stream #0:0: Video: h264\r\n"
             "[info] Stream mapping:\r\n[info]   Stream #0:4 -> #0:1 (dvd_subtitle -> mov_text)\r\n"
             "[mov_text @ 0x1] [error] Subtitle encoding currently only possible from text to text or bitmap to bitmap\r\n"
             "[info] frame=   25 fps=0.0 q=1.6 size=     130kB time=00:00:01.00 bitrate=1\r");
    EXPECT_EQ(log.SourceSubtitles(), 2);
    EXPECT_EQ(log.ClipSubtitles(), 0);
    EXPECT_EQ(log.LastFrames(), 25);
    EXPECT_EQ(log.Errors(), (Words{"[mov_text @ 0x1] Subtitle encoding currently only possible from text to text or "
                                   "bitmap to bitmap"}));
    EXPECT_TRUE(SubtitlesTurnedDown(log.Errors()));
    EXPECT_FALSE(SubtitlesTurnedDown({"Unknown encoder 'nosuchcodec'"}));
}

// Made or failed, and the one line that says why, for every way an engine's
// run can end: the order of the questions matters (a crash is no write
// failure, a write failure with exit code 0 is no clip, nothing encoded is
// told before a missing file).
TEST(ConverterFrontEnd, VerdictOnTheClip)
{
    const Words writeFailed = {"av_interleaved_write_frame(): Bad file descriptor"};
    const Words missingSource = {"C:\\in\\film.avi: No such file or directory"};
    struct Case {
        const char* name;
        EngineOutcome outcome;   // exit code, errors, last time, last frames, disk full, output has content
        int exitCode;
        std::string reason;
    };
    const Case cases[] = {
        {"made", {0, {}, 3.0, 75, false, true}, kExitDone, ""},
        {"made of sound alone", {0, {}, 3.0, std::nullopt, false, true}, kExitDone, ""},
        {"made of pictures without a time", {0, {}, 0.0, 75, false, true}, kExitDone, ""},
        {"crashed, whatever it said", {0xC0000005u, missingSource, 1.0, 25, false, true}, kExitFailed,
         "The converter's engine crashed (exception 0xC0000005)."},
        {"failed with its reason", {1, missingSource, std::nullopt, std::nullopt, false, false}, kExitFailed,
         "film.avi: No such file or directory"},
        {"failed without a word", {1, {}, 2.0, 50, false, true}, kExitFailed,
         "The converter's engine ended with code 1."},
        {"a write failure with exit code 0", {0, writeFailed, 2.0, 50, false, true}, kExitFailed,
         "Bad file descriptor"},
        {"a write failure on a full disk", {0, writeFailed, 2.0, 50, true, true}, kExitFailed,
         "No space left on device"},
        {"a full disk without a write failure", {0, {}, 2.0, 50, true, true}, kExitDone, ""},
        {"nothing encoded", {0, {}, std::nullopt, std::nullopt, false, false}, kExitFailed,
         "Nothing was converted: the clip starts after the end of the source."},
        {"nothing encoded, an empty file left", {0, {}, 0.0, 0, false, false}, kExitFailed,
         "Nothing was converted: the clip starts after the end of the source."},
        {"no file", {0, {}, 3.0, 75, false, false}, kExitFailed, "No output file was written."},
    };
    for (const Case& c : cases) {
        const Verdict verdict = ClipVerdict(c.outcome);
        EXPECT_EQ(verdict.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(verdict.reason, c.reason) << c.name;
    }
}
