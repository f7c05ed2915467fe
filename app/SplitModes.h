#pragma once
// The ways of cutting the marked range, as the window offers them: one clip,
// a number of equal sections, pieces of a length, pieces of at most a size.
// Each is a radio button with the box of its value (none for one clip); the
// checks read the chosen one's value before a job may start. The pieces
// choice and values are kept in the preferences file.
#include "app/JobClips.h"
#include "profiles/IniFile.h"
#include "ui/Controls.h"

#include <variant>

namespace korvane {

// A job the window will not start: the message's caption and text, and the
// control the user is sent back to (none: the focus stays where it is).
struct JobRefusal {
    const char* caption;
    const char* text;
    ui::WinControl* focus;
};

class SplitModes {
public:
    // The main window's choices and the boxes of their values.
    struct Controls {
        ui::RadioButton& oneClip;
        ui::RadioButton& equalSections;
        ui::Edit& sectionCount;
        ui::RadioButton& piecesOfLength;
        ui::Edit& pieceLength;      // seconds, or a time as the range's edits take it
        ui::RadioButton& piecesOfSize;
        ui::Edit& pieceSize;        // MB
    };

    explicit SplitModes(const Controls& controls) : c_(controls) {}

    // The chosen mode with its value, or why the value makes no job.
    std::variant<ModeValues, JobRefusal> Chosen() const;

    void LoadChoice(const IniFile& preferences);
    void SaveChoice(IniFile& preferences) const;

private:
    Controls c_;
};

} // namespace korvane
