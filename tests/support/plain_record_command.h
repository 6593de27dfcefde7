#pragma once
// A recording's encoder line with one plain MP4 output instead of a take's
// two: what a test or a benchmark compares the take with, or records a
// scene through without the take's files.
#include "platform/command_line.h"

#include <string>

namespace testing_support {

// quotedTool + args + " -f mp4 " + the quoted output path + " ".
inline std::string BuildRecordCommandLine(const std::string& quotedTool, const std::string& args,
                                          const std::string& outputPath)
{
    return quotedTool + args + " -f mp4 " + platform::quoteArgument(outputPath) + " ";
}

} // namespace testing_support
