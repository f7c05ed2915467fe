#pragma once
// The converter's engine asked for a source's length, without waiting for it:
// the engine runs hidden ("<engine> -hide_banner -i "<source>""), and Poll,
// called from a window timer, collects what it prints until it ends. The
// preview needs the system's decoders; the engine reads what it can cut.
#include "ui/Handles.h"

#include <windows.h>

#include <optional>
#include <string>

namespace korvane {

class SourceProbe {
public:
    SourceProbe() = default;
    ~SourceProbe() { Stop(); }
    SourceProbe(const SourceProbe&) = delete;
    SourceProbe& operator=(const SourceProbe&) = delete;

    // Starts the engine on the source, after stopping a probe still running.
    // False when the engine cannot be started.
    bool Start(const std::string& enginePath, const std::string& source);
    // Starts the engine listing the packets of every stream of the source
    // from `from` for `length` seconds into the file `listingPath` (its
    // "framecrc" form, in the source's own timestamps); its report, with the
    // source's first timestamp, comes as with Start.
    bool StartPacketListing(const std::string& enginePath, const std::string& source, const std::string& listingPath,
                            double from, double length);
    // What the engine has said so far.
    const std::string& Output() const { return output_; }
    // Takes what the engine has written; true once it has ended and all of it
    // is read (Running() is then false).
    bool Poll();
    // Waits for the end, at most `limitMs`; true when it came.
    bool Finish(DWORD limitMs);
    // Ends a running engine and lets go of it.
    void Stop();

    bool Running() const { return static_cast<bool>(process_); }
    // The source's length in seconds, once the engine has ended; nothing when
    // it could not tell.
    std::optional<double> Seconds() const;
    // Frames a second of its first video stream, once the engine has ended.
    std::optional<double> FrameRate() const;

private:
    bool Launch(const std::string& enginePath, std::string commandLine);
    void Drain();

    ui::UniqueHandle pipeRead_;
    ui::UniqueHandle process_;
    std::string output_;
};

} // namespace korvane
