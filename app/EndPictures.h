#pragma once
// The pictures of the marked range's first and last frames, beside the Split
// picture: each taken by the converter's engine while the window stays with
// the user, and shown once the engine has written it.
#include "app/FrameGrab.h"
#include "app/Korvane.h"
#include "ui/Controls.h"

#include <string>

namespace korvane {

class EndPictures {
public:
    // The main window's controls the pictures are shown in and collected by.
    struct Controls {
        ui::Image& first;
        ui::Image& last;
        ui::Timer& timer;
    };

    EndPictures(const Korvane& korvane, const Controls& controls);
    EndPictures(const EndPictures&) = delete;
    EndPictures& operator=(const EndPictures&) = delete;

    // Asks the engine for the picture of the source at `seconds`, in place of
    // the first or the last one; the picture shown until then goes when the
    // engine cannot be started.
    void Take(bool last, const std::string& source, double seconds);
    // The timer's tick: shows the pictures the engine has written.
    void Collect();
    // Stops the engine and hides both pictures.
    void Clear();
    bool Taking() const { return first_.Running() || last_.Running(); }

private:
    void Show(FrameGrab& grab, ui::Image& image);

    const Korvane& korvane_;
    Controls c_;
    FrameGrab first_;
    FrameGrab last_;
};

} // namespace korvane
