#pragma once
// The part of the desktop a capture choice records, asked at Start. Qt-free.
#include "util/capture_choice.h"

#include <optional>
#include <string>

namespace recording {

// None for the whole desktop; the screen or area as chosen; a window where
// it is now, or where it was chosen when it is closed or hidden (the grab
// then records that area, as the page said).
std::optional<platform::ScreenArea> PartAtStart(const util::CaptureChoice& choice, const std::string& display);

} // namespace recording
