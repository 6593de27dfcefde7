#include "editing/stream_command.h"

#include "encoder/files_only.h"
#include "platform/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace editing {

using platform::quoteArgument;
using encoder::kFilesOnly;

std::string MillisecondsAsSeconds(std::int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%03lld", ms < 0 ? "-" : "", static_cast<long long>(std::llabs(ms) / 1000),
                  static_cast<long long>(std::llabs(ms) % 1000));
    return text;
}

std::string BuildCutCommandLine(const std::string& quotedTool, const std::string& source, std::int64_t startMs,
                                std::int64_t lengthMs, const std::string& output)
{
    // Left to choose, the encoder would copy one sound track of several.
    return quotedTool + " -y" + kFilesOnly + " -i " + quoteArgument(source) + " -ss " + MillisecondsAsSeconds(startMs) + " -t "
        + MillisecondsAsSeconds(lengthMs) + " -map 0:V? -map 0:a? -codec copy  " + quoteArgument(output) + " ";
}

std::string CutOutputPath(const std::string& outputFolder, const std::string& source, char separator)
{
    const std::size_t slash = source.find_last_of("\\/");
    const std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    return outputFolder + separator + "Cut_" + name;
}

std::string MergeOutputPath(const std::string& outputFolder, const platform::LocalTime& t, char separator)
{
    char name[64];
    std::snprintf(name, sizeof name, "Merge%04d-%02d-%02d-%02d-%02d-%02d.mp4", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return outputFolder + separator + name;
}

void MergeProgress::reset(std::size_t files)
{
    count = 0;
    estimate = 20 * static_cast<std::int64_t>(files) + 20;
}

int MergeProgress::advance()
{
    if (++count >= estimate)
        count = estimate;
    const std::int64_t percent = estimate > 0 ? count * 100 / estimate : 0;
    return static_cast<int>(percent < 99 ? percent : 99);
}

} // namespace editing
