#include "encoder/tool.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/command_line.h"

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
    platform::installToolCopy(platform::toolSource(), copy);
    return platform::quoteArgument(copy);
}
