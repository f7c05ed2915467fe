#include "converter/CopyClip.h"

#include "converter/EngineGuard.h"
#include "converter/ExactHead.h"
#include "converter/LibAv.h"
#include "converter/MovieFile.h"
#include "converter/Source.h"
#include "converter/Tracks.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

namespace korvane::frontend {
namespace {


struct Track {
    AVStream* in = nullptr;
    AVStream* out = nullptr;
    bool done = false;     // its packets have passed the clip's end
    bool started = false;  // its first packet is written
    // The decoding time its next packet would have, in the source's ticks:
    // program streams leave it out of many packets.
    std::int64_t nextDts = AV_NOPTS_VALUE;
    std::int64_t lastWritten = AV_NOPTS_VALUE;  // the last decoding time written, in the clip's ticks
};

// How long one packet of a stream lasts in its ticks, when the stream says.
std::int64_t PacketTicks(const AVStream& s)
{
    const AVCodecParameters& par = *s.codecpar;
    if (par.codec_type == AVMEDIA_TYPE_VIDEO && s.avg_frame_rate.num > 0 && s.avg_frame_rate.den > 0)
        return av_rescale_q(1, av_inv_q(s.avg_frame_rate), s.time_base);
    if (par.codec_type == AVMEDIA_TYPE_AUDIO && par.frame_size > 0 && par.sample_rate > 0)
        return av_rescale_q(par.frame_size, AVRational{1, par.sample_rate}, s.time_base);
    return 0;
}

// Whether the writer keeps the source's codec tag, as the engine decides it
// for copied streams: when it has no tags of its own, when the tag means the
// same codec to it, or when it has no tag for the codec at all.
void KeepOrClearTag(const AVOutputFormat& writer, AVCodecParameters& par)
{
    unsigned int tag = 0;
    if (!writer.codec_tag || av_codec_get_id(writer.codec_tag, par.codec_tag) == par.codec_id
        || !av_codec_get_tag2(writer.codec_tag, par.codec_id, &tag))
        return;
    par.codec_tag = 0;
}

// The span of an exact start from a listing long enough to reach the first
// keyframe after the start; nothing when the listing cannot tell.
// `reorder` is how many pictures the keyframe after the start is shown
// later than decoded: those shown between its decoding and its showing.
// `listed` is the listing from `seek` the keyframe was found in, if it reaches
// kExactLookAhead past the start: it is not listed again.
constexpr double kExactLookAhead = 3;
std::optional<ExactSpan> ExactSpanOf(AVFormatContext& source, int video, const ClipRequest& request,
                                     double seek, double clipEnd, std::optional<PacketList> listed, int& reorder)
{
    for (double more : {kExactLookAhead, 30.0, 300.0, kLongestDuration}) {
        const PacketList list = listed ? std::move(*listed) : ListVideoPackets(source, video, seek, request.start - seek + more);
        listed.reset();
        const bool covers = list.toTheEnd
            || (!list.packets.empty() && std::isfinite(clipEnd) && list.packets.back().dts >= clipEnd);
        const std::optional<double> end = std::isfinite(clipEnd) ? std::optional<double>(clipEnd) : std::nullopt;
        const SpanResult found = FindExactSpan(list, request.start, end, covers);
        if (!(found.span || found.complete || covers))
            continue;
        if (found.span && found.span->keyframe) {
            const double shown = *found.span->keyframe;
            const double decoded = shown - found.span->keyframeDelay;
            reorder = static_cast<int>(std::count_if(list.packets.begin(), list.packets.end(), [&](const VideoPacket& p) {
                return p.pts && *p.pts >= decoded - kSameTick && *p.pts < shown - kSameTick;
            }));
        }
        return found.span;
    }
    return std::nullopt;
}

std::string TrackCount(std::size_t n, const char* what)
{
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

} // namespace

CopyResult CopyClip(const ClipRequest& request, const CopyOptions& options,
                    const std::function<bool(double)>& progress)
{
    CopyResult result;
    auto fail = [&result](std::string reason) {
        result.outcome = CopyResult::Outcome::Failed;
        result.reason = std::move(reason);
        return result;
    };
    auto notWritten = [&](int error) {
        result.writeFailed = true;
        return fail("The clip could not be written: " + av::ErrorText(error) + ".");
    };

    OpenedSource opened = OpenSource(request.input);
    if (!opened.input)
        return fail(opened.notMedia ? NotAVideoFile(request.input)
                                    : "The source could not be read: " + opened.error + ".");
    AVFormatContext& source = *opened.input;
    const double origin = SourceOrigin(source);
    const int video = options.video ? FirstVideoStream(source) : -1;
    // Where the clip begins: its pictures at the keyframe shown at or before
    // the start, decoded from there; the other tracks from when that keyframe
    // is shown. Without pictures, everything from the start itself.
    CutAfterSeek cut{std::max(request.start - kSoundLead, 0.0), origin + request.start, origin, std::nullopt};
    std::optional<PacketList> keyframeList;
    if (video >= 0 && request.start > 0) {
        for (std::size_t i = 0; i < std::size(kKeyframeLeads); ++i) {
            const double seek = std::max(request.start - kKeyframeLeads[i], 0.0);
            const bool lastTry = i + 1 == std::size(kKeyframeLeads) || seek == 0;
            PacketList list = ListVideoPackets(source, video, seek,
                                               request.start - seek + (request.exactStart ? kExactLookAhead : 1));
            if (const auto found = CutAtKeyframe(list, request.start, seek, lastTry)) {
                cut = *found;
                keyframeList = std::move(list);
                break;
            }
            if (lastTry)
                break;
        }
    } else if (request.start <= 0) {
        cut = CutAfterSeek{0, -std::numeric_limits<double>::infinity(), origin, std::nullopt};
    }
    double soundFrom = cut.soundFrom.value_or(cut.begin);
    const double clipEnd = request.duration ? origin + request.start + *request.duration
                                            : std::numeric_limits<double>::infinity();
    const bool editListFile = ContainerOf(request.output) == Container::Mov;
    // An MP4 or MOV clip says with its edit list that it is shown from the
    // marked start; other files begin with that keyframe.
    double zero = editListFile || request.start <= 0 || !std::isfinite(soundFrom)
        ? origin + request.start
        : soundFrom;

    // An exact start: the pictures up to the first keyframe after the start
    // encoded again, the source's packets from that keyframe on.
    std::optional<Head> head;
    std::optional<ExactSpan> exact;
    std::string notExact;
    if (request.exactStart && video >= 0 && request.start > 0) {
        int reorder = 0;
        exact = ExactSpanOf(source, video, request, cut.seek, clipEnd, std::move(keyframeList), reorder);
        // Pictures in the order decoded carry no sign of reordering: the
        // head is written as shown.
        if (exact && exact->decodingOrderTimes)
            reorder = 0;
        if (!exact) {
            notExact = "its pictures around the start could not be listed";
        } else if (exact->startsOnKeyframe) {
            zero = soundFrom = exact->firstPicture;
        } else {
            bool stopped = false;
            HeadResult made = MakeHead(source, video, cut.seek, cut.begin, *exact, reorder, clipEnd,
                                       [&](double seconds) { return !(stopped = !progress(seconds)); });
            if (stopped) {
                result.outcome = CopyResult::Outcome::Stopped;
                return result;
            }
            if (made.head) {
                head = std::move(made.head);
                zero = soundFrom = exact->firstPicture;
            } else {
                notExact = made.whyNot;
            }
        }
    }
    auto keyframeInstead = [&](std::string why) {
        ClipRequest atKeyframe = request;
        atKeyframe.exactStart = false;
        CopyResult again = CopyClip(atKeyframe, options, progress);
        again.leftOut.insert(again.leftOut.begin(), KeyframeStartNotice(cut.soundFrom.value_or(cut.begin) - origin, why));
        return again;
    };
    if (!notExact.empty())
        return keyframeInstead(notExact);

    AVFormatContext* made = nullptr;
    int error = avformat_alloc_output_context2(&made, nullptr, options.format ? options.format->c_str() : nullptr,
                                               request.output.c_str());
    if (error < 0 || !made)
        return fail("The clip's file type is not known: " + av::ErrorText(error) + ".");
    av::Output clip(made);
    const AVOutputFormat& writer = *clip->oformat;

    av::Dictionary writerOptions;
    for (const auto& [name, value] : options.writerOptions) {
        if (!av_opt_find(&clip->av_class, name.c_str(), nullptr, 0, AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ)) {
            result.outcome = CopyResult::Outcome::NeedsEngine;
            result.reason = "the option -" + name;
            return result;
        }
        writerOptions.Set(name, value);
    }

    // The tracks, in the source's order within each kind: pictures, sound,
    // subtitles, data, attachments.
    const TrackPlan plan = PlanTracks(request);
    std::vector<Track> tracks(source.nb_streams);
    std::size_t subtitlesLeft = 0;
    std::size_t dataLeft = 0;
    bool firstSound = true;
    const AVMediaType kinds[] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_DATA,
                                 AVMEDIA_TYPE_ATTACHMENT};
    for (AVMediaType kind : kinds) {
        for (unsigned i = 0; i < source.nb_streams; ++i) {
            AVStream* in = source.streams[i];
            const AVCodecParameters& par = *in->codecpar;
            if (par.codec_type != kind)
                continue;
            bool wanted = false;
            switch (kind) {
            case AVMEDIA_TYPE_VIDEO:
                wanted = options.video && !(in->disposition & AV_DISPOSITION_ATTACHED_PIC);
                break;
            case AVMEDIA_TYPE_AUDIO:
                wanted = options.audio && (!plan.firstSoundOnly || firstSound);
                firstSound = false;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                if (!options.subtitles || !plan.mapTracks)
                    break;
                if (!plan.subtitles) {
                    ++subtitlesLeft;
                    break;
                }
                if (plan.subtitleCodec != "copy") {
                    result.outcome = CopyResult::Outcome::NeedsEngine;
                    result.reason = "subtitles rewritten as " + plan.subtitleCodec;
                    return result;
                }
                // Writers without a table of codecs (program streams) cannot
                // tell and take what they know.
                wanted = avformat_query_codec(&writer, par.codec_id, FF_COMPLIANCE_NORMAL) != 0;
                if (!wanted)
                    ++subtitlesLeft;
                break;
            case AVMEDIA_TYPE_DATA:
                // A time code track is written anew from the picture track's
                // time code, moved to the clip's start.
                // A DVD's navigation packets are the disc's, not the film's.
                if (IsTimecodeTrack(*in) || !options.data || par.codec_id == AV_CODEC_ID_DVD_NAV)
                    break;
                wanted = par.codec_id != AV_CODEC_ID_NONE
                    && avformat_query_codec(&writer, par.codec_id, FF_COMPLIANCE_NORMAL) == 1;
                if (!wanted)
                    ++dataLeft;
                break;
            case AVMEDIA_TYPE_ATTACHMENT:
                wanted = writer.name && std::string(writer.name).find("matroska") != std::string::npos;
                break;
            default:
                break;
            }
            if (!wanted)
                continue;
            AVStream* out = avformat_new_stream(clip.get(), nullptr);
            if (!out || (error = avcodec_parameters_copy(out->codecpar, &par)) < 0)
                return fail("The clip's tracks could not be set up: " + av::ErrorText(out ? error : AVERROR(ENOMEM)) + ".");
            KeepOrClearTag(writer, *out->codecpar);
            out->time_base = in->time_base;
            out->avg_frame_rate = in->avg_frame_rate;
            out->r_frame_rate = in->r_frame_rate;
            out->sample_aspect_ratio = in->sample_aspect_ratio;
            out->disposition = in->disposition;
            av_dict_copy(&out->metadata, in->metadata, 0);
            for (int s = 0; s < in->nb_side_data; ++s) {
                const AVPacketSideData& side = in->side_data[s];
                std::uint8_t* copy = av_stream_new_side_data(out, side.type, side.size);
                if (copy)
                    std::copy(side.data, side.data + side.size, copy);
            }
            tracks[i].in = in;
            tracks[i].out = out;
        }
    }
    if (clip->nb_streams == 0)
        return fail("The source has no track the clip can hold.");

