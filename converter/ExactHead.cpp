#include "converter/ExactHead.h"

#include "converter/CopyPlan.h"
#include "converter/H264Sets.h"
#include "converter/Source.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <deque>
#include <limits>

namespace korvane::frontend {
namespace {


HeadResult No(std::string why)
{
    HeadResult r;
    r.whyNot = std::move(why);
    return r;
}

av::Frame Copy(const AVFrame& frame)
{
    av::Frame copy(av_frame_clone(&frame));
    return copy;
}

std::string StartCoded(const std::vector<std::string>& units)
{
    std::string out;
    for (const std::string& unit : units)
        out += std::string("\0\0\0\1", 4) + unit;
    return out;
}

// The units of one of the source's packets.
std::vector<std::string_view> UnitsOf(const AVPacket& packet, const std::optional<AvcConfig>& config)
{
    const std::string_view data(reinterpret_cast<const char*>(packet.data), static_cast<std::size_t>(packet.size));
    if (!config)
        return AnnexBUnits(data);
    return LengthPrefixedUnits(data, config->lengthSize).value_or(std::vector<std::string_view>{});
}

// The luma of two pictures of one size compared: the peak signal to noise
// ratio in dB (higher: more alike).
double LumaLikeness(const AVFrame& a, const AVFrame& b)
{
    if (a.width != b.width || a.height != b.height || a.width <= 0)
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height; ++y) {
        const std::uint8_t* p = a.data[0] + static_cast<std::ptrdiff_t>(y) * a.linesize[0];
        const std::uint8_t* q = b.data[0] + static_cast<std::ptrdiff_t>(y) * b.linesize[0];
        for (int x = 0; x < a.width; ++x) {
            const double d = static_cast<double>(p[x]) - q[x];
            sum += d * d;
        }
    }
    const double mse = sum / (static_cast<double>(a.width) * a.height);
    return mse <= 0 ? 100.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

bool EightBitPlanar(AVPixelFormat format)
{
    for (AVPixelFormat f : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUVJ422P,
                            AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUVJ444P})
        if (f == format)
            return true;
    return false;
}

} // namespace

namespace {

// The head's pictures take the source's size, form, aspect and colours.
void TakePictureForm(AVCodecContext& encoder, const AVFrame& frame, const AVCodecParameters& par)
{
    encoder.width = frame.width;
    encoder.height = frame.height;
    encoder.pix_fmt = static_cast<AVPixelFormat>(frame.format);
    encoder.sample_aspect_ratio = frame.sample_aspect_ratio.num > 0 ? frame.sample_aspect_ratio
                                                                    : par.sample_aspect_ratio;
    encoder.color_range = frame.color_range;
    encoder.color_primaries = frame.color_primaries;
    encoder.color_trc = frame.color_trc;
    encoder.colorspace = frame.colorspace;
    encoder.chroma_sample_location = frame.chroma_location;
}

// The encoder's settings that repeat an MPEG-1, MPEG-2 or MPEG-4 source's
// pictures: size, form, field order and profile; quality well above the
// source's; no B pictures, so that the head needs no reordering.
std::string OpenMpegEncoder(av::Codec& encoder, const AVCodecParameters& par, const AVFrame& frame,
                            AVRational rate)
{
    const char* name = par.codec_id == AV_CODEC_ID_MPEG1VIDEO ? "mpeg1video"
                     : par.codec_id == AV_CODEC_ID_MPEG2VIDEO ? "mpeg2video" : "mpeg4";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    encoder.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!encoder)
        return std::string("the ") + name + " encoder is missing";
    if (rate.num <= 0 || rate.den <= 0)
        return "its frame rate is not known";
    TakePictureForm(*encoder, frame, par);
    encoder->time_base = av_inv_q(rate);
    encoder->framerate = rate;
    encoder->max_b_frames = 0;
    // A DVD's groups are at most 15 or 18 pictures long.
    encoder->gop_size = 12;
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = 2 * FF_QP2LAMBDA;
    if (par.codec_id == AV_CODEC_ID_MPEG2VIDEO) {
        encoder->profile = par.profile >= 0 && par.profile != FF_PROFILE_UNKNOWN ? par.profile : FF_PROFILE_UNKNOWN;
        encoder->level = par.level > 0 ? par.level : FF_LEVEL_UNKNOWN;
        if (encoder->pix_fmt == AV_PIX_FMT_YUV422P)
            encoder->profile = 0;  // 4:2:2
        if (frame.interlaced_frame)
            encoder->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    }
    if (par.codec_id == AV_CODEC_ID_MPEG4 && frame.interlaced_frame)
        encoder->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
    if (int e = avcodec_open2(encoder.get(), codec, nullptr); e < 0)
        return "the encoder did not take the source's parameters: " + av::ErrorText(e);
    return {};
}

