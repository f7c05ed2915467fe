#include "app/SplitModes.h"

#include "app/TimeTextLocale.h"

#include <cmath>

namespace korvane {
namespace {

// The pieces choice in the preferences: none (the window's own start-up
// choice), pieces of a length, pieces of at most a size.
constexpr char kPieceChoiceKey[] = "Pieces";
constexpr char kPieceLengthKey[] = "Piece Length";
constexpr char kPieceSizeKey[] = "Piece Size";
constexpr std::int32_t kPiecesOfLength = 1;
constexpr std::int32_t kPiecesOfSize = 2;

} // namespace

std::variant<ModeValues, JobRefusal> SplitModes::Chosen() const
{
    ModeValues values;
    values.mode = c_.oneClip.Checked()          ? SplitMode::OneClip
                  : c_.piecesOfLength.Checked() ? SplitMode::PieceLength
                  : c_.piecesOfSize.Checked()   ? SplitMode::PieceSize
                                                : SplitMode::EqualSections;
    switch (values.mode) {
    case SplitMode::OneClip:
        break;
    case SplitMode::EqualSections: {
        const auto count = ReadWholeNumber(c_.sectionCount.Text());
        // No section at all would make no clip and still end as a success.
        if (!count || *count < 1)
            return JobRefusal{"Invalid Section", "Please specify a valid section quantity.", &c_.sectionCount};
        values.sections = *count;
        break;
    }
    case SplitMode::PieceLength: {
        const std::string text = c_.pieceLength.Text();
        values.pieceLength = ReadFloatNumber(text, UserDecimalSeparator()).value_or(TimeTextToSeconds(text));
        if (!(values.pieceLength > 0) || !std::isfinite(values.pieceLength))
            return JobRefusal{"Invalid Piece Length", "Please specify a valid length of the pieces in seconds.",
                              &c_.pieceLength};
        break;
    }
    case SplitMode::PieceSize:
        values.pieceBytes = ReadFloatNumber(c_.pieceSize.Text(), UserDecimalSeparator()).value_or(0) * kBytesPerMB;
        if (!(values.pieceBytes >= 1) || !std::isfinite(values.pieceBytes))
            return JobRefusal{"Invalid Piece Size", "Please specify a valid size of the pieces in MB.", &c_.pieceSize};
        break;
    }
    return values;
}

void SplitModes::LoadChoice(const IniFile& preferences)
{
    c_.pieceLength.SetText(preferences.ReadString("Main", kPieceLengthKey, ""));
    c_.pieceSize.SetText(preferences.ReadString("Main", kPieceSizeKey, ""));
    // Files from before the pieces have no choice, and start with one clip.
    const std::int32_t choice = preferences.ReadInteger("Main", kPieceChoiceKey, 0);
    if (choice == kPiecesOfLength)
        c_.piecesOfLength.SetChecked(true);
    else if (choice == kPiecesOfSize)
        c_.piecesOfSize.SetChecked(true);
}

void SplitModes::SaveChoice(IniFile& preferences) const
{
    preferences.WriteInteger("Main", kPieceChoiceKey,
                             c_.piecesOfLength.Checked() ? kPiecesOfLength
                             : c_.piecesOfSize.Checked() ? kPiecesOfSize
                                                         : 0);
    preferences.WriteString("Main", kPieceLengthKey, c_.pieceLength.Text());
    preferences.WriteString("Main", kPieceSizeKey, c_.pieceSize.Text());
}

} // namespace korvane