    const int videoOut = video >= 0 && tracks[video].out ? tracks[video].out->index : -1;
    if (videoOut >= 0) {
        AVStream* out = tracks[video].out;
        if (options.aspect) {
            AVRational dar{0, 1};
            if (av_parse_ratio(&dar, options.aspect->c_str(), 255, 0, nullptr) < 0 || dar.num <= 0)
                return fail("The aspect '" + *options.aspect + "' is not a ratio of width to height.");
            const AVRational sar = av_mul_q(dar, AVRational{out->codecpar->height, out->codecpar->width});
            out->sample_aspect_ratio = out->codecpar->sample_aspect_ratio = sar;
        }
        if (head && !head->extradata.empty()) {
            av_freep(&out->codecpar->extradata);
            out->codecpar->extradata_size = 0;
            const std::string& sets = head->extradata;
            out->codecpar->extradata = static_cast<std::uint8_t*>(av_mallocz(sets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!out->codecpar->extradata)
                return fail("The clip's picture track could not be set up: " + av::ErrorText(AVERROR(ENOMEM)) + ".");
            std::copy(sets.begin(), sets.end(), out->codecpar->extradata);
            out->codecpar->extradata_size = static_cast<int>(sets.size());
        }
        av_dict_set(&out->metadata, "timecode", nullptr, 0);
        if (editListFile)
            if (const auto moved = ClipTimecode(source, video, zero))
                av_dict_set(&out->metadata, "timecode", moved->c_str(), 0);
    }
    av_dict_copy(&clip->metadata, source.metadata, 0);
    av_dict_set(&clip->metadata, "timecode", nullptr, 0);
    for (const auto& [key, value] : options.metadata)
        av_dict_set(&clip->metadata, key.c_str(), value.empty() ? nullptr : value.c_str(), 0);
    if (options.bitexact)
        clip->flags |= AVFMT_FLAG_BITEXACT;
    // Times below the clip's zero stay there in an edit list file: it hides
    // them. Other files begin at 0.
    clip->avoid_negative_ts = editListFile ? AVFMT_AVOID_NEG_TS_DISABLED : AVFMT_AVOID_NEG_TS_MAKE_ZERO;

    // The chapters inside the clip, moved with it.
    for (unsigned c = 0; c < source.nb_chapters; ++c) {
        const AVChapter& chapter = *source.chapters[c];
        const auto span = SubtitleInClip(av::Seconds(chapter.start, chapter.time_base),
                                         av::Seconds(chapter.end - chapter.start, chapter.time_base),
                                         zero, clipEnd);
        if (!span)
            continue;
        auto* kept = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        auto** grown = static_cast<AVChapter**>(
            av_realloc_array(clip->chapters, clip->nb_chapters + 1, sizeof(AVChapter*)));
        if (!kept || !grown) {
            av_free(kept);
            return fail("The clip's chapters could not be set up: " + av::ErrorText(AVERROR(ENOMEM)) + ".");
        }
        clip->chapters = grown;
        kept->id = chapter.id;
        kept->time_base = chapter.time_base;
        kept->start = av::Ticks(span->from - zero, chapter.time_base);
        kept->end = av::Ticks(span->from + span->length - zero, chapter.time_base);
        av_dict_copy(&kept->metadata, chapter.metadata, 0);
        clip->chapters[clip->nb_chapters++] = kept;
    }

    if (!(writer.flags & AVFMT_NOFILE)) {
        av::Dictionary restrictions;
        restrictions.Set("protocol_whitelist", "file");
        error = avio_open2(&clip->pb, request.output.c_str(), AVIO_FLAG_WRITE, nullptr, restrictions.Address());
        if (error < 0)
            return notWritten(error);
    }
    error = avformat_write_header(clip.get(), writerOptions.Address());
    if (error < 0)
        return notWritten(error);

    if (request.start > 0 && (error = SeekTo(source, cut.seek)) < 0 && cut.seek > 0)
        return fail("The source could not be read from the clip's start: " + av::ErrorText(error) + ".");
    if (request.start <= 0)
        SeekTo(source, 0);

    av::Packet packet = av::NewPacket();
    double written = 0;
    // Decoding times rise in every stream, strictly where the writer asks:
    // a damaged or split source repeats them, and the writer refuses that.
    const bool strict = !(writer.flags & AVFMT_TS_NONSTRICT);
    auto write = [&](AVPacket& p, AVRational base, Track& track) {
        const AVStream& out = *track.out;
        p.stream_index = out.index;
        p.pos = -1;
        av_packet_rescale_ts(&p, base, out.time_base);
        if (p.dts != AV_NOPTS_VALUE && track.lastWritten != AV_NOPTS_VALUE && p.dts < track.lastWritten + strict) {
            p.dts = track.lastWritten + strict;
            if (p.pts != AV_NOPTS_VALUE && p.pts < p.dts)
                p.pts = p.dts;
        }
        if (p.dts != AV_NOPTS_VALUE)
            track.lastWritten = p.dts;
        return av_interleaved_write_frame(clip.get(), &p);
    };
    // The picture and sound tracks still short of the clip's end: the source
    // is read until none is.
    auto holdsReading = [](const Track& t) {
        const AVMediaType kind = t.in->codecpar->codec_type;
        return kind == AVMEDIA_TYPE_VIDEO || kind == AVMEDIA_TYPE_AUDIO;
    };
    int open = static_cast<int>(std::count_if(tracks.begin(), tracks.end(), [&](const Track& t) {
        return t.out && holdsReading(t);
    }));
    auto finish = [&](Track& t) {
        if (!t.done && holdsReading(t))
            --open;
        t.done = true;
    };
    if (head) {
        const AVRational base = source.streams[video]->time_base;
        const std::int64_t shift = av::Ticks(zero, base);
        for (av::Packet& p : head->packets) {
            p->pts -= shift;
            p->dts -= shift;
            ++result.pictures;
            if ((error = write(*p, base, tracks[video])) < 0)
                return notWritten(error);
        }
        tracks[video].started = true;
        if (!head->keyDecoded)
            finish(tracks[video]);
    }
    bool keyPrefixed = false;
    // An MPEG-1/2 keyframe's group loses its leading pictures to the head.
    std::optional<GroupAfterLeadingPictures> groupMender;
    if (head && head->keyDecoded && head->coding.codec == PictureCoding::Codec::Mpeg12)
        groupMender.emplace(head->leadingPictures);
    // A keyframe before a start past the source's end must not make a clip.
    bool reachedStart = false;
    for (;;) {
        error = av_read_frame(&source, packet.get());
        if (error == AVERROR_EOF)
            break;
        if (error < 0) {
            // A damaged stretch: the engine goes on past it too.
            if (error == AVERROR(EAGAIN) || error == AVERROR_INVALIDDATA)
                continue;
            return fail("The source could not be read: " + av::ErrorText(error) + ".");
        }
        Track& track = tracks[static_cast<std::size_t>(packet->stream_index)];
        if (!track.out || track.done) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVRational base = track.in->time_base;
        const double dts = av::Seconds(packet->dts, base);
        double pts = av::Seconds(packet->pts, base);
        // A B picture is shown when it is decoded: program streams often
        // leave its time out.
        if (std::isnan(pts) && head && packet->stream_index == video && head->coding.codec != PictureCoding::Codec::H264
            && KindOf(std::string_view(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size)),
                      head->coding) == PictureKind::Bidirectional)
            pts = dts;
        const double decoded = std::isnan(dts) ? pts : dts;
        const double shown = std::isnan(pts) ? dts : pts;
        const AVMediaType kind = track.in->codecpar->codec_type;
        bool keep = true;
        if (kind == AVMEDIA_TYPE_VIDEO) {
            const bool headTrack = head && packet->stream_index == video;
            if (std::isnan(decoded))
                keep = track.started && (!headTrack || keyPrefixed);
            else if (decoded < (headTrack ? *head->keyDecoded : cut.begin) - kSameTick)
                keep = false;
            else if (decoded >= clipEnd - kSameTick)
                keep = false, finish(track);
            else if (headTrack && decoded > *head->keyDecoded + kSameTick
                     && (exact->decodingOrderTimes
                             ? std::find(head->replaced.begin(), head->replaced.end(), packet->dts) != head->replaced.end()
                             : !std::isnan(pts) && pts < *head->keyShown - kSameTick))
                keep = false;  // shown before the keyframe: the head has it
            if (keep && headTrack && groupMender) {
                if ((error = av_packet_make_writable(packet.get())) < 0)
                    return notWritten(error);
                std::string bytes(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size));
                groupMender->Mend(bytes);
                std::copy(bytes.begin(), bytes.end(), packet->data);
            }
            if (keep && headTrack && !keyPrefixed) {
                keyPrefixed = true;
                if (head->keyDts)
                    packet->dts = *head->keyDts;
                if (exact->decodingOrderTimes)
                    packet->pts = packet->dts;
                const std::string_view data(reinterpret_cast<const char*>(packet->data),
                                            static_cast<std::size_t>(packet->size));
                if (!head->keyPrefix.empty() && !CarriesStreamHeader(data, head->coding)) {
                    // The source's sets in front of its keyframe, where the
                    // head's replaced them in the decoder.
                    av::Packet joined = av::NewPacket();
                    const std::string& sets = head->keyPrefix;
                    if (av_new_packet(joined.get(), static_cast<int>(sets.size()) + packet->size) < 0)
                        return notWritten(AVERROR(ENOMEM));
                    std::copy(sets.begin(), sets.end(), joined->data);
                    std::copy(packet->data, packet->data + packet->size, joined->data + sets.size());
                    av_packet_copy_props(joined.get(), packet.get());
                    av_packet_unref(packet.get());
                    av_packet_move_ref(packet.get(), joined.get());
                }
            }
        } else if (kind == AVMEDIA_TYPE_SUBTITLE) {
            const auto span = SubtitleInClip(shown, av::Seconds(packet->duration, base), zero, clipEnd);
            keep = span.has_value();
            if (span) {
                packet->pts = packet->dts = av::Ticks(span->from, base);
                packet->duration = span->length > 0 ? av::Ticks(span->length, base) : 0;
            }
        } else {
            if (std::isnan(shown))
                keep = track.started;
            else if (shown < soundFrom - kSameTick)
                keep = false;
            else if (shown >= clipEnd - kSameTick)
                keep = false, finish(track);
        }
        if (!keep) {
            av_packet_unref(packet.get());
            if (open == 0)
                break;
            continue;
        }
        track.started = true;
        if (packet->dts == AV_NOPTS_VALUE && track.nextDts != AV_NOPTS_VALUE && kind != AVMEDIA_TYPE_SUBTITLE)
            packet->dts = track.nextDts;
        if (packet->dts != AV_NOPTS_VALUE)
            track.nextDts = packet->dts + (packet->duration > 0 ? packet->duration : PacketTicks(*track.in));
        const std::int64_t shift = av::Ticks(zero, base);
        if (packet->pts != AV_NOPTS_VALUE)
            packet->pts -= shift;
        if (packet->dts != AV_NOPTS_VALUE)
            packet->dts -= shift;
        if (kind == AVMEDIA_TYPE_VIDEO && track.out->index == videoOut)
            ++result.pictures;
        if (!std::isnan(shown) && kind != AVMEDIA_TYPE_SUBTITLE) {
            const double end = shown + (packet->duration > 0 ? av::Seconds(packet->duration, base) : 0) - zero;
            written = std::max(written, std::min(end, clipEnd - zero));
            reachedStart = reachedStart || shown + kSameTick >= origin + request.start
                || end > origin + request.start - zero + kSameTick;
        }
        error = write(*packet, base, track);
        if (error < 0)
            return notWritten(error);
        if (!progress(written)) {
            result.outcome = CopyResult::Outcome::Stopped;
            return result;
        }
    }
    error = av_write_trailer(clip.get());
    if (error >= 0 && clip->pb && clip->pb->error < 0)
        error = clip->pb->error;
    if (error < 0)
        return notWritten(error);
    if (clip->pb)
        avio_closep(&clip->pb);
    if (editListFile && request.duration && videoOut >= 0) {
        // Pictures decoded before the end may be shown after it: the edit
        // list ends where the pictures shown from the start stop following
        // each other.
        const std::string why = EndCopiedMovie(request.output, request.duration);
        if (!why.empty())
            return fail("The clip's end could not be set in its index: " + why + ".");
    }
    result.lastTime = written;
    if (!reachedStart || (!(written > 0) && result.pictures == 0))
        return fail("Nothing was converted: the clip starts after the end of the source.");
    if (subtitlesLeft > 0)
        result.leftOut.push_back(SubtitlesLeftOutText(static_cast<int>(subtitlesLeft),
                                                      plan.subtitlesLeftOutBecause.empty()
                                                          ? "the clip's file type cannot hold them as they are"
                                                          : plan.subtitlesLeftOutBecause));
    if (dataLeft > 0)
        result.leftOut.push_back("Data left out of the clip: " + TrackCount(dataLeft, "track")
                                 + " (the clip's file type cannot hold them).");
    if (head) {
        // The exact start proves itself, or the clip starts at the keyframe.
        if (std::string why = CheckExactStart(request.output, *head, static_cast<int>(head->packets.size())); !why.empty()) {
            opened.input.reset();
            return keyframeInstead(why);
        }
    }
    result.outcome = CopyResult::Outcome::Made;
    return result;
}

} // namespace korvane::frontend
