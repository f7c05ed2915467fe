#include "converter/Tracks.h"

namespace korvane::frontend {
namespace {

bool AnyExtension(std::string_view path, std::initializer_list<std::string_view> extensions)
{
    for (std::string_view ext : extensions)
        if (HasExtension(path, ext))
            return true;
    return false;
}

} // namespace

Container ContainerOf(std::string_view path)
{
    if (AnyExtension(path, {".mp4", ".mov", ".m4v", ".3gp", ".3g2", ".qt"}))
        return Container::Mov;
    if (AnyExtension(path, {".mpg", ".mpeg", ".vob", ".m2p", ".mpe"}))
        return Container::Program;
    if (HasExtension(path, ".avi"))
        return Container::Avi;
    if (AnyExtension(path, {".wmv", ".asf"}))
        return Container::Asf;
    if (AnyExtension(path, {".mkv", ".webm"}))
        return Container::Matroska;
    if (AnyExtension(path, {".mp3", ".wav", ".m4a", ".aac", ".ac3", ".mp2", ".wma", ".ogg", ".flac"}))
        return Container::SoundOnly;
    return Container::Other;
}

TrackPlan PlanTracks(const ClipRequest& request)
{
    TrackPlan plan;
    const Container out = ContainerOf(request.output);
    const Container in = ContainerOf(request.input);
    if (request.ownMaps || out == Container::Other)
        return plan;
    plan.mapTracks = true;
    plan.firstSoundOnly = out == Container::SoundOnly;
    plan.dropTimecode = out == Container::Mov;
    if (request.noSubtitles || out == Container::SoundOnly)
        return plan;
    // Program streams carry DVD subpictures, MP4 and MOV text, AVI its own
    // pictures; a container takes what it can hold, and text is rewritten
    // into the form it holds text in.
    switch (out) {
    case Container::Mov:
        if (in == Container::Program || in == Container::Avi)
            plan.subtitlesLeftOutBecause = "MP4 and MOV files hold text subtitles only";
        else if (in == Container::Mov)
            // Copied as they are: the engine's text encoder drops the empty
            // samples that end each line, and every line would then stay on
            // screen until the next one.
            plan.subtitleCodec = "copy";
        else
            plan.subtitleCodec = "mov_text";
        break;
    case Container::Program:
        if (in == Container::Program)
            plan.subtitleCodec = "copy";
        else
            plan.subtitlesLeftOutBecause = "MPEG and VOB files hold DVD subpictures only";
        break;
    case Container::Avi:
        if (in == Container::Avi)
            plan.subtitleCodec = "copy";
        else
            plan.subtitlesLeftOutBecause = "AVI files cannot hold them";
        break;
    case Container::Asf:
        plan.subtitlesLeftOutBecause = "WMV and ASF files cannot hold them";
        break;
    case Container::Matroska:
        plan.subtitleCodec = in == Container::Matroska || in == Container::Program ? "copy" : "srt";
        break;
    default:
        break;
    }
    plan.subtitles = !plan.subtitleCodec.empty();
    return plan;
}

std::vector<std::string> TrackArguments(const TrackPlan& plan, bool soundFromSecondInput)
{
    std::vector<std::string> args;
    if (!plan.mapTracks)
        return args;
    const std::string from = soundFromSecondInput ? "1" : "0";
    // Optional maps: a source without sound or subtitles still makes its clip.
    args.insert(args.end(), {"-map", "0:v?", "-map", from + (plan.firstSoundOnly ? ":a:0?" : ":a?")});
    if (plan.subtitles)
        args.insert(args.end(), {"-map", from + ":s?", "-c:s", plan.subtitleCodec});
    if (plan.dropTimecode) {
        // The source's time code names the source's first picture, not the
        // clip's; the engine would write it unchanged.
        args.insert(args.end(), {"-metadata:s:v", "timecode=", "-metadata", "timecode="});
    }
    return args;
}

bool SubtitlesTurnedDown(const std::vector<std::string>& errors)
{
    for (const std::string& error : errors)
        for (std::string_view sign : {"ubtitle", "Could not find tag for codec", "not currently supported in container"})
            if (error.find(sign) != std::string::npos)
                return true;
    return false;
}

std::string SubtitlesLeftOutText(int tracks, std::string_view because)
{
    return "Subtitles left out of the clip: " + std::to_string(tracks) + (tracks == 1 ? " track (" : " tracks (")
        + std::string(because) + ").";
}

} // namespace korvane::frontend
