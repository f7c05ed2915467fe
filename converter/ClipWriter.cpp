#include "converter/ClipWriter.h"

#include "converter/CopyPlan.h"
#include "converter/Source.h"
#include "converter/Tracks.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
}

namespace korvane::frontend {
namespace {

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

OpenedClip Failed(OpenedClip opened, std::string reason)
{
    opened.error = std::move(reason);
    return opened;
}

OpenedClip NotWritten(OpenedClip opened, int error)
{
    opened.writeFailed = true;
    return Failed(std::move(opened), "The clip could not be written: " + av::ErrorText(error) + ".");
}

} // namespace

OpenedClip OpenClip(const ClipRequest& request, const CopyOptions& options, AVFormatContext& source, int video,
                    const std::string& pictureConfig, double zero, double clipEnd)
{
    OpenedClip opened;
    const bool editListFile = ContainerOf(request.output) == Container::Mov;
    AVFormatContext* made = nullptr;
    int error = avformat_alloc_output_context2(&made, nullptr, options.format ? options.format->c_str() : nullptr,
                                               request.output.c_str());
    if (error < 0 || !made)
        return Failed(std::move(opened), "The clip's file type is not known: " + av::ErrorText(error) + ".");
    opened.clip.reset(made);
    AVFormatContext* clip = made;
    const AVOutputFormat& writer = *clip->oformat;

    av::Dictionary writerOptions;
    for (const auto& [name, value] : options.writerOptions) {
        if (!av_opt_find(&clip->av_class, name.c_str(), nullptr, 0, AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ)) {
            opened.needsEngine = "the option -" + name;
            return opened;
        }
        writerOptions.Set(name, value);
    }

    // The tracks, in the source's order within each kind: pictures, sound,
    // subtitles, data, attachments.
    const TrackPlan plan = PlanTracks(request);
    opened.outs.assign(source.nb_streams, nullptr);
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
                    ++opened.subtitlesLeft;
                    break;
                }
                if (plan.subtitleCodec != "copy") {
                    opened.needsEngine = "subtitles rewritten as " + plan.subtitleCodec;
                    return opened;
                }
                // Writers without a table of codecs (program streams) cannot
                // tell and take what they know.
                wanted = avformat_query_codec(&writer, par.codec_id, FF_COMPLIANCE_NORMAL) != 0;
                if (!wanted)
                    ++opened.subtitlesLeft;
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
                    ++opened.dataLeft;
                break;
            case AVMEDIA_TYPE_ATTACHMENT:
                wanted = writer.name && std::string(writer.name).find("matroska") != std::string::npos;
                break;
            default:
                break;
            }
            if (!wanted)
                continue;
            AVStream* out = avformat_new_stream(clip, nullptr);
            if (!out || (error = avcodec_parameters_copy(out->codecpar, &par)) < 0)
                return Failed(std::move(opened), "The clip's tracks could not be set up: " + av::ErrorText(out ? error : AVERROR(ENOMEM)) + ".");
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
            opened.outs[i] = out;
        }
    }
    if (clip->nb_streams == 0)
        return Failed(std::move(opened), "The source has no track the clip can hold.");

    if (video >= 0 && opened.outs[static_cast<std::size_t>(video)]) {
        AVStream* out = opened.outs[static_cast<std::size_t>(video)];
        if (options.aspect) {
            AVRational dar{0, 1};
            if (av_parse_ratio(&dar, options.aspect->c_str(), 255, 0, nullptr) < 0 || dar.num <= 0)
                return Failed(std::move(opened), "The aspect '" + *options.aspect + "' is not a ratio of width to height.");
            const AVRational sar = av_mul_q(dar, AVRational{out->codecpar->height, out->codecpar->width});
            out->sample_aspect_ratio = out->codecpar->sample_aspect_ratio = sar;
        }
        if (!pictureConfig.empty()) {
            av_freep(&out->codecpar->extradata);
            out->codecpar->extradata_size = 0;
            const std::string& sets = pictureConfig;
            out->codecpar->extradata = static_cast<std::uint8_t*>(av_mallocz(sets.size() + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!out->codecpar->extradata)
                return Failed(std::move(opened), "The clip's picture track could not be set up: " + av::ErrorText(AVERROR(ENOMEM)) + ".");
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
            return Failed(std::move(opened), "The clip's chapters could not be set up: " + av::ErrorText(AVERROR(ENOMEM)) + ".");
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
            return NotWritten(std::move(opened), error);
    }
    error = avformat_write_header(clip, writerOptions.Address());
    if (error < 0)
        return NotWritten(std::move(opened), error);

    return opened;
}

} // namespace korvane::frontend