// An MPEG head's packets carry a sequence end only where the encoder ends a
// stream: a decoder would stop there, before the source's pictures.
void DropSequenceEnd(AVPacket& packet)
{
    static const unsigned char kEnd[] = {0, 0, 1, 0xB7};
    if (packet.size >= 4 && std::equal(kEnd, kEnd + 4, packet.data + packet.size - 4))
        packet.size -= 4;
}

} // namespace

HeadResult MakeHead(AVFormatContext& source, int video, double seek, double decodeFrom, const ExactSpan& span,
                    int reorder, double clipEnd, const std::function<bool(double)>& progress)
{
    const AVStream& stream = *source.streams[video];
    const AVCodecParameters& par = *stream.codecpar;
    Head head;
    switch (par.codec_id) {
    case AV_CODEC_ID_H264: head.coding.codec = PictureCoding::Codec::H264; break;
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO: head.coding.codec = PictureCoding::Codec::Mpeg12; break;
    case AV_CODEC_ID_MPEG4: head.coding.codec = PictureCoding::Codec::Mpeg4; break;
    default:
        return No(std::string("its pictures are ") + avcodec_get_name(par.codec_id)
                  + ", which are started exactly only as H.264, MPEG-1, MPEG-2 or MPEG-4");
    }
    const bool h264 = head.coding.codec == PictureCoding::Codec::H264;
    const bool mpeg12 = head.coding.codec == PictureCoding::Codec::Mpeg12;
    // Program streams leave out the times many MPEG pictures are shown; they
    // follow each other a picture length apart (FillShownTimes).
    const bool fillTimes = FillsShownTimes(source, video);
    const double frameSeconds = FrameSeconds(stream);
    // Sources that keep only decoding times (AVI).
    const bool byOrder = span.decodingOrderTimes;
    if (byOrder && !(span.frameDuration > 0))
        return No("its pictures' length is not known");
    const AVRational base = stream.time_base;
    const std::string_view extradata(reinterpret_cast<const char*>(par.extradata),
                                     static_cast<std::size_t>(par.extradata_size));
    if (head.coding.codec == PictureCoding::Codec::Mpeg4 && PacksBPictures(extradata))
        return No("its B pictures are packed into the pictures before them");
    std::optional<AvcConfig> config;
    std::vector<std::string> sets;
    if (h264 && !extradata.empty() && extradata[0] == 1) {
        config = ReadAvcConfig(extradata);
        if (!config)
            return No("its decoder configuration does not read");
        head.coding.lengthSize = config->lengthSize;
        sets = config->sequenceSets;
        sets.insert(sets.end(), config->pictureSets.begin(), config->pictureSets.end());
    } else if (h264) {
        for (std::string_view unit : AnnexBUnits(extradata))
            if (ParameterSetId(unit))
                sets.emplace_back(unit);
    }

    const AVCodec* decoderCodec = avcodec_find_decoder(par.codec_id);
    av::Codec decoder(avcodec_alloc_context3(decoderCodec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), &par) < 0)
        return No("its pictures cannot be decoded");
    decoder->pkt_timebase = base;
    decoder->thread_count = 0;
    if (int e = avcodec_open2(decoder.get(), decoderCodec, nullptr); e < 0)
        return No("its pictures cannot be decoded: " + av::ErrorText(e));

    const double keyShown = span.keyframe.value_or(std::numeric_limits<double>::infinity());
    const double keyDecoded = span.keyframe ? *span.keyframe - span.keyframeDelay : keyShown;
    const double headEnd = std::min(keyShown, clipEnd);
    const std::int64_t frameTicks = av::Ticks(frameSeconds, base);
    double lastShown = std::numeric_limits<double>::quiet_NaN();
    const std::int64_t keyTicks = span.keyframe ? av::Ticks(keyDecoded, base) : AV_NOPTS_VALUE;
    // The keyframe before the start, which the pictures are counted from.
    const std::int64_t fromTicks = av::Ticks(span.decodeFrom, base);

    head.firstPicture = span.firstPicture;
    if (span.keyframe) {
        head.keyShown = keyShown;
        head.keyDecoded = keyDecoded;
    }
    av::Codec encoder;
    std::string whyNot;
    // The MPEG encoders count in pictures: each head picture's own time, in
    // the order encoded (and written: they are not reordered).
    std::deque<std::int64_t> times;
    std::int64_t encoded = 0;
    av::Packet packet = av::NewPacket();
    auto drain = [&]() {
        while (avcodec_receive_packet(encoder.get(), packet.get()) == 0) {
            av::Packet kept = av::NewPacket();
            av_packet_move_ref(kept.get(), packet.get());
            if (!h264 && !times.empty()) {
                // An MPEG-1/2 decoder shows a picture that is no B picture
                // when the next one is decoded: a picture length later.
                kept->pts = kept->dts = times.front();
                if (mpeg12 && !byOrder)
                    kept->dts -= frameTicks;
                times.pop_front();
            }
            head.packets.push_back(std::move(kept));
        }
    };
    auto openH264Encoder = [&](const AVFrame& frame) -> bool {
        if (!EightBitPlanar(static_cast<AVPixelFormat>(frame.format))) {
            whyNot = std::string("its pictures are stored as ")
                + (av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame.format)) ?: "an unknown form")
                + ", which the encoder does not write";
            return false;
        }
        std::string annexB = StartCoded(sets);
        const std::optional<H264Parameters> p = ReadH264Parameters(annexB);
        const std::optional<int> id = FreeParameterSetId(sets);
        if (!p || !id) {
            whyNot = "its parameter sets do not read";
            return false;
        }
        const std::optional<std::string> profile = X264ProfileName(p->profileIdc);
        if (!profile) {
            whyNot = "its profile (" + std::to_string(p->profileIdc) + ") is not one the encoder writes";
            return false;
        }
        const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
        encoder.reset(x264 ? avcodec_alloc_context3(x264) : nullptr);
        if (!encoder) {
            whyNot = "the H.264 encoder is missing";
            return false;
        }
        TakePictureForm(*encoder, frame, par);
        encoder->time_base = base;
        encoder->framerate = stream.avg_frame_rate;
        if (config)
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        // Well above what the source's own pictures hold, so that the head
        // does not look worse than the tail; the fastest preset that still
        // reorders pictures, since the encoding is most of the cut's cost.
        av::Dictionary settings;
        settings.Set("preset", "superfast");
        settings.Set("crf", "14");
        settings.Set("profile", *profile);
        settings.Set("level", H264LevelName(p->profileIdc, p->levelIdc, p->constraintSet3));
        // The head's pictures are shown as many pictures later than decoded
        // as the source's: a decoder keeps its reordering across the join.
        std::string params = "sps-id=" + std::to_string(*id);
        if (reorder == 0 || p->profileIdc == 66)
            params += ":bframes=0";
        else if (reorder == 1)
            params += ":bframes=1:b-pyramid=none";
        else
            params += ":bframes=3:b-pyramid=normal";
        if ((p->profileIdc == 66 && reorder > 0) || reorder > 2) {
            whyNot = "its pictures are reordered more deeply than the encoder reorders them";
            return false;
        }
        if (!p->frameMbsOnly) {
            params += frame.interlaced_frame && !frame.top_field_first ? ":interlaced=1:bff=1" : ":interlaced=1:tff=1";
            encoder->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        }
        settings.Set("x264-params", params);
        if (int e = avcodec_open2(encoder.get(), x264, settings.Address()); e < 0) {
            whyNot = "the encoder did not take the source's parameters: " + av::ErrorText(e);
            return false;
        }
        return true;
    };
    auto openEncoder = [&](const AVFrame& frame) -> bool {
        if (h264)
            return openH264Encoder(frame);
        AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
        if (byOrder)
            rate = av_d2q(1 / span.frameDuration, 1 << 16);
        whyNot = OpenMpegEncoder(encoder, par, frame, rate);
        return whyNot.empty();
    };

    // A source that keeps only decoding times: each decoded picture carries
    // its own packet's decoding time as its presentation time, so that the
    // keyframes are known in the decoder's order; pictures are shown one
    // picture length apart from the keyframe before the start, which shows
    // after the B pictures decoded right behind it.
    int leadingBeforeFrom = 0;
    enum class Behind { NotYet, Counting, Done } behindFrom = Behind::NotYet;
    bool fromOut = false;
    bool keyOut = false;
    long shownSinceFrom = 0;
    av::Frame previous;
    bool headDone = false;
    auto take = [&](AVFrame& frame) -> bool {
        double t = av::Seconds(frame.best_effort_timestamp, base);
        if (fillTimes) {
            t = frame.pts != AV_NOPTS_VALUE ? av::Seconds(frame.pts, base) : lastShown + frameSeconds;
            lastShown = t;
            frame.best_effort_timestamp = av::Ticks(t, base);
        }
        if (byOrder) {
            const std::int64_t own = frame.pts;
            if (!fromOut && own != fromTicks)
                return true;  // shown before that keyframe
            fromOut = true;
            if (span.keyframe && own == keyTicks) {
                keyOut = true;
                head.keyShown = span.decodeFrom + static_cast<double>(leadingBeforeFrom + shownSinceFrom) * span.frameDuration;
            }
            if (!keyOut && span.keyframe && own > keyTicks)
                head.replaced.push_back(own);
            t = span.decodeFrom + static_cast<double>(leadingBeforeFrom + shownSinceFrom++) * span.frameDuration;
        }
        if (std::isnan(t) || headDone)
            return true;
        if (t < span.firstPicture - kSameTick) {
            previous = Copy(frame);
            return true;
        }
        if (!head.atStart) {
            head.atStart = Copy(frame);
            head.before = std::move(previous);
        } else if (!head.after) {
            head.after = Copy(frame);
        }
        if (byOrder ? keyOut || t >= clipEnd - kSameTick : t >= headEnd - kSameTick) {
            headDone = true;
            return true;
        }
        if (!progress(t - span.firstPicture))
            return false;
        if (!encoder && !openEncoder(frame))
            return false;
        if (h264) {
            frame.pts = byOrder ? av::Ticks(t, base) : frame.best_effort_timestamp;
        } else {
            times.push_back(byOrder ? av::Ticks(t, base) : frame.best_effort_timestamp);
            frame.pts = encoded++;
        }
        frame.pict_type = AV_PICTURE_TYPE_NONE;
        if (int e = avcodec_send_frame(encoder.get(), &frame); e < 0) {
            whyNot = "a picture could not be encoded: " + av::ErrorText(e);
            return false;
        }
        drain();
        return true;
    };

    if (int e = SeekTo(source, seek); e < 0 && seek > 0)
        return No("the source could not be read from its keyframe: " + av::ErrorText(e));
    av::Frame frame = av::NewFrame();
    bool ok = true;
    bool keyPassed = false;
    while (ok && !headDone && av_read_frame(&source, packet.get()) >= 0) {
        if (packet->stream_index != video) {
            av_packet_unref(packet.get());
            continue;
        }
        const std::string_view data(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size));
        const bool bidirectional = KindOf(data, head.coding) == PictureKind::Bidirectional;
        if (fillTimes && bidirectional && packet->pts == AV_NOPTS_VALUE)
            packet->pts = packet->dts;
        const double dts = av::Seconds(packet->dts, base);
        const double pts = av::Seconds(packet->pts, base);
        const double decoded = std::isnan(dts) ? pts : dts;
        if (!std::isnan(decoded) && decoded < decodeFrom - kSameTick) {
            av_packet_unref(packet.get());
            continue;
        }
        if (byOrder) {
            packet->pts = packet->dts;
            // The B pictures right behind the keyframe before the start are
            // shown before it: an IDR picture has none.
            if (behindFrom == Behind::Counting && bidirectional)
                ++leadingBeforeFrom;
            else if (behindFrom == Behind::Counting)
                behindFrom = Behind::Done;
            if (behindFrom == Behind::NotYet && packet->dts == fromTicks)
                behindFrom = h264 && IsIdrPicture(data, head.coding) ? Behind::Done : Behind::Counting;
        }
        // Past the keyframe, only the pictures shown before it (an open
        // group's leading ones) still belong to the head.
        if (!std::isnan(decoded) && decoded > keyDecoded + kSameTick) {
            const bool leading = byOrder ? bidirectional && !keyOut
                                         : !std::isnan(pts) && pts < keyShown - kSameTick && decoded < clipEnd;
            if (!leading) {
                av_packet_unref(packet.get());
                break;
            }
            ++head.leadingPictures;
        }
        // The source's pictures after an H.264 keyframe that is no IDR
        // picture go on counting from the pictures before it, which the
        // head replaced: a decoder would drop or misorder them.
        if (h264 && !keyPassed && span.keyframe && decoded >= keyDecoded - kSameTick
            && !IsIdrPicture(data, head.coding))
            return No("the keyframe after its start is no IDR picture");
        keyPassed = keyPassed || decoded >= keyDecoded - kSameTick;
        if (h264)
            for (std::string_view unit : UnitsOf(*packet, config))
                if (ParameterSetId(unit) && !keyPassed) {
                    bool known = false;
                    for (const std::string& s : sets)
                        known = known || s == unit;
                    if (!known)
                        sets.emplace_back(unit);
                }
        if (avcodec_send_packet(decoder.get(), packet.get()) == AVERROR(EAGAIN))
            ok = false;
        av_packet_unref(packet.get());
        while (ok && avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            ok = take(*frame);
            av_frame_unref(frame.get());
        }
    }
    avcodec_send_packet(decoder.get(), nullptr);
    while (ok && avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
        ok = take(*frame);
        av_frame_unref(frame.get());
    }
    if (!ok)
        return No(whyNot);
    if (!encoder)
        return No("no picture at the start could be decoded");
    avcodec_send_frame(encoder.get(), nullptr);
    drain();
    if (!h264)
        for (av::Packet& p : head.packets)
            DropSequenceEnd(*p);
    // Sources with presentation times count the head's pictures in the
    // listing; the others, in the decoder's order: up to the keyframe's.
    const int wanted = byOrder
        ? static_cast<int>(std::llround((std::min(head.keyShown.value_or(clipEnd), clipEnd) - span.firstPicture)
                                        / span.frameDuration))
        : span.headPictures;
    if (byOrder && span.keyframe && !keyOut)
        return No("the keyframe after the start did not decode");
    if (static_cast<int>(head.packets.size()) != wanted)
        return No("the pictures before the keyframe did not decode whole (" + std::to_string(head.packets.size())
                  + " of " + std::to_string(wanted) + ")");

    // The head is decoded before the keyframe: its times move back where the
    // encoder's reordering delay differs from the source's.
    if (head.keyDecoded && byOrder) {
        head.keyDts = av::Ticks(*head.keyShown, base);
    } else if (head.keyDecoded && mpeg12) {
        // The keyframe's leading pictures are left out: it is decoded when
        // the head's last picture is shown, as any MPEG decoder shows it.
        head.keyDts = av::Ticks(*head.keyShown, base) - frameTicks;
    } else if (head.keyDecoded) {
        const std::int64_t key = av::Ticks(*head.keyDecoded, base);
        const std::int64_t late = head.packets.back()->dts - key + 1;
        if (late > 0)
            for (av::Packet& p : head.packets)
                p->dts -= late;
    }
    if (!h264) {
        // The source's own headers in front of its keyframe, where it has
        // none: the head's replaced them in the decoder.
        head.keyPrefix = std::string(extradata);
    } else if (config) {
        // The head's sets go beside the source's in the decoder configuration;
        // its packets take the source's length form.
        AvcConfig joined = *config;
        const std::string_view headSets(reinterpret_cast<const char*>(encoder->extradata),
                                        static_cast<std::size_t>(encoder->extradata_size));
        for (std::string_view unit : AnnexBUnits(headSets)) {
            if (UnitType(unit) == kSequenceSet)
                joined.sequenceSets.emplace_back(unit);
            else if (UnitType(unit) == kPictureSet)
                joined.pictureSets.emplace_back(unit);
        }
        head.extradata = WriteAvcConfig(joined);
        for (av::Packet& p : head.packets) {
            const std::string form = LengthPrefixed(
                AnnexBUnits(std::string_view(reinterpret_cast<const char*>(p->data), static_cast<std::size_t>(p->size))),
                config->lengthSize);
            av::Packet converted = av::NewPacket();
            if (av_new_packet(converted.get(), static_cast<int>(form.size())) < 0)
                return No("out of memory");
            std::copy(form.begin(), form.end(), converted->data);
            av_packet_copy_props(converted.get(), p.get());
            p = std::move(converted);
        }
    } else {
        // The source's sets in front of the keyframe, unless it has them:
        // the head's own replaced them in the decoder.
        head.keyPrefix = StartCoded(sets);
    }
    return HeadResult{std::move(head), {}};
}

