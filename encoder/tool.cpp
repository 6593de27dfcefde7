#include "encoder/tool.h"

#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <mutex>

namespace encoder {

namespace {

// Guards the copy on disk and the stamp of the source it was made from.
std::mutex g_copyMutex;
std::string g_copiedStamp;

std::string stampOf(const std::string& source)
{
    return source + '|' + std::to_string(platform::fileSize(source)) + '|'
        + std::to_string(platform::lastWriteTicks(source));
}

} // namespace

std::string ToolFolder()
{
    const std::string sep(1, platform::separator());
    return platform::userDataFolder() + sep + "VantreelScreenRecorder" + sep;
}

std::string ToolCopyPath()
{
    // The folder already ends with a separator; the doubled one is harmless
    // and keeps the path the same as every earlier copy's.
    return ToolFolder() + platform::separator() + platform::toolCopyName();
}

void EnsureToolFolder()
{
    const std::string marker = ToolFolder() + "viewInstall" + platform::separator();
    if (!platform::fileExists(marker))
        platform::makeFolderPath(marker);
}

std::string PrepareTool()
{
    const std::string copy = ToolCopyPath();
    {
        // Rewritten only when needed: while one thread writes the copy, a
        // child forked meanwhile by another holds it open for writing, and
        // starting the copy then fails ("Text file busy").
        const std::lock_guard lock(g_copyMutex);
        const std::string source = platform::toolSource();
        const std::string stamp = stampOf(source);
        if ((stamp != g_copiedStamp || !platform::fileExists(copy)) && platform::installToolCopy(source, copy))
            g_copiedStamp = stamp;
    }
    return platform::quoteArgument(copy);
}

} // namespace encoder
