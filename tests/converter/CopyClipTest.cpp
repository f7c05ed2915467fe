// The converter's own copy, natively against the host's libraries: sources
// made by the host's ffmpeg as cameras and editors write them, clips read
// back with the same libraries.
#include "converter/ClipLines.h"
#include "converter/CopyClip.h"
#include "converter/CopyPlan.h"
#include "converter/LibAv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace korvane::frontend;
namespace fs = std::filesystem;

namespace {

class Scratch {
public:
    Scratch() : path_(fs::temp_directory_path() / ("korvane-copy-" + std::to_string(::getpid())))
    {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Scratch() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

void Make(const std::string& arguments)
{
    const std::string line = "ffmpeg -v error -y " + arguments;
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

ClipRequest Copy(const std::string& in, const std::string& out, double start, double duration)
{
    ClipRequest r;
    r.input = in;
    r.output = out;
    r.start = start;
    r.duration = duration;
    r.videoCopied = r.audioCopied = true;
    r.options = {"-c", "copy"};
    return r;
}

CopyResult CopyHere(const ClipRequest& request)
{
    av_log_set_level(AV_LOG_QUIET);
    const CopyOptionsResult options = ReadCopyOptions(request);
    EXPECT_TRUE(options.options) << options.needsEngine;
    return CopyClip(request, options.options.value_or(CopyOptions{}), [](double) { return true; });
}

struct Track {
    AVMediaType kind = AVMEDIA_TYPE_UNKNOWN;
    std::string codec;
    std::string language;
    std::string timecode;
    std::vector<double> shown;   // packets' presentation times, seconds, as the reader gives them
    std::vector<double> lengths;
    std::vector<int> sizes;
};

struct Clip {
    double duration = 0;
    std::vector<Track> tracks;
    std::vector<std::pair<double, double>> chapters;
    int pictures = 0;            // decoded pictures shown from the clip's zero on
    int damaged = 0;             // decoding errors
    double firstPicture = NAN;   // the first decoded picture's time
};

Clip ReadBack(const std::string& path)
{
    Clip clip;
    AVFormatContext* c = nullptr;
    if (avformat_open_input(&c, path.c_str(), nullptr, nullptr) < 0)
        return clip;
    av::Input input(c);
    avformat_find_stream_info(c, nullptr);
    clip.duration = av::Seconds(c->duration, AV_TIME_BASE_Q);
    for (unsigned i = 0; i < c->nb_chapters; ++i)
        clip.chapters.emplace_back(av::Seconds(c->chapters[i]->start, c->chapters[i]->time_base),
                                   av::Seconds(c->chapters[i]->end, c->chapters[i]->time_base));
    AVCodecContext* decoder = nullptr;
    int video = -1;
    for (unsigned i = 0; i < c->nb_streams; ++i) {
        const AVStream* s = c->streams[i];
        Track t;
        t.kind = s->codecpar->codec_type;
        t.codec = avcodec_get_name(s->codecpar->codec_id);
        if (const AVDictionaryEntry* e = av_dict_get(s->metadata, "language", nullptr, 0))
            t.language = e->value;
        if (const AVDictionaryEntry* e = av_dict_get(s->metadata, "timecode", nullptr, 0))
            t.timecode = e->value;
        clip.tracks.push_back(t);
        if (t.kind == AVMEDIA_TYPE_VIDEO && video < 0) {
            video = static_cast<int>(i);
            const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
            decoder = avcodec_alloc_context3(codec);
            avcodec_parameters_to_context(decoder, s->codecpar);
            avcodec_open2(decoder, codec, nullptr);
        }
    }
    av::Packet packet = av::NewPacket();
    AVFrame* frame = av_frame_alloc();
    auto take = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            const double t = av::Seconds(frame->best_effort_timestamp, c->streams[video]->time_base);
            if (std::isnan(clip.firstPicture))
                clip.firstPicture = t;
            clip.damaged += frame->decode_error_flags != 0;
            clip.pictures += std::isnan(t) || t >= -0.001;
        }
    };
    while (av_read_frame(c, packet.get()) >= 0) {
        const AVStream* s = c->streams[packet->stream_index];
        Track& t = clip.tracks[static_cast<std::size_t>(packet->stream_index)];
        t.shown.push_back(av::Seconds(packet->pts, s->time_base));
        t.lengths.push_back(av::Seconds(packet->duration, s->time_base));
        t.sizes.push_back(packet->size);
        if (packet->stream_index == video) {
            clip.damaged += avcodec_send_packet(decoder, packet.get()) < 0;
            take();
        }
        av_packet_unref(packet.get());
    }
    if (decoder) {
        avcodec_send_packet(decoder, nullptr);
        take();
    }
    av_frame_free(&frame);
    avcodec_free_context(&decoder);
    return clip;
}

const Track* FirstOf(const Clip& clip, AVMediaType kind)
{
    for (const Track& t : clip.tracks)
        if (t.kind == kind)
            return &t;
    return nullptr;
}

// Subtitle lines at 1-2 s, 5-6 s and 9-10 s.
const char* kLines = "1\n00:00:01,000 --> 00:00:02,000\none\n\n2\n00:00:05,000 --> 00:00:06,000\ntwo\n\n"
                     "3\n00:00:09,000 --> 00:00:10,000\nthree\n\n";

// A camera's file: H.264 with B-pictures and a keyframe every second, AAC,
// a time code track, and a French text subtitle track with those lines.
std::string CameraFile(const Scratch& dir)
{
    Write(dir / "lines.srt", kLines);
    const std::string source = dir / "tc.mp4";
    Make("-f lavfi -i testsrc2=s=320x240:r=25:d=11 -f lavfi -i sine=d=11 -i " + dir / "lines.srt"
         + " -map 0 -map 1 -map 2 -c:v libx264 -g 25 -bf 2 -c:a aac -c:s mov_text -metadata:s:s:0 language=fra"
           " -timecode 01:00:00:00 " + source);
    return source;
}

} // namespace

TEST(CopyClip, CameraFileKeepsEveryPictureItsTimeCodeAndItsLinesInRange)
{
    Scratch dir;
    const std::string source = CameraFile(dir);

    const std::string out = dir / "clip.mp4";
    const CopyResult r = CopyHere(Copy(source, out, 4.337, 4.831));
    ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
    const Clip clip = ReadBack(out);
    EXPECT_NEAR(clip.duration, 4.831, 0.05);
    // The pictures shown from 4.32 s (the one at the mark) to 9.16 s.
    EXPECT_NEAR(clip.pictures, 122, 1);
    EXPECT_EQ(clip.damaged, 0);
    const Track* video = FirstOf(clip, AVMEDIA_TYPE_VIDEO);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->timecode, "01:00:04:08");
    ASSERT_TRUE(FirstOf(clip, AVMEDIA_TYPE_AUDIO));
    const Track* lines = FirstOf(clip, AVMEDIA_TYPE_SUBTITLE);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->language, "fra");
    // The line of 5-6 s is shown at 0.663 s of the clip, the one of 9-10 s
    // from 4.663 s to the clip's end; nothing lasts past the end.
    bool second = false, third = false;
    for (std::size_t i = 0; i < lines->shown.size(); ++i) {
        const double from = lines->shown[i], to = from + lines->lengths[i];
        EXPECT_LE(to, 4.831 + 0.01);
        second = second || (std::abs(from - 0.663) < 0.01 && std::abs(to - 1.663) < 0.01);
        third = third || (std::abs(from - 4.663) < 0.01 && std::abs(to - 4.831) < 0.01);
    }
    EXPECT_TRUE(second);
    EXPECT_TRUE(third);
}

