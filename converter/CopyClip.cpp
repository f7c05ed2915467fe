#include "converter/CopyClip.h"

#include "converter/ClipWriter.h"
#include "converter/EngineGuard.h"
#include "converter/ExactHead.h"
#include "converter/LibAv.h"
#include "converter/MovieFile.h"
#include "converter/Source.h"
#include "converter/Tracks.h"

#include <algorithm>
#include <cmath>
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
        KeyframeFound found = FindKeyframeCut(source, video, request.start, request.exactStart ? kExactLookAhead : 1);
        if (found.cut) {
            cut = *found.cut;
            keyframeList = std::move(found.list);
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

    OpenedClip writer = OpenClip(request, options, source, video, head ? head->extradata : std::string(), zero,
                                 clipEnd);
    if (!writer.needsEngine.empty()) {
        result.outcome = CopyResult::Outcome::NeedsEngine;
        result.reason = writer.needsEngine;
        return result;
    }
    if (!writer.error.empty()) {
        result.writeFailed = writer.writeFailed;
        return fail(writer.error);
    }
    AVFormatContext* clip = writer.clip.get();
    const AVOutputFormat& format = *clip->oformat;
    const TrackPlan plan = PlanTracks(request);
    std::vector<Track> tracks(source.nb_streams);
    for (unsigned i = 0; i < source.nb_streams; ++i) {
        tracks[i].in = source.streams[i];
        tracks[i].out = writer.outs[i];
    }
    const std::size_t subtitlesLeft = writer.subtitlesLeft;
    const std::size_t dataLeft = writer.dataLeft;
    const int videoOut = video >= 0 && tracks[static_cast<std::size_t>(video)].out
        ? tracks[static_cast<std::size_t>(video)].out->index : -1;
    int error = 0;

    if (request.start > 0 && (error = SeekTo(source, cut.seek)) < 0 && cut.seek > 0)
        return fail("The source could not be read from the clip's start: " + av::ErrorText(error) + ".");
    if (request.start <= 0)
        SeekTo(source, 0);

    av::Packet packet = av::NewPacket();
    double written = 0;
    // Decoding times rise in every stream, strictly where the writer asks:
    // a damaged or split source repeats them, and the writer refuses that.
    const bool strict = !(format.flags & AVFMT_TS_NONSTRICT);
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
        return av_interleaved_write_frame(clip, &p);
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
    error = av_write_trailer(clip);
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
