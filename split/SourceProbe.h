#pragma once
// The converter's engine asked for a source's length, without waiting for it:
// the engine runs hidden ("<engine> -hide_banner <input restrictions> -i
// "<source>""), and Poll,
// called from a window timer, collects what it prints until it ends. The
// preview needs the system's decoders; the engine reads what it can cut.
// Where the answer is needed before going on, Await waits for it while the
// window is served, up to a deadline: the engine is another program, and a
// slow or stuck one must never freeze the window.
#include "ui/Handles.h"

#include <windows.h>

#include <functional>
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
    // How a wait for the engine ended.
    enum class Wait {
        Ended,      // the engine has ended; Seconds() and FrameRate() tell what it said
        Cancelled,  // `cancelled` said so; the engine runs on until Stop or its end
        Overdue     // the engine ran longer than the limit; it is stopped
    };
    // Waits for the engine's end, until `limitMs` after its start at the
    // latest. Each turn calls `serve` (which handles the window's waiting
    // messages) and then `cancelled`; between turns it sleeps until a message
    // arrives, the engine ends or a few milliseconds pass.
    Wait Await(DWORD limitMs, const std::function<void()>& serve, const std::function<bool()>& cancelled);
    // The engine still runs `limitMs` or more after its start.
    bool Overdue(DWORD limitMs) const;
    // Ends a running engine and lets go of it.
    void Stop();

    bool Running() const { return static_cast<bool>(process_); }
    // The source's length in seconds, once the engine has ended; nothing when
    // it could not tell.
    std::optional<double> Seconds() const;
    // "<name> is not a video file this program can read." once the engine has
    // ended, when it turned the source away: a playlist or list of other files
    // dressed as a video, which it is not allowed to follow.
    std::optional<std::string> Refusal() const;
    // Frames a second of its first video stream, once the engine has ended.
    std::optional<double> FrameRate() const;

private:
    bool Launch(const std::string& enginePath, std::string commandLine);
    void Drain();

    ui::UniqueHandle pipeRead_;
    ui::UniqueHandle process_;
    DWORD startedAt_ = 0;
    std::string output_;
    std::string source_;
};

} // namespace korvane
