#include "converter/EngineGuard.h"
#include "converter/ClipRequest.h"

#include <initializer_list>

namespace korvane::frontend {
namespace {

// The engine's demuxers for video and sound containers and elementary
// streams. A name matches any of the names a demuxer answers to ("mov"
// covers MP4, M4A, 3GP). Left out on purpose: playlists and lists of other
// files (concat, hls, dash), image sequences (image2), text and subtitle
// files, network and device descriptions (sdp, rtsp, lavfi), and the DVD
// subtitle index (.idx), which opens a second file.
constexpr std::string_view kMediaFormats =
    "avi,mov,mpeg,mpegts,mpegvideo,asf,matroska,webm,flv,ogg,wav,mp3,aac,ac3,eac3,dts,h264,hevc,m4v,dv,"
    "nut,rm,mxf,vc1,wtv,flac,amr,aiff,caf,ivf,yuv4mpegpipe,mjpeg,cavsvideo,dirac,truehd,mlp,w64,wv,ape,"
    "au,voc,tta,mpc,mpc8,gxf,smk,bink,thp,xwma,dvbsub";

// Muxers a profile may choose with -f: each writes the one output file.
constexpr std::string_view kOutputFormats[] = {
    "avi", "mp4", "mov", "ipod", "psp", "3gp", "3g2", "ismv", "f4v", "mpeg", "vob", "dvd", "svcd", "vcd",
    "mpeg1video", "mpeg2video", "mpegts", "asf", "asf_stream", "matroska", "webm", "flv", "ogg", "oga", "opus",
    "mp3", "mp2", "wav", "w64", "ac3", "eac3", "adts", "flac", "h264", "hevc", "m4v", "rawvideo", "dv", "nut",
    "mxf", "mxf_d10", "gxf", "aiff", "au", "wv", "ivf", "yuv4mpegpipe", "truehd", "null"};

// Output types whose muxers write a series of files.
constexpr std::string_view kSeriesTypes[] = {
    ".m3u8", ".mpd", ".ism", ".jpg", ".jpeg", ".png", ".bmp", ".tif", ".tiff", ".webp", ".ppm", ".pgm",
    ".pbm", ".pam", ".tga", ".dpx", ".exr", ".j2k", ".jp2", ".jls", ".sgi", ".pcx", ".xbm", ".xwd", ".ras",
    ".sun", ".pix", ".yuv", ".y", ".im1", ".im8", ".im24", ".rs", ".sunras", ".txt"};

// Options that name files the engine reads or writes beside the clip.
constexpr std::string_view kFileOptions[] = {
    "pass", "passlogfile", "attach", "dump_attachment", "vstats", "vstats_file", "report", "filter_script",
    "filter_complex_script", "sdp_file", "progress", "fpre", "vpre", "apre", "spre", "pre", "stats_enc_pre",
    "stats_enc_post", "stats_mux_pre", "init_hw_device", "filter_hw_device"};

// Filters that read or write files, load code, or listen on the network.
constexpr std::string_view kFileFilters[] = {
    "movie", "amovie", "subtitles", "ass", "lut3d", "lut1d", "haldclut", "sendcmd", "asendcmd", "zmq", "azmq",
    "ladspa", "lv2", "frei0r", "frei0r_src", "vidstabdetect", "vidstabtransform", "removelogo", "find_rect",
    "cover_rect", "sr", "dnn_processing", "derain", "ocr", "program_opencl", "openclsrc", "metadata",
    "ametadata", "signature", "psnr", "ssim", "libvmaf", "vmafmotion", "sofalizer", "firequalizer",
    "coreimage", "coreimagesrc", "lensfun", "deshake", "libplacebo"};

// Filter option names that hold a file or a place to send data to.
constexpr std::string_view kFileKeys[] = {
    "file", "filename", "textfile", "fontfile", "psfile", "stats_file", "log_path", "model_path", "model",
    "dumpfile", "datapath", "db_path", "input", "result", "source", "bind_address", "sofa", "logo", "cover",
    "object", "weights"};

// Keys of an encoder's own parameter list (-x264-params a=1:b=2) that name files.
constexpr std::string_view kEncoderFileKeys[] = {
    "stats", "passlogfile", "pass", "qpfile", "cqmfile", "cqm4iy", "tcfile-in", "tcfile-out", "tcfile_in",
    "tcfile_out", "dump-yuv", "dump_yuv", "csv", "recon", "analysis-save", "analysis-load", "analysis-reuse-file",
    "scaling-list", "lambda-file", "zonefile", "input", "output", "fgs-table", "hdr10-opt-file"};

template <std::size_t N>
bool OneOf(std::string_view word, const std::string_view (&list)[N])
{
    for (std::string_view entry : list)
        if (entry == word)
            return true;
    return false;
}

// "filter:v" and "pass:v" are the options "filter" and "pass" for some streams.
std::string_view BaseName(std::string_view name)
{
    return name.substr(0, name.find(':'));
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// Splits at any of the separators outside quotes ('...') and not escaped
// with a backslash, the way the engine's filter descriptions are read.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, std::string_view separators)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '\'') {
            quoted = !quoted;
        } else if (!quoted && separators.find(text[i]) != std::string_view::npos) {
            parts.push_back(text.substr(from, i - from));
            from = i + 1;
        }
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::optional<std::string> RefusedFilters(std::string_view option, std::string_view graph)
{
    for (std::string_view filter : SplitOutsideQuotes(graph, ",;")) {
        filter = Trim(filter);
        // Link labels before the filter's name: "[in]scale=...".
        while (!filter.empty() && filter.front() == '[') {
            const std::size_t close = filter.find(']');
            filter = close == std::string_view::npos ? std::string_view() : Trim(filter.substr(close + 1));
        }
        const std::size_t equals = filter.find('=');
        std::string_view name = Trim(filter.substr(0, std::min(equals, filter.find('['))));
        name = name.substr(0, name.find('@'));
        if (OneOf(name, kFileFilters))
            return "The filter " + std::string(name) + " in " + std::string(option)
                + " opens other files; it is not allowed in a profile.";
        if (equals == std::string_view::npos)
            continue;
        for (std::string_view arg : SplitOutsideQuotes(filter.substr(equals + 1), ":")) {
            const std::size_t keyEnd = arg.find('=');
            if (keyEnd == std::string_view::npos)
                continue;
            const std::string_view key = Trim(arg.substr(0, keyEnd));
            if (OneOf(key, kFileKeys))
                return "The filter " + std::string(name) + " in " + std::string(option) + " names a file ("
                    + std::string(key) + "); it is not allowed in a profile.";
        }
    }
    return std::nullopt;
}

bool IsFilterOption(std::string_view base)
{
    return base == "vf" || base == "af" || base == "filter" || base == "filter_complex" || base == "lavfi";
}

bool IsEncoderParameterList(std::string_view base)
{
    return base == "x264opts" || base == "x264-params" || base == "x265-params" || base == "svtav1-params"
        || base == "aom-params" || base == "xvidopts";
}

} // namespace

std::vector<std::string> InputRestrictions()
{
    return {"-format_whitelist", std::string(kMediaFormats), "-protocol_whitelist", "file"};
}

std::optional<std::string> RefusedOption(std::string_view name, std::optional<std::string_view> value)
{
    const std::string option = "-" + std::string(name);
    const std::string_view base = BaseName(name);
    if (OneOf(base, kFileOptions))
        return "The option " + option + " makes the engine read or write other files or devices; it is not allowed in a profile.";
    if (!value)
        return std::nullopt;
    if (base == "f" && !OneOf(*value, kOutputFormats))
        return "The option -f " + std::string(*value)
            + " writes several files or to a device; it is not allowed in a profile.";
    if (IsFilterOption(base))
        return RefusedFilters(option, *value);
    if (base == "flags" && (value->find("pass1") != std::string_view::npos || value->find("pass2") != std::string_view::npos))
        return "The option " + option + " " + std::string(*value)
            + " makes the engine write a statistics file; it is not allowed in a profile.";
    if (IsEncoderParameterList(base)) {
        for (std::string_view entry : SplitOutsideQuotes(*value, ":,")) {
            const std::string_view key = Trim(entry.substr(0, entry.find('=')));
            if (OneOf(key, kEncoderFileKeys))
                return "The option " + option + " names a file (" + std::string(key)
                    + "); it is not allowed in a profile.";
        }
    }
    return std::nullopt;
}

std::optional<std::string> RefusedOutput(std::string_view path)
{
    for (std::string_view type : kSeriesTypes)
        if (HasExtension(path, type))
            return "The output type " + std::string(type) + " makes the engine write several files.";
    return std::nullopt;
}

bool SourceRefused(const std::vector<std::string>& errors)
{
    for (const std::string& error : errors)
        if (error.find("not on whitelist") != std::string::npos)
            return true;
    return false;
}

std::string NotAVideoFile(std::string_view path)
{
    const std::size_t slash = path.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return std::string(name) + " is not a video file this program can read.";
}

} // namespace korvane::frontend
