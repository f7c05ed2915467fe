#pragma once
// Where a copied MP4 or MOV clip's pictures end. The engine ends a copied
// stream by decoding times: with reordered pictures the clip keeps some
// pictures shown after its end, but not all of them, and its edit list shows
// them, with holes between. Plain byte work, free of windows.h.
#include <optional>
#include <string>
#include <string_view>

namespace korvane::frontend {

// The movie box (moov) with its picture track's edit list ending where the
// pictures shown from its start stop following each other without a hole,
// the track's and the movie's durations with it; the same size as given.
// With `longest` (seconds), every picture shown before it is known to be
// there: the edit list shows up to it, or to the last picture. Nothing
// when there is nothing to shorten or the box cannot be read.
std::optional<std::string> EndWherePicturesStop(std::string_view moov, std::optional<double> longest = std::nullopt);

} // namespace korvane::frontend
