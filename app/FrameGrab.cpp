#include "app/FrameGrab.h"

#include "split/CommandLine.h"

#include "converter/ClipRequest.h"
#include "converter/EngineGuard.h"

namespace korvane {

bool FrameGrab::Start(const std::string& enginePath, const std::string& source, double seconds, int width,
                      int height)
{
    Stop();
    char folder[MAX_PATH + 1] = {};
    char name[MAX_PATH + 1] = {};
    if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "kvf", 0, name) == 0)
        return false;
    // The name made is kept; the engine writes the picture beside it.
    file_ = std::string(name) + ".bmp";
    DeleteFileA(name);
    const std::string size = std::to_string(width) + ":" + std::to_string(height);
    // The source is read as the converter reads it: a real media container,
    // a local file. One picture, through the engine's single-file writer.
    std::vector<std::string> words = {enginePath, "-hide_banner", "-nostdin", "-loglevel", "quiet", "-ss",
                                      FormatGeneral(seconds < 0 ? 0 : seconds, '.')};
    for (std::string& word : frontend::InputRestrictions())
        words.push_back(std::move(word));
    words.insert(words.end(), {"-i", source, "-frames:v", "1", "-an", "-sn", "-vf",
                               "scale=" + size + ":force_original_aspect_ratio=decrease,pad=" + size
                                   + ":(ow-iw)/2:(oh-ih)/2",
                               "-pix_fmt", "bgr24", "-f", "image2pipe", "-c:v", "bmp", "-y", file_});
    std::string commandLine = frontend::JoinCommandLine(words);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    // No console: see SourceProbe.
    if (!CreateProcessA(enginePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &info)) {
        file_.clear();
        return false;
    }
    CloseHandle(info.hThread);
    process_ = ui::UniqueHandle(info.hProcess);
    return true;
}

bool FrameGrab::Poll()
{
    if (!process_)
        return true;
    if (WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0)
        return false;
    process_ = ui::UniqueHandle();
    return true;
}

bool FrameGrab::Finish(DWORD limitMs)
{
    if (process_ && WaitForSingleObject(process_.Get(), limitMs) != WAIT_OBJECT_0)
        return false;
    return Poll();
}

void FrameGrab::Stop()
{
    if (process_) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 2000);
    }
    process_ = ui::UniqueHandle();
    RemoveFile();
}

std::string FrameGrab::Picture() const
{
    if (process_ || file_.empty())
        return std::string();
    const DWORD attributes = GetFileAttributesA(file_.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? std::string() : file_;
}

void FrameGrab::RemoveFile()
{
    if (!file_.empty())
        DeleteFileA(file_.c_str());
    file_.clear();
}

} // namespace korvane
