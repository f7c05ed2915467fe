#include "converter/ClipLines.h"

#include "converter/CopyPlan.h"
#include "converter/LibAv.h"
#include "converter/Source.h"

#include <cmath>
#include <limits>
#include <vector>

namespace korvane::frontend {
namespace {

// A line is rarely shown longer than this: the source is read from this far
// before the start for the lines shown across it.
constexpr double kLongestLine = 60;
// Tracks of one file are stored close to each other by time: once one is this
// far past the clip, the others are past it too.
constexpr double kInterleaving = 10;

} // namespace

ClipLines WriteClipLines(const ClipRequest& request, bool sourceTimes)
{
    ClipLines lines;
    OpenedSource opened = OpenSource(request.input);
    if (!opened.input) {
        lines.sourceUnread = true;
        return lines;
    }
    AVFormatContext& source = *opened.input;
    const double origin = SourceOrigin(source);
    std::vector<int> wanted;
    bool movText = false;
    for (unsigned i = 0; i < source.nb_streams; ++i) {
        AVStream& s = *source.streams[i];
        if (s.codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            wanted.push_back(static_cast<int>(i));
            movText = movText || s.codecpar->codec_id == AV_CODEC_ID_MOV_TEXT;
        } else {
            s.discard = AVDISCARD_ALL;  // read past, not into memory
        }
    }
    if (wanted.empty())
        return lines;

    const std::string path = ClipLinesPath(request.output, movText);
    AVFormatContext* made = nullptr;
    int error = avformat_alloc_output_context2(&made, nullptr, movText ? "mp4" : "matroska", path.c_str());
    if (error < 0 || !made) {
        lines.error = av::ErrorText(error);
        return lines;
    }
    av::Output file(made);
    std::vector<AVStream*> outs(source.nb_streams, nullptr);
    for (int i : wanted) {
        const AVStream& in = *source.streams[i];
        if (avformat_query_codec(file->oformat, in.codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1)
            continue;  // a form this file cannot hold: the engine would not take it either
        AVStream* out = avformat_new_stream(file.get(), nullptr);
        if (!out || avcodec_parameters_copy(out->codecpar, in.codecpar) < 0) {
            lines.error = av::ErrorText(AVERROR(ENOMEM));
            return lines;
        }
        out->codecpar->codec_tag = 0;
        out->time_base = in.time_base;
        out->disposition = in.disposition;
        av_dict_copy(&out->metadata, in.metadata, 0);
        outs[static_cast<std::size_t>(i)] = out;
        ++lines.tracks;
    }
    if (lines.tracks == 0)
        return lines;
    av::Dictionary restrictions;
    restrictions.Set("protocol_whitelist", "file");
    if ((error = avio_open2(&file->pb, path.c_str(), AVIO_FLAG_WRITE, nullptr, restrictions.Address())) < 0
        || (error = avformat_write_header(file.get(), nullptr)) < 0) {
        lines.error = av::ErrorText(error);
        return lines;
    }
    lines.path = path;

    const double clipFrom = origin + request.start;
    const double zero = sourceTimes ? 0 : clipFrom;
    const double clipTo = request.duration ? clipFrom + *request.duration : std::numeric_limits<double>::infinity();
    SeekTo(source, std::max(request.start - kLongestLine, 0.0));
    av::Packet packet = av::NewPacket();
    while (av_read_frame(&source, packet.get()) >= 0) {
        AVStream* out = outs[static_cast<std::size_t>(packet->stream_index)];
        const AVRational base = source.streams[packet->stream_index]->time_base;
        const double shown = av::Seconds(packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts, base);
        if (out && !std::isnan(shown)) {
            if (shown >= clipTo + kInterleaving)
                break;
            if (const auto span = SubtitleInClip(shown, av::Seconds(packet->duration, base), clipFrom, clipTo)) {
                packet->pts = packet->dts = av::Ticks(span->from - zero, base);
                packet->duration = span->length > 0 ? av::Ticks(span->length, base) : 0;
                packet->stream_index = out->index;
                packet->pos = -1;
                av_packet_rescale_ts(packet.get(), base, out->time_base);
                if ((error = av_interleaved_write_frame(file.get(), packet.get())) < 0) {
                    lines.error = av::ErrorText(error);
                    return lines;
                }
            }
        }
        av_packet_unref(packet.get());
    }
    if ((error = av_write_trailer(file.get())) < 0) {
        lines.error = av::ErrorText(error);
        return lines;
    }
    return lines;
}

} // namespace korvane::frontend
