#pragma once
// The program's one diagnostic channel. Qt-free code writes here; the
// application routes it to qDebug.
#include <functional>
#include <string>

namespace util {

using DebugSink = std::function<void(const std::string&)>;

// Replaces where DebugLog writes (standard error until then). Set it once at
// start-up, before any worker runs.
void SetDebugSink(DebugSink sink);
void DebugLog(const std::string& text);

} // namespace util
