#include "util/debug_log.h"

#include <cstdio>

namespace util {

namespace {

DebugSink& sink()
{
    static DebugSink s;
    return s;
}

} // namespace

void SetDebugSink(DebugSink s) { sink() = std::move(s); }

void DebugLog(const std::string& text)
{
    if (sink())
        sink()(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

} // namespace util
