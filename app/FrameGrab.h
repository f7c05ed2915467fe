#pragma once
// One frame of a source as a small picture, taken by the converter's engine
// without holding the window up: Start runs the engine hidden, writing the
// frame at a time as a bitmap of a fixed size (the frame fitted in, black
// around it) into a file of its own in the temporary folder; Poll, called
// from a window timer, tells when it has ended. The file goes with the grab.
#include "ui/Handles.h"

#include <windows.h>

#include <string>

namespace korvane {

class FrameGrab {
public:
    FrameGrab() = default;
    ~FrameGrab() { Stop(); }
    FrameGrab(const FrameGrab&) = delete;
    FrameGrab& operator=(const FrameGrab&) = delete;

    // Stops a grab still running first. False when the engine cannot start.
    bool Start(const std::string& enginePath, const std::string& source, double seconds, int width, int height);
    // True once the engine has ended (at once when none runs).
    bool Poll();
    // Waits for the end, at most `limitMs`; true when it came.
    bool Finish(DWORD limitMs);
    void Stop();
    bool Running() const { return static_cast<bool>(process_); }
    // The bitmap the engine wrote, once it has ended; empty when it wrote none.
    std::string Picture() const;

private:
    void RemoveFile();
    ui::UniqueHandle process_;
    std::string file_;
};

} // namespace korvane
