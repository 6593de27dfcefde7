// The parts of crash reporting every back end shares. Everything here is
// async-signal-safe: no allocation, no locale, no stdio.
#include "platform/crash_handler.h"

#include "platform/live_children.h"

namespace platform {
namespace {

// Appends `text` while it fits, leaving room for the terminating zero.
bool append(char* out, std::size_t size, std::size_t& at, const char* text)
{
    for (; *text; ++text) {
        if (at + 1 >= size)
            return false;
        out[at++] = *text;
    }
    return true;
}

bool appendNumber(char* out, std::size_t size, std::size_t& at, long long value)
{
    char digits[24];
    int n = 0;
    const bool negative = value < 0;
    unsigned long long v =
        negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    if (negative)
        digits[n++] = '-';
    char text[24];
    for (int i = 0; i < n; ++i)
        text[i] = digits[n - 1 - i];
    text[n] = '\0';
    return append(out, size, at, text);
}

wchar_t lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

} // namespace

std::size_t buildDumpPath(char (&out)[kDumpPathSize], const char* currentFolder, char sep, const LocalTime& when)
{
    const char sepText[2] = {sep, '\0'};
    std::size_t at = 0;
    bool fits = append(out, kDumpPathSize, at, currentFolder);
    // A root folder already ends with its separator.
    if (fits && (at == 0 || out[at - 1] != sep))
        fits = append(out, kDumpPathSize, at, sepText);
    fits = fits && append(out, kDumpPathSize, at, "D-Error") && append(out, kDumpPathSize, at, sepText);
    const std::size_t folderLength = at;
    fits = fits && appendNumber(out, kDumpPathSize, at, when.year) && append(out, kDumpPathSize, at, "-")
        && appendNumber(out, kDumpPathSize, at, when.month) && append(out, kDumpPathSize, at, "-")
        && appendNumber(out, kDumpPathSize, at, when.day) && append(out, kDumpPathSize, at, "&")
        && appendNumber(out, kDumpPathSize, at, when.hour) && append(out, kDumpPathSize, at, "-")
        && appendNumber(out, kDumpPathSize, at, when.minute) && append(out, kDumpPathSize, at, "-")
        && appendNumber(out, kDumpPathSize, at, when.second) && append(out, kDumpPathSize, at, ".dmp");
    out[fits ? at : 0] = '\0';
    return fits ? folderLength : 0;
}

LocalTime civilTime(long long secondsSinceEpoch)
{
    // Days to a proleptic Gregorian date, counted in 400-year eras from
    // 1 March 0000 so that the leap day ends each year.
    long long days = secondsSinceEpoch / 86400;
    long long rest = secondsSinceEpoch % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shiftedMonth = (5 * dayOfYear + 2) / 153; // 0 is March
    LocalTime t;
    t.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    t.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    t.year = static_cast<int>(yearOfEra + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

bool IsNtdllModule(const wchar_t* fullPath)
{
    if (!fullPath)
        return false;
    // The file name starts after the last folder separator or drive colon...
    const wchar_t* name = fullPath;
    for (const wchar_t* p = fullPath; *p; ++p)
        if (*p == L'\\' || *p == L'/' || *p == L':')
            name = p + 1;
    // ...and its extension at the last dot after that.
    const wchar_t* end = name;
    const wchar_t* dot = nullptr;
    for (; *end; ++end)
        if (*end == L'.')
            dot = end;
    if (dot)
        end = dot;
    static const wchar_t ntdll[] = L"ntdll";
    const wchar_t* n = name;
    const wchar_t* w = ntdll;
    for (; n != end && *w; ++n, ++w)
        if (lower(*n) != *w)
            return false;
    return n == end && !*w;
}

CrashEncoderEnd endEncodersAfterCrash(int graceMs)
{
    CrashEncoderEnd result;
    result.running = liveChildCount();
    if (result.running == 0)
        return result;
    askLiveChildrenToQuit();
    if (!waitLiveChildren(graceMs)) {
        result.killed = liveChildCount();
        killLiveChildren();
    }
    return result;
}

void UtcOffsetTable::build(long long from, long long until, OffsetAt offsetAt)
{
    // Several hours apart: zones change at most twice a year, an hour or so
    // at a time, and the scan is done at start-up where time counts.
    constexpr long long kStep = 6 * 3600;
    first_ = offsetAt(from);
    changes_ = 0;
    long current = first_;
    for (long long t = from; t < until && changes_ < kMaxChanges; t += kStep) {
        const long long next = t + kStep < until ? t + kStep : until;
        const long offset = offsetAt(next);
        if (offset == current)
            continue;
        // The first second with the new offset lies in (t, next].
        long long before = t, after = next;
        while (after - before > 1) {
            const long long mid = before + (after - before) / 2;
            (offsetAt(mid) == current ? before : after) = mid;
        }
        changeAt_[changes_] = after;
        offset_[changes_++] = offset;
        current = offset;
    }
}

long UtcOffsetTable::at(long long utcSeconds) const
{
    long offset = first_;
    for (int i = 0; i < changes_ && changeAt_[i] <= utcSeconds; ++i)
        offset = offset_[i];
    return offset;
}

} // namespace platform
