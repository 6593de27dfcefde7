#include "encoder/picture_command.h"
#include "platform/command_line.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using encoder::BuildPictureCommandLine;
using encoder::BuildStripCommandLine;
using encoder::SecondsText;

namespace {

const std::string kTool = "\"/opt/vtr/tool\"";
// A leading dash, quotes, a dollar, a percent (an image sequence's pattern),
// a protocol's prefix, a trailing backslash and non-Latin letters.
const std::string kHostile = "-x \"q\" $HOME 'a' 100%d concat:录像\\";

std::vector<std::string> argsOf(const std::string& line)
{
    std::vector<std::string> args = platform::splitCommandLine(line);
    args.erase(args.begin());
    return args;
}

} // namespace

TEST(PictureCommand, HostileNamesComeBackWholeAsPlainFiles)
{
    const std::string source = "/rec/" + kHostile + ".mp4";
    const std::string output = "/cache/" + kHostile + ".png";
    EXPECT_EQ(argsOf(BuildPictureCommandLine(kTool, source, 1000, 96, output)),
              (std::vector<std::string>{
                  "-v", "error", "-y", "-threads", "1", "-protocol_whitelist", "file", "-ss", "1.000",
                  "-i", "file:" + source, "-an", "-vf", "scale=96:-2", "-frames:v", "1",
                  "-f", "image2", "-update", "1", "-c:v", "png", "file:" + output}));

    const std::vector<std::string> strip = argsOf(BuildStripCommandLine(kTool, source, {50, 1250, 61005}, 96, output));
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i + 1 < strip.size(); ++i)
        if (strip[i] == "-ss")
            inputs.push_back(strip[i + 1] + " " + strip[i + 2] + " " + strip[i + 3]);
    EXPECT_EQ(
        inputs,
        (std::vector<std::string>{"0.050 -i file:" + source, "1.250 -i file:" + source, "61.005 -i file:" + source}));
    EXPECT_EQ(strip.back(), "file:" + output);
}

TEST(PictureCommand, SecondsAreWrittenWithAPointWhateverTheLocale)
{
    EXPECT_EQ(SecondsText(0), "0.000");
    EXPECT_EQ(SecondsText(7), "0.007");
    EXPECT_EQ(SecondsText(3599999), "3599.999");
    EXPECT_EQ(SecondsText(-5), "0.000");
}
