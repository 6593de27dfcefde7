#include "library/picture_command.h"

#include "encoder/files_only.h"
#include "platform/command_line.h"

namespace library {

using platform::quoteArgument;
using encoder::kFilesOnly;

namespace {

// The file protocol by name: a path that begins like an option or holds a
// protocol's prefix ("concat:", "http:") stays a plain file.
std::string fileArgument(const std::string& path) { return quoteArgument("file:" + path); }

std::string head(const std::string& quotedTool) { return quotedTool + " -v error -y"; }

// One decoding thread an input: a picture is a few frames, and the window
// shares the cores.
std::string input(const std::string& source, std::int64_t atMs)
{
    return std::string(" -threads 1") + kFilesOnly + " -ss " + SecondsText(atMs) + " -i " + fileArgument(source);
}

// PNG, one picture written once (never taken for a numbered sequence).
std::string pngOutput(const std::string& output)
{
    return " -frames:v 1 -f image2 -update 1 -c:v png " + fileArgument(output);
}

} // namespace

std::string SecondsText(std::int64_t ms)
{
    if (ms < 0)
        ms = 0;
    std::string fraction = std::to_string(ms % 1000);
    return std::to_string(ms / 1000) + '.' + std::string(3 - fraction.size(), '0') + fraction;
}

std::string BuildPictureCommandLine(const std::string& quotedTool, const std::string& source, std::int64_t atMs,
                                    int width, const std::string& output)
{
    return head(quotedTool) + input(source, atMs) + " -an -vf scale=" + std::to_string(width) + ":-2"
        + pngOutput(output);
}

std::string BuildStripCommandLine(const std::string& quotedTool, const std::string& source,
                                  const std::vector<std::int64_t>& atMs, int width, const std::string& output)
{
    std::string line = head(quotedTool);
    std::string graph;
    std::string joined;
    for (std::size_t i = 0; i < atMs.size(); ++i) {
        const std::string n = std::to_string(i);
        line += input(source, atMs[i]);
        // The first frame from each instant, its clock reset so that all of
        // them meet in the stack at once.
        graph +=
            "[" + n + ":v]trim=end_frame=1,setpts=PTS-STARTPTS,scale=" + std::to_string(width) + ":-2[p" + n + "];";
        joined += "[p" + n + "]";
    }
    if (atMs.size() == 1)
        graph += joined + "null";
    else
        graph += joined + "hstack=inputs=" + std::to_string(atMs.size());
    return line + " -filter_complex " + quoteArgument(graph) + " -an" + pngOutput(output);
}

} // namespace library
