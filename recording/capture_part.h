#pragma once
// The part of the desktop a capture choice records: asked at Start, and
// the exact pixels it comes to on the desktop being recorded. Qt-free.
#include "util/capture_choice.h"

#include <optional>
#include <string>
#include <vector>

namespace recording {

// The screens the page offers to record alone: the desktop's monitors; none
// on a screen cast, where the desktop's own dialog chooses what is shared.
std::vector<platform::ScreenArea> ScreensToOffer();

// None for the whole desktop; the screen or area as chosen; a window where
// it is now, or where it was chosen when it is closed or hidden (the grab
// then records that area, as the page said).
std::optional<platform::ScreenArea> PartAtStart(const util::CaptureChoice& choice, const std::string& display);

// The pixels recorded of a desktop `width`×`height`: `part` clamped to the
// desktop, one column or row short where its size is odd (H.264 in 4:2:0
// takes even sizes only). None when less than 2×2 pixels of it are on the
// desktop.
std::optional<platform::ScreenArea> RecordedArea(const platform::ScreenArea& part, int width, int height);

// What a take records of a desktop `width`×`height`: `part` as
// RecordedArea gives it, or the whole desktop (even-sized) when there is no
// part or it is off the desktop.
platform::ScreenArea AreaToRecord(const std::optional<platform::ScreenArea>& part, int width, int height);

// True when `area` is less than the whole of a desktop `width`×`height`.
bool IsPartOfDesktop(const platform::ScreenArea& area, int width, int height);

} // namespace recording
