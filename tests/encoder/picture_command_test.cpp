#include "library/picture_command.h"

#include "command_args.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using library::BuildPictureCommandLine;
using library::BuildStripCommandLine;
using library::SecondsText;
using testing_support::argsOf;
using testing_support::indexOf;
using testing_support::valueOf;

namespace {

const std::string kTool = "\"/opt/vtr/tool\"";
// A leading dash, quotes, a dollar, a percent (an image sequence's pattern),
// a protocol's prefix, a trailing backslash and non-Latin letters.
const std::string kHostile = "-x \"q\" $HOME 'a' 100%d concat:录像\\";

// The output is the last argument, a plain file written over without asking.
void expectOutput(const std::vector<std::string>& args, const std::string& output)
{
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(args.back(), "file:" + output);
    EXPECT_LT(indexOf(args, "-y"), args.size());
    EXPECT_EQ(valueOf(args, "-c:v"), "png");
    EXPECT_EQ(valueOf(args, "-update"), "1");
}

} // namespace

TEST(PictureCommand, HostileNamesComeBackWholeAsPlainFiles)
{
    const std::string source = "/rec/" + kHostile + ".mp4";
    const std::string output = "/cache/" + kHostile + ".png";
    const std::vector<std::string> picture = argsOf(BuildPictureCommandLine(kTool, source, 1000, 96, output));
    // Opened at the instant asked, one frame of the width asked.
    EXPECT_EQ(valueOf(picture, "-ss"), "1.000");
    EXPECT_LT(indexOf(picture, "-ss"), indexOf(picture, "-i"));
    EXPECT_EQ(valueOf(picture, "-i"), "file:" + source);
    EXPECT_EQ(valueOf(picture, "-vf"), "scale=96:-2");
    EXPECT_EQ(valueOf(picture, "-frames:v"), "1");
    expectOutput(picture, output);

    const std::vector<std::string> strip = argsOf(BuildStripCommandLine(kTool, source, {50, 1250, 61005}, 96, output));
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i + 1 < strip.size(); ++i)
        if (strip[i] == "-ss")
            inputs.push_back(strip[i + 1] + " " + strip[i + 2] + " " + strip[i + 3]);
    EXPECT_EQ(
        inputs,
        (std::vector<std::string>{"0.050 -i file:" + source, "1.250 -i file:" + source, "61.005 -i file:" + source}));
    expectOutput(strip, output);
}

TEST(PictureCommand, SecondsAreWrittenWithAPointWhateverTheLocale)
{
    EXPECT_EQ(SecondsText(0), "0.000");
    EXPECT_EQ(SecondsText(7), "0.007");
    EXPECT_EQ(SecondsText(3599999), "3599.999");
    EXPECT_EQ(SecondsText(-5), "0.000");
}
