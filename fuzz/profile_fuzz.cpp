// A profile file of any content, held in memory: its parameters, the rows the
// editor shows, the converter arguments of those rows and of rows the user
// typed anything into, and the write-back of the choices. Nothing may hang,
// and the arguments are bounded by what the file holds.
// libFuzzer: -max_len=512
#include "profiles/IniText.h"
#include "profiles/ProfileArguments.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The editor's lists as a profile load fills them.
class LoadedRows : public korvane::ShownRows {
public:
    LoadedRows(std::vector<korvane::EditorRow> rows, std::string typed)
        : rows_(std::move(rows)), typed_(std::move(typed))
    {
        for (std::size_t i = 0; i < rows_.size(); ++i)
            first_.emplace(std::make_pair(rows_[i].Sort, Lower(rows_[i].Key)), i);
    }

    std::optional<std::string> ShownValue(std::int32_t sort, const std::string& key) const override
    {
        const korvane::EditorRow* row = Find(sort, key);
        if (!row)
            return std::nullopt;
        // Every other row shows what the user typed or picked instead.
        return (&*row - rows_.data()) % 2 ? typed_ : row->Value;
    }

    std::vector<std::string> PickItems(std::int32_t sort, const std::string& key) const override
    {
        const korvane::EditorRow* row = Find(sort, key);
        return row ? row->Items : std::vector<std::string>{};
    }

private:
    static std::string Lower(std::string s)
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    }

    // The first row of that key in the list of that group, as the lists look rows up.
    const korvane::EditorRow* Find(std::int32_t sort, const std::string& key) const
    {
        const auto found = first_.find(std::make_pair(sort, Lower(key)));
        return found == first_.end() ? nullptr : &rows_[found->second];
    }

    std::vector<korvane::EditorRow> rows_;
    std::map<std::pair<std::int32_t, std::string>, std::size_t> first_;
    std::string typed_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The first line doubles as what the user typed into rows.
    const std::string typed(text.substr(0, text.find('\n')));

    korvane::IniText profile(text);
    (void)korvane::ReadOutputExtension(profile);
    std::vector<korvane::EditorRow> loaded = korvane::ProfileEditorRows(profile);
    // No parameter without a key of its own in the text.
    if (loaded.size() > size / 2 + 1 || loaded.size() > korvane::kMaxProfileParameters)
        std::abort();
    for (const korvane::EditorRow& row : loaded)
        (void)korvane::IndexOfIgnoringCase(row.Items, typed);

    const LoadedRows rows(std::move(loaded), typed);
    std::string arguments;
    korvane::BuildProfileArguments(profile, rows, arguments);
    // Each parameter adds at most two blanks, its option and one value.
    if (arguments.size() > (size / 2 + 1) * (2 + 2047 + std::max<std::size_t>(2047, typed.size())))
        std::abort();
    if (!arguments.empty() && arguments.front() != ' ')
        std::abort();

    korvane::SaveShownValues(profile, rows);
    return 0;
}
