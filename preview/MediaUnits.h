#pragma once
// Unit conversions between the preview's numbers and DirectShow's. Free of
// windows.h so that the arithmetic is also checked under the sanitizers.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

// DirectShow reference time (100 ns units) to milliseconds: truncating 64-bit
// division, then taken as a 32-bit integer (a longer time wraps).
std::int32_t ReferenceTimeToMs(std::int64_t referenceTime);

// Frames of `frameTime` 100 ns units each, counted from 0. FrameAt is the
// frame shown at `position` (the last one that began by then, with two
// units of slack for a position reported a hair early); FrameStart the
// first 100 ns unit at or after frame `index`'s start, so that a seek there
// shows that frame and not the one before, and the time cut to milliseconds
// still lies at or before the frame. frameTime must be positive.
std::int64_t FrameAt(std::int64_t position, double frameTime);
std::int64_t FrameStart(std::int64_t index, double frameTime);
// The last frame that begins before `duration`.
std::int64_t LastFrame(std::int64_t duration, double frameTime);
// The middle of frame `index`: where a seek shows that frame on any graph,
// whichever way it rounds a time on the frame's edge.
std::int64_t FrameMiddle(std::int64_t index, double frameTime);

// A picture of the given size fitted into an area, its shape kept and
// centred: bars above and below, or left and right.
struct PictureFit {
    long left = 0, top = 0, width = 0, height = 0;
};
PictureFit FitPicture(long pictureWidth, long pictureHeight, long areaWidth, long areaHeight);

// Volume 0 (silent) .. 10000 (full) on a linear scale, to DirectShow's
// attenuation in hundredths of a decibel (-10000 .. 0). Out-of-range input is
// clamped first.
std::int32_t LinearToDirectShowVolume(std::int32_t volume);
// The same without the linear scale: v - 10000.
std::int32_t PlainToDirectShowVolume(std::int32_t volume);
// Balance -10000 (left) .. 10000 (right): the side away from the balance is
// attenuated as the linear volume 10000 - |b| would be; 0 stays 0.
std::int32_t LinearToDirectShowBalance(std::int32_t balance);

std::int32_t ClampVolume(std::int32_t volume);
std::int32_t ClampBalance(std::int32_t balance);

// The text of a failed DirectShow call as the user sees it: the platform's
// error text, a blank, the code as "$" and uppercase hex digits in
// parentheses, and a full stop: "No such file. ($80070002)."
std::string DirectShowErrorMessage(std::string_view errorText, std::int32_t hr);

} // namespace korvane
