#pragma once
// Texts of durations and sizes as the window shows them. Qt-free, UTF-8.
#include <cstdint>
#include <string>

namespace util {

// "HH:MM:SS"; hours grow past two digits (360000 s give "100:00:00").
std::string FormatDuration(std::int64_t seconds);
// "HH:MM:SS.mmm", as FormatDuration with the milliseconds.
std::string FormatDurationMs(std::int64_t milliseconds);
// "1.50 KB", "1023 Bytes", "2.00 GB": two decimals from KB up.
std::string FormatSize(std::int64_t bytes);

} // namespace util