std::string CheckExactStart(const std::string& clip, const Head& head, int headPictures)
{
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, clip.c_str(), nullptr, nullptr) < 0)
        return "the clip could not be read back";
    av::Input input(opened);
    if (avformat_find_stream_info(opened, nullptr) < 0)
        return "the clip could not be read back";
    const int video = FirstVideoStream(*opened);
    if (video < 0)
        return "the clip has no pictures";
    const AVStream& stream = *opened->streams[video];
    const bool fillTimes = FillsShownTimes(*opened, video);
    const double frameSeconds = FrameSeconds(stream);
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    av::Codec decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0)
        return "the clip's pictures cannot be decoded";
    decoder->pkt_timebase = stream.time_base;
    decoder->thread_count = 0;
    decoder->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return "the clip's pictures cannot be decoded";
    const int wanted = headPictures + (head.keyDecoded ? 2 : 0);
    int got = 0;
    int damaged = 0;
    double last = -std::numeric_limits<double>::infinity();
    bool rising = true;
    av::Frame first;
    av::Packet packet = av::NewPacket();
    av::Frame frame = av::NewFrame();
    auto take = [&] {
        while (got < wanted && avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            // A program stream's reader guesses the times it leaves out, not
            // always in order: they follow each other a picture length apart.
            const double t = !fillTimes ? av::Seconds(frame->best_effort_timestamp, stream.time_base)
                : frame->pts != AV_NOPTS_VALUE ? av::Seconds(frame->pts, stream.time_base)
                                              : last + frameSeconds;
            damaged += frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT);
            rising = rising && !(t <= last);
            last = t;
            if (!first)
                first = Copy(*frame);
            ++got;
            av_frame_unref(frame.get());
        }
    };
    while (got < wanted && av_read_frame(opened, packet.get()) >= 0) {
        if (packet->stream_index == video)
            damaged += avcodec_send_packet(decoder.get(), packet.get()) < 0;
        av_packet_unref(packet.get());
        take();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    take();
    if (damaged > 0)
        return "its first pictures do not decode cleanly";
    if (got < wanted)
        return "it holds " + std::to_string(got) + " of its first " + std::to_string(wanted) + " pictures";
    if (!rising)
        return "its first pictures' times do not rise";
    if (first && head.atStart) {
        const double here = LumaLikeness(*first, *head.atStart);
        for (const av::Frame* beside : {&head.before, &head.after})
            if (*beside && LumaLikeness(*first, **beside) > here)
                return "its first picture is not the one at the start";
    }
    return {};
}

} // namespace korvane::frontend