TEST(CopyClip, MatroskaKeepsItsChaptersInsideTheClipMovedWithIt)
{
    Scratch dir;
    Write(dir / "chapters.txt", ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=3000\ntitle=One\n"
                                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=3000\nEND=6000\ntitle=Two\n"
                                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=6000\nEND=10000\ntitle=Three\n");
    const std::string source = dir / "film.mkv";
    Make("-f lavfi -i testsrc2=s=160x120:r=25:d=10 -f lavfi -i sine=d=10 -i " + dir / "chapters.txt"
         + " -map 0 -map 1 -map_metadata 2 -c:v libx264 -g 25 -c:a flac " + source);
    const std::string out = dir / "clip.mkv";
    const CopyResult r = CopyHere(Copy(source, out, 2, 5));
    ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
    const Clip clip = ReadBack(out);
    ASSERT_EQ(clip.chapters.size(), 3u);
    EXPECT_NEAR(clip.chapters[0].first, 0, 0.01);
    EXPECT_NEAR(clip.chapters[0].second, 1, 0.01);
    EXPECT_NEAR(clip.chapters[1].first, 1, 0.01);
    EXPECT_NEAR(clip.chapters[1].second, 4, 0.01);
    EXPECT_NEAR(clip.chapters[2].second, 5, 0.01);
    // A file without an edit list shows the pictures decoded before the end
    // and shown after it too (B-pictures).
    EXPECT_GE(clip.pictures, 125);
    EXPECT_LE(clip.pictures, 128);
    EXPECT_EQ(clip.damaged, 0);
}

TEST(CopyClip, AProfileOptionACopyCannotHonourGoesToTheEngine)
{
    ClipRequest r = Copy("in.mp4", "out.mp4", 1, 1);
    r.options = {"-c", "copy", "-movflags", "+faststart", "-aspect", "16:9", "-bitexact"};
    const CopyOptionsResult read = ReadCopyOptions(r);
    ASSERT_TRUE(read.options);
    EXPECT_EQ(read.options->aspect, "16:9");
    EXPECT_TRUE(read.options->bitexact);
    r.options = {"-c", "copy", "-r", "25"};
    EXPECT_FALSE(ReadCopyOptions(r).options);
    r.options = {"-c", "copy", "-c:s", "mov_text"};
    EXPECT_FALSE(ReadCopyOptions(r).options);
    r.videoFilters = {"yadif"};
    r.options = {"-c", "copy"};
    EXPECT_FALSE(ReadCopyOptions(r).options);
}

TEST(CopyClip, ASubtitleIsCutAtTheClipsEnds)
{
    const auto inside = SubtitleInClip(5, 1, 4, 8);
    ASSERT_TRUE(inside);
    EXPECT_DOUBLE_EQ(inside->from, 5);
    EXPECT_DOUBLE_EQ(inside->length, 1);
    const auto across = SubtitleInClip(3.5, 1, 4, 8);
    ASSERT_TRUE(across);
    EXPECT_DOUBLE_EQ(across->from, 4);
    EXPECT_DOUBLE_EQ(across->length, 0.5);
    EXPECT_DOUBLE_EQ(SubtitleInClip(7.5, 2, 4, 8)->length, 0.5);
    EXPECT_FALSE(SubtitleInClip(1, 2, 4, 8));
    EXPECT_FALSE(SubtitleInClip(8, 1, 4, 8));
    // Shown until the next line: kept only when it begins inside the clip.
    EXPECT_FALSE(SubtitleInClip(3, 0, 4, 8));
    EXPECT_TRUE(SubtitleInClip(4, 0, 4, 8));
}

TEST(CopyClip, TimeCodesMoveOnByWholePictures)
{
    EXPECT_EQ(TimecodeAfter("01:00:00:00", 108, 25), "01:00:04:08");
    EXPECT_EQ(TimecodeAfter("23:59:59:24", 1, 25), "00:00:00:00");
    // Drop-frame: 00:01:00;00 and ;01 do not exist at 29.97.
    EXPECT_EQ(TimecodeAfter("00:00:59;29", 1, 30000.0 / 1001), "00:01:00;02");
    EXPECT_EQ(TimecodeAfter("00:09:59;29", 1, 30000.0 / 1001), "00:10:00;00");
    EXPECT_EQ(TimecodeAfter("10:00:00:00", -25, 25), "09:59:59:00");
    EXPECT_FALSE(TimecodeAfter("1:00", 1, 25));
    EXPECT_FALSE(TimecodeAfter("01:00:00:25", 1, 25));
}

namespace {

CopyResult ExactCopy(const std::string& in, const std::string& out, double start, double duration)
{
    ClipRequest r = Copy(in, out, start, duration);
    r.exactStart = true;
    return CopyHere(r);
}

// The times the pictures of a file are shown, seconds, in order.
std::vector<double> ShownTimes(const std::string& path)
{
    const Clip clip = ReadBack(path);
    const Track* video = FirstOf(clip, AVMEDIA_TYPE_VIDEO);
    std::vector<double> shown = video ? video->shown : std::vector<double>{};
    std::sort(shown.begin(), shown.end());
    return shown;
}

int ShownIn(const std::vector<double>& shown, double from, double to)
{
    return static_cast<int>(std::count_if(shown.begin(), shown.end(),
                                          [&](double t) { return t >= from - 1e-3 && t < to - 1e-3; }));
}

} // namespace

// The camera's file cut exactly: every picture from the one at the mark,
// the time code of that picture, sound from it, and a clean decode.
TEST(CopyClip, AnExactStartOfACameraFileHoldsEveryPictureFromTheMark)
{
    Scratch dir;
    const std::string source = CameraFile(dir);
    const std::string out = dir / "exact.mp4";
    const CopyResult r = ExactCopy(source, out, 4.36, 4.8);
    ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
    EXPECT_TRUE(r.leftOut.empty()) << r.leftOut.front();
    const Clip clip = ReadBack(out);
    EXPECT_EQ(clip.pictures, 120);
    EXPECT_EQ(clip.damaged, 0);
    EXPECT_NEAR(clip.firstPicture, 0, 1e-3);
    EXPECT_NEAR(clip.duration, 4.8, 0.03);
    EXPECT_EQ(FirstOf(clip, AVMEDIA_TYPE_VIDEO)->timecode, "01:00:04:09");
    const Track* sound = FirstOf(clip, AVMEDIA_TYPE_AUDIO);
    ASSERT_TRUE(sound);
    EXPECT_NEAR(sound->shown.front(), 0, 0.025);
}

// A phone's variable frame rate (each picture's time off by up to a fifth of
// a picture) in MP4, and in Matroska: the head keeps the source's times.
TEST(CopyClip, AnExactStartKeepsAVariableFrameRate)
{
    Scratch dir;
    const std::string source = dir / "phone.mp4";
    Make("-f lavfi -i testsrc2=s=320x240:r=30:d=8 -f lavfi -i sine=d=8 -vf \"settb=1/90000,setpts=(N+0.4*(random(0)-0.5))/(30*TB)\""
         " -fps_mode passthrough -enc_time_base 1/90000 -c:v libx264 -g 60 -bf 2 -c:a aac -video_track_timescale 90000 " + source);
    const std::vector<double> shown = ShownTimes(source);
    ASSERT_GT(shown.size(), 200u);
    for (const std::string name : {"phone_clip.mp4", "phone_clip.mkv"}) {
        // The mark on a picture well inside a group of 60.
        const double mark = shown[95];
        const CopyResult r = ExactCopy(source, dir / name, mark, 3);
        ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
        EXPECT_TRUE(r.leftOut.empty()) << name << ": " << r.leftOut.front();
        const Clip clip = ReadBack(dir / name);
        EXPECT_EQ(clip.damaged, 0) << name;
        // Matroska has no edit list: the pictures decoded before the end and
        // shown after it are shown too, and its times start where the first
        // one is decoded.
        EXPECT_GE(clip.pictures, ShownIn(shown, mark, mark + 3)) << name;
        EXPECT_LE(clip.pictures, ShownIn(shown, mark, mark + 3) + 3) << name;
        const std::vector<double> times = ShownTimes(dir / name);
        ASSERT_GT(times.size(), 30u);
        // The head's pictures are shown when the source shows them.
        for (std::size_t i = 0; i < 20; ++i)
            EXPECT_NEAR(times[i] - times[0], shown[95 + i] - mark, 0.002) << name << " picture " << i;
    }
}

// Parameter sets numbered 0 in the decoder configuration and 1 inside the
// stream from its second half on: the head's sets take a number of neither.
TEST(CopyClip, AnExactStartClashesWithNoneOfTheSourcesParameterSets)
{
    Scratch dir;
    Make("-f lavfi -i testsrc2=s=320x240:r=25:d=5 -c:v libx264 -g 25 -bf 0 -x264-params sps-id=0 " + dir / "a.h264");
    Make("-f lavfi -i testsrc=s=320x240:r=25:d=5 -pix_fmt yuv420p -c:v libx264 -g 25 -bf 0 -x264-params sps-id=1 " + dir / "b.h264");
    std::ofstream(dir / "ab.h264", std::ios::binary)
        << std::ifstream(dir / "a.h264", std::ios::binary).rdbuf() << std::ifstream(dir / "b.h264", std::ios::binary).rdbuf();
    const std::string source = dir / "twosets.mp4";
    Make("-r 25 -i " + dir / "ab.h264" + " -c copy " + source);
    const CopyResult r = ExactCopy(source, dir / "clip.mp4", 7.4, 2);
    ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
    const Clip clip = ReadBack(dir / "clip.mp4");
    EXPECT_EQ(clip.damaged, 0);
    EXPECT_EQ(clip.pictures, 50);
}

// A start that cannot be exact (10-bit pictures, which the encoder does not
// write) is made at the keyframe before it, and the clip says so.
TEST(CopyClip, AStartThatCannotBeExactIsMadeAtTheKeyframeAndSaid)
{
    Scratch dir;
    const std::string source = dir / "deep.mp4";
    Make("-f lavfi -i testsrc2=s=320x240:r=25:d=6 -c:v libx264 -pix_fmt yuv420p10le -g 25 " + source);
    const CopyResult r = ExactCopy(source, dir / "clip.mp4", 2.6, 2);
    ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
    ASSERT_FALSE(r.leftOut.empty());
    EXPECT_EQ(r.leftOut.front(), "Starts at the keyframe before its mark, 00:00:02.000: its exact start could not be made"
                                 " (its pictures are stored as yuv420p10le, which the encoder does not write).");
    const Clip clip = ReadBack(dir / "clip.mp4");
    EXPECT_EQ(clip.damaged, 0);
}

namespace {

// The luma of a file's decoded pictures in the order shown, at most `most`.
std::vector<std::vector<std::uint8_t>> Pictures(const std::string& path, std::size_t most)
{
    std::vector<std::vector<std::uint8_t>> pictures;
    AVFormatContext* c = nullptr;
    if (avformat_open_input(&c, path.c_str(), nullptr, nullptr) < 0)
        return pictures;
    av::Input input(c);
    avformat_find_stream_info(c, nullptr);
    const int video = av_find_best_stream(c, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0)
        return pictures;
    const AVCodec* codec = avcodec_find_decoder(c->streams[video]->codecpar->codec_id);
    av::Codec decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), c->streams[video]->codecpar);
    avcodec_open2(decoder.get(), codec, nullptr);
    av::Packet packet = av::NewPacket();
    av::Frame frame = av::NewFrame();
    auto take = [&] {
        while (pictures.size() < most && avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            std::vector<std::uint8_t> luma;
            for (int y = 0; y < frame->height; ++y)
                luma.insert(luma.end(), frame->data[0] + y * frame->linesize[0],
                            frame->data[0] + y * frame->linesize[0] + frame->width);
            pictures.push_back(std::move(luma));
        }
    };
    while (pictures.size() < most && av_read_frame(c, packet.get()) >= 0) {
        if (packet->stream_index == video)
            avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        take();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    take();
    return pictures;
}

// Which of the source's pictures, in the order shown, the clip's first
// picture is: the one it differs least from.
int SourcePictureOfClipStart(const std::string& source, const std::string& clip)
{
    const auto first = Pictures(clip, 1);
    if (first.empty())
        return -1;
    int best = -1;
    double least = 0;
    const auto all = Pictures(source, 100000);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].size() != first[0].size())
            continue;
        double d = 0;
        for (std::size_t k = 0; k < all[i].size(); ++k)
            d += std::abs(static_cast<int>(all[i][k]) - first[0][k]);
        if (best < 0 || d < least)
            best = static_cast<int>(i), least = d;
    }
    return best;
}

