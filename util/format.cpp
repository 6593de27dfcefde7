#include "util/format.h"

#include <cstdio>

namespace util {

std::string FormatDuration(std::int64_t s)
{
    char text[256];
    if (s >= 3600) {
        const std::int64_t hours = s / 3600;
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(hours),
                      static_cast<long long>((s - hours * 3600) / 60), static_cast<long long>(s % 60));
    } else if (s >= 60) {
        std::snprintf(text, sizeof text, "00:%02lld:%02lld", static_cast<long long>(s / 60),
                      static_cast<long long>(s % 60));
    } else {
        std::snprintf(text, sizeof text, "00:00:%02lld", static_cast<long long>(s));
    }
    return text;
}

std::string FormatSize(std::int64_t n)
{
    constexpr std::int64_t KB = 1024, MB = KB * 1024, GB = MB * 1024, TB = GB * 1024;
    char text[256];
    const char* unit;
    if (n >= TB) {
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(n) / static_cast<double>(TB));
        unit = " TB";
    } else if (n >= GB) {
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(n) / static_cast<double>(GB));
        unit = " GB";
    } else if (n >= MB) {
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(n) / static_cast<double>(MB));
        unit = " MB";
    } else if (n >= KB) {
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(n) / static_cast<double>(KB));
        unit = " KB";
    } else {
        // The low 32 bits, as a plain count.
        std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<std::uint32_t>(n)));
        unit = " Bytes";
    }
    return std::string(text) + unit;
}

std::string FormatDurationMs(std::int64_t ms)
{
    if (ms < 0)
        ms = 0;
    char text[16];
    std::snprintf(text, sizeof text, ".%03lld", static_cast<long long>(ms % 1000));
    return FormatDuration(ms / 1000) + text;
}

} // namespace util
