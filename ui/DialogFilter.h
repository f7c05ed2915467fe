#pragma once
// File-dialog filters: "description|pattern|description|pattern" as the
// program writes them, and the form the common dialogs read (each part
// followed by a NUL, the whole closed by a second NUL). No windows.h here.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

// "A|*.a|B|*.b" -> "A\0*.a\0B\0*.b\0\0" (returned with its embedded NULs).
// An empty filter gives an empty string (no filter at all).
std::string FilterToDoubleNul(std::string_view filter);

// The (description, pattern) pairs of a filter; a trailing description
// without pattern gets an empty pattern.
std::vector<std::pair<std::string, std::string>> SplitFilter(std::string_view filter);

} // namespace ui