struct ExactCase {
    std::string name;
    std::string encoding;   // the host encoder's arguments for the picture
    double mark;            // on picture mark*25
    double length;
};

} // namespace

// MPEG program streams as DVD recorders and broadcasts write them (open
// groups with B pictures, interlaced, alternate scan), MPEG-1, and AVI files
// of MPEG-4 and H.264 (B pictures, one keyframe in the whole file): each exact copy starts on the picture at the mark, holds every
// picture to its end, decodes cleanly and says nothing of a keyframe.
TEST(CopyClip, ExactStartsOfMpegAndAviSourcesBeginOnTheMarkedPicture)
{
    Scratch dir;
    const ExactCase cases[] = {
        {"dvd.vob", "-c:v mpeg2video -g 15 -bf 2 -flags +ilme+ildct -top 1 -alternate_scan 1 -b:v 4M -c:a ac3", 2.52, 3},
        {"open.mpg", "-c:v mpeg2video -g 12 -bf 2 -b:v 3M -c:a mp2", 4.2, 2.4},
        {"vcd.mpg", "-c:v mpeg1video -g 15 -bf 2 -b:v 2M -c:a mp2", 3.08, 2},
        {"xvid.avi", "-c:v mpeg4 -vtag XVID -g 25 -bf 2 -q:v 3 -c:a libmp3lame", 2.6, 3},
        {"h264.avi", "-c:v libx264 -g 25 -bf 2 -c:a libmp3lame", 2.32, 2.4},
        {"camera.avi", "-c:v libx264 -g 1000 -bf 0 -c:a pcm_s16le", 3.4, 1.6},
    };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir / c.name;
        Make("-f lavfi -i testsrc2=s=352x288:r=25:d=8 -f lavfi -i sine=d=8 -pix_fmt yuv420p " + c.encoding + " "
             + source);
        const std::string out = dir / ("clip-" + c.name);
        const CopyResult r = ExactCopy(source, out, c.mark, c.length);
        ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
        EXPECT_TRUE(r.leftOut.empty()) << r.leftOut.front();
        const Clip clip = ReadBack(out);
        EXPECT_EQ(clip.damaged, 0);
        EXPECT_NEAR(clip.pictures, std::lround(c.length * 25), 1);
        EXPECT_EQ(SourcePictureOfClipStart(source, out), std::lround(c.mark * 25));
        ASSERT_TRUE(FirstOf(clip, AVMEDIA_TYPE_AUDIO));
    }
}

