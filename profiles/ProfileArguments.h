#pragma once
// What a profile file means: its parameters, the rows the profile editor shows
// for them, the converter arguments they yield, and how the editor's choices
// are written back. Pure: the file and the editor's lists are reached through
// the two small interfaces below, so all of it is built and tested natively.
//
// A profile (INI text) names its output type and N parameters in section
// "Main" ("Type", "Para", "0".."N-1" = section names). Each parameter section
// gives its group ("Sort" 1 Video, 2 Audio, 3 Advanced), whether it is a pick
// list ("List"), whether the user's choice is kept out of the file
// ("ReadOnly"), its captions and converter values ("Caption", "Value": item
// lists for a pick list, plain texts otherwise), the selected caption
// ("Index") and the converter option it feeds ("cmd").
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Items of an item list: every item is followed by a comma, the last one too;
// whatever follows the last comma belongs to no item. Items are not trimmed
// and empty items keep their place (",a," is "" and "a").
std::vector<std::string> SplitByComma(std::string_view text);

// Letter case ignored (ASCII), the way keys and captions are compared.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// Position of the first item equal to text without regard to case, or -1.
int IndexOfIgnoringCase(const std::vector<std::string>& items, std::string_view text);

// One profile file, INI semantics: names without regard to case.
class ProfileFile {
public:
    virtual ~ProfileFile() = default;
    // The stored text; defaultValue when the section or key is missing.
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const = 0;
    // Written at once; a failure raises an error for the user to see.
    virtual void WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
    // The key names of a section in file order; empty when it is missing.
    virtual std::vector<std::string> ReadKeys(const std::string& section) const = 0;

    // The stored text read as a whole number (see ParseIniInteger); the
    // default when missing or no whole number.
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t defaultValue) const;
    // Non-zero is true.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
};

// The group ("Sort") of a parameter: which of the editor's lists shows it.
enum ProfileGroup : std::int32_t { pgVideo = 1, pgAudio = 2, pgAdvanced = 3 };
bool IsProfileGroup(std::int32_t sort);

// One parameter as its section describes it, the file's defaults applied.
struct ProfileParameter {
    std::string Name;          // the section name, also the row's key text
    std::int32_t Sort = -1;    // 1, 2 or 3; anything else has no list
    bool ReadOnly = false;
    bool IsList = true;
    std::string Caption;       // item list (pick list) or shown text (free text)
    std::string Value;         // item list (pick list) or converter value (free text)
    std::int32_t Index = 0;    // pick list: the selected caption
    std::string Option;        // "cmd": the converter option; empty yields nothing
};

// A profile describes at most this many parameters; positions beyond are not
// read. Real profiles hold a dozen; the editor's lists stay within the sizes a
// window can have, and a file of a hundred thousand sections cannot hold the
// window for minutes (each read of the platform's INI functions walks the file).
inline constexpr std::size_t kMaxProfileParameters = 1000;

// The parameters in the order of "Main" ("Para" missing: none). Only the
// positions below "Para" whose key "Main" holds name a parameter: a broken
// file's "Para" of two billion costs no more than the keys it really has.
std::vector<ProfileParameter> ReadProfileParameters(const ProfileFile& profile);

// "." + "Type" of "Main", ".mp4" when missing.
std::string ReadOutputExtension(const ProfileFile& profile);

// The profile editor's lists, as the argument builder and the saver see them.
class ShownRows {
public:
    virtual ~ShownRows() = default;
    // The shown value of the row whose key equals key without regard to case
    // in the list of that group; nothing when the list has no such row (or
    // the group no list).
    virtual std::optional<std::string> ShownValue(std::int32_t sort, const std::string& key) const = 0;
    // The pick-list items of that row; empty for a plain or missing row.
    virtual std::vector<std::string> PickItems(std::int32_t sort, const std::string& key) const = 0;
};

// The converter arguments of a profile: for every parameter, in order, with
// a non-empty option and a non-empty value, a blank, the option, a blank and
// the value ("\" stands for "no value": the option is followed by a blank
// alone). The value of a pick list is the value item at the position of the
// shown caption (case ignored), or the shown text itself when it is no
// caption; a read-only free-text parameter passes the file's "Value"; any
// other free-text parameter passes the shown text. Missing rows read as empty.
// Appended to text, which is thus either left alone or gains a leading blank.
void BuildProfileArguments(const ProfileFile& profile, const ShownRows& shown, std::string& text);

// A row of the editor for one parameter.
struct EditorRow {
    std::int32_t Sort = -1;
    std::string Key;
    std::string Value;
    bool ReadOnly = false;              // pick lists always: choose, never type
    bool PickList = false;
    std::vector<std::string> Items;     // pick list: the caption items
};

// The rows a profile loads into the editor, in parameter order. A pick list
// shows the caption at "Index" (an empty text when "Index" lies outside its
// items); a free-text parameter shows its "Caption". Parameters of no known
// group are left out: there is no list to show them in.
std::vector<EditorRow> ProfileEditorRows(const ProfileFile& profile);

// Writes the shown values into the profile, whose structure is read from the
// same file: read-only parameters are skipped; a pick list gets "Index" = the
// position of the shown value among the row's items (case ignored), or -1;
// a free-text parameter gets "Caption" then "Value" = the shown value.
// Parameters without a row in the editor are left as they are.
void SaveShownValues(ProfileFile& profile, const ShownRows& shown);

} // namespace korvane
