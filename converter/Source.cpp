#include "converter/Source.h"

#include <algorithm>
#include <iterator>

#include "converter/CopyPlan.h"
#include "converter/EngineGuard.h"

#include <cmath>

namespace korvane::frontend {

OpenedSource OpenSource(const std::string& path)
{
    OpenedSource opened;
    av::Dictionary options;
    // The engine's restrictions, read as options of the source's reader;
    // the picture limit is the decoders' and does not apply here.
    const std::vector<std::string> restrictions = InputRestrictions();
    for (std::size_t i = 0; i + 1 < restrictions.size(); i += 2)
        if (restrictions[i] != "-max_pixels")
            options.Set(restrictions[i].substr(1), restrictions[i + 1]);
    AVFormatContext* context = nullptr;
    int error = avformat_open_input(&context, path.c_str(), nullptr, options.Address());
    if (error < 0) {
        opened.error = av::ErrorText(error);
        opened.notMedia = error == AVERROR_INVALIDDATA || error == AVERROR(EINVAL)
            || error == AVERROR_DEMUXER_NOT_FOUND;
        return opened;
    }
    opened.input.reset(context);
    error = avformat_find_stream_info(context, nullptr);
    if (error < 0) {
        opened.error = av::ErrorText(error);
        opened.notMedia = true;
        opened.input.reset();
    }
    return opened;
}

double SourceOrigin(const AVFormatContext& source)
{
    return source.start_time == AV_NOPTS_VALUE ? 0.0 : av::Seconds(source.start_time, AV_TIME_BASE_Q);
}

int FirstVideoStream(const AVFormatContext& source)
{
    for (unsigned i = 0; i < source.nb_streams; ++i) {
        const AVStream& s = *source.streams[i];
        if (s.codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(s.disposition & AV_DISPOSITION_ATTACHED_PIC))
            return static_cast<int>(i);
    }
    return -1;
}

int SeekTo(AVFormatContext& source, double seconds)
{
    if (seconds <= 0 && source.start_time == AV_NOPTS_VALUE)
        return avformat_seek_file(&source, -1, INT64_MIN, 0, 0, 0);
    const std::int64_t at = av::Ticks(SourceOrigin(source) + seconds, AV_TIME_BASE_Q);
    return avformat_seek_file(&source, -1, INT64_MIN, at, at, 0);
}

PacketList ListVideoPackets(AVFormatContext& source, int video, double seek, double length)
{
    PacketList list;
    list.sourceStart = SourceOrigin(source);
    list.listedVideo = video >= 0;
    if (video < 0 || SeekTo(source, seek) < 0)
        return list;
    const AVRational base = source.streams[video]->time_base;
    const double until = *list.sourceStart + seek + length;
    av::Packet packet = av::NewPacket();
    list.toTheEnd = true;
    const bool fill = FillsShownTimes(source, video);
    std::vector<PictureKind> kinds;
    while (av_read_frame(&source, packet.get()) >= 0) {
        if (packet->stream_index == video) {
            const double dts = av::Seconds(packet->dts, base);
            const double pts = av::Seconds(packet->pts, base);
            VideoPacket p;
            p.dts = std::isnan(dts) ? pts : dts;
            if (!std::isnan(pts))
                p.pts = pts;
            p.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            if (!std::isnan(p.dts)) {
                if (p.dts > until) {
                    list.toTheEnd = false;
                    break;
                }
                list.packets.push_back(p);
                if (fill)
                    kinds.push_back(KindOf(std::string_view(reinterpret_cast<const char*>(packet->data),
                                                            static_cast<std::size_t>(packet->size)),
                                           PictureCoding{}));
            }
        }
        av_packet_unref(packet.get());
    }
    if (fill)
        FillShownTimes(list.packets, kinds, FrameSeconds(*source.streams[video]));
    return list;
}

KeyframeFound FindKeyframeCut(AVFormatContext& source, int video, double start, double lookAhead)
{
    KeyframeFound found;
    for (std::size_t i = 0; i < std::size(kKeyframeLeads); ++i) {
        const double seek = std::max(start - kKeyframeLeads[i], 0.0);
        const bool lastTry = i + 1 == std::size(kKeyframeLeads) || seek == 0;
        found.list = video >= 0 ? ListVideoPackets(source, video, seek, start - seek + lookAhead)
                                : PacketList{{}, SourceOrigin(source), false, false};
        found.cut = CutAtKeyframe(found.list, start, seek, lastTry);
        if (found.cut || lastTry)
            break;
    }
    return found;
}

bool FillsShownTimes(const AVFormatContext& source, int video)
{
    const AVCodecID codec = source.streams[video]->codecpar->codec_id;
    return (codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO)
        && std::string_view(source.iformat->name).find("avi") == std::string_view::npos;
}

double FrameSeconds(const AVStream& stream)
{
    const AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
    return rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0;
}

bool IsTimecodeTrack(const AVStream& stream)
{
    return stream.codecpar->codec_tag == MKTAG('t', 'm', 'c', 'd');
}

namespace {

std::string MetadataValue(const AVDictionary* metadata, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(metadata, key, nullptr, 0);
    return e && e->value ? e->value : std::string();
}

double PictureRate(const AVStream& s)
{
    for (AVRational r : {s.avg_frame_rate, s.r_frame_rate})
        if (r.num > 0 && r.den > 0)
            return av_q2d(r);
    return 0;
}

} // namespace

std::optional<std::string> ClipTimecode(const AVFormatContext& source, int video, double shown)
{
    if (video < 0)
        return std::nullopt;
    std::string timecode = MetadataValue(source.streams[video]->metadata, "timecode");
    for (unsigned i = 0; i < source.nb_streams && timecode.empty(); ++i)
        if (IsTimecodeTrack(*source.streams[i]))
            timecode = MetadataValue(source.streams[i]->metadata, "timecode");
    if (timecode.empty())
        timecode = MetadataValue(source.metadata, "timecode");
    if (timecode.empty())
        return std::nullopt;
    const AVStream& in = *source.streams[video];
    const double first = in.start_time == AV_NOPTS_VALUE ? SourceOrigin(source) : av::Seconds(in.start_time, in.time_base);
    const double rate = PictureRate(in);
    return TimecodeAfter(timecode, std::llround((shown - first) * rate), rate);
}

} // namespace korvane::frontend
