#pragma once
// An MP4 or MOV file's movie box (moov), rewritten in place. Free of
// windows.h: the path is UTF-8 on every system.
#include <functional>
#include <optional>
#include <string>

namespace korvane::frontend {

// `change` gives the new box for the one in the file (or nothing to leave
// it), or why it cannot. A box of another size is only written where it
// comes last in the file. An empty text when done or left, else why not.
using MovieBoxChange = std::function<std::string(const std::string& moov, std::optional<std::string>& changed)>;
std::string RewriteMovieBox(const std::string& path, const MovieBoxChange& change);

// A copied clip's edit list ended as EndWherePicturesStop ends it; the same
// text as RewriteMovieBox.
std::string EndCopiedMovie(const std::string& path, std::optional<double> longest);

} // namespace korvane::frontend