// H.264 keyframes that are no IDR pictures (open groups): the source's
// pictures after one count on from those before it, which the head
// replaces, so the clip starts at the keyframe before the mark and says why.
TEST(CopyClip, AnH264KeyframeThatIsNoIdrPictureKeepsTheKeyframeStartAndSaysSo)
{
    Scratch dir;
    const std::string source = dir / "opengop.avi";
    Make("-f lavfi -i testsrc2=s=352x288:r=25:d=6 -pix_fmt yuv420p -c:v libx264 -g 25 -bf 3 -x264-params "
         "open-gop=1 " + source);
    const CopyResult r = ExactCopy(source, dir / "clip.avi", 3.52, 1.2);
    ASSERT_EQ(r.outcome, CopyResult::Outcome::Made) << r.reason;
    ASSERT_FALSE(r.leftOut.empty());
    EXPECT_NE(r.leftOut.front().find("(the keyframe after its start is no IDR picture)"), std::string::npos)
        << r.leftOut.front();
    EXPECT_EQ(ReadBack(dir / "clip.avi").damaged, 0);
}

// An encoded clip's lines, as the converter writes them for the engine: those
// shown inside the clip, moved with it and cut at its ends, in the source's
// own form (text in MP4, SubRip in Matroska); nothing lasts past the clip.
TEST(ClipLines, AreTheLinesInsideTheClipMovedWithItAndCutAtItsEnds)
{
    Scratch dir;
    const std::string mp4 = CameraFile(dir);
    Write(dir / "late.srt", "1\n00:00:01,000 --> 00:00:02,000\none\n\n2\n00:00:05,000 --> 00:00:06,000\ntwo\n\n"
                            "3\n00:00:07,500 --> 00:00:10,000\nthree\n\n");
    const std::string mkv = dir / "lines.mkv";
    Make("-f lavfi -i testsrc2=s=320x240:r=25:d=11 -i " + dir / "late.srt" + " -map 0 -map 1 -c:v libx264 -c:s srt " + mkv);
    struct Case {
        std::string source;
        std::string codec;
    };
    for (const Case& c : {Case{mp4, "mov_text"}, Case{mkv, "subrip"}}) {
        SCOPED_TRACE(c.source);
        ClipRequest r = Copy(c.source, dir / "clip.mp4", 4, 4);
        r.videoCopied = r.audioCopied = false;
        const ClipLines lines = WriteClipLines(r, false);
        ASSERT_EQ(lines.error, "");
        ASSERT_EQ(lines.tracks, 1);
        const Clip file = ReadBack(lines.path);
        const Track* text = FirstOf(file, AVMEDIA_TYPE_SUBTITLE);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->codec, c.codec);
        // "two" at 1-2 s of the clip, "three" (SubRip's) from 3.5 s to the end.
        std::vector<std::pair<double, double>> shown;
        // A text sample of two bytes is the empty one that ends a line.
        for (std::size_t i = 0; i < text->shown.size(); ++i)
            if (text->lengths[i] > 0 && text->sizes[i] > 2)
                shown.emplace_back(text->shown[i], text->shown[i] + text->lengths[i]);
        ASSERT_FALSE(shown.empty());
        EXPECT_NEAR(shown.front().first, 1, 0.01);
        for (const auto& [from, to] : shown)
            EXPECT_LE(to, 4.001);
        if (c.codec == "subrip") {
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_NEAR(shown[1].first, 3.5, 0.01);
            EXPECT_NEAR(shown[1].second, 4, 0.01);
        }
    }
}

// The camera's file in two equal sections, both exact: each starts on its own
// picture with its own time code, and together they hold every picture once.
TEST(CopyClip, TwoExactSectionsOfACameraFileHoldEveryPictureOnce)
{
    Scratch dir;
    const std::string source = CameraFile(dir);
    const double half = 11.0 / 2;
    const CopyResult first = ExactCopy(source, dir / "one.mp4", 0, half);
    const CopyResult second = ExactCopy(source, dir / "two.mp4", half, half);
    ASSERT_EQ(first.outcome, CopyResult::Outcome::Made) << first.reason;
    ASSERT_EQ(second.outcome, CopyResult::Outcome::Made) << second.reason;
    EXPECT_TRUE(second.leftOut.empty()) << second.leftOut.front();
    const Clip one = ReadBack(dir / "one.mp4");
    const Clip two = ReadBack(dir / "two.mp4");
    EXPECT_EQ(one.pictures + two.pictures, 275);
    EXPECT_EQ(one.damaged + two.damaged, 0);
    EXPECT_EQ(FirstOf(two, AVMEDIA_TYPE_VIDEO)->timecode, "01:00:05:13");
    EXPECT_EQ(SourcePictureOfClipStart(source, dir / "two.mp4"), 138);
}
