#include "encoder/output_tail.h"
#include "recording/run_output.h"

#include <gtest/gtest.h>
#include <string>

using encoder::OutputLines;
using encoder::OutputTail;
using recording::RunOutput;

namespace {

// Feeds `output` in chunks of `step` bytes, as the runner hands it over.
std::string tellingLineOf(const std::string& output, std::size_t step = 7)
{
    OutputTail tail;
    for (std::size_t at = 0; at < output.size(); at += step)
        tail.add(output.data() + at, std::min(step, output.size() - at));
    return tail.tellingLine();
}

} // namespace

TEST(OutputTail, PicksTheLineThatSaysWhyFromTheEncodersOwnTranscripts)
{
    // A full disk during a cut: the system's words beat the generic close.
    EXPECT_EQ(tellingLineOf("Output #0, mp4, to '/full/Cut_a.mp4':\n"
                            "frame=   90 fps=0.0 q=-1.0 size=     256kB time=00:00:03.60 speed=7x    \r"
                            "[mp4 @ 0x5581c0a3c2c0] Error muxing a packet\n"
                            "[mp4 @ 0x5581c0a3c2c0] av_interleaved_write_frame(): No space left on device\n"
                            "frame=  180 fps=0.0 q=-1.0 Lsize=     512kB time=00:00:07.20 speed=7x    \r\n"
                            "Error writing trailer of /full/Cut_a.mp4: No space left on device\n"
                            "Conversion failed!\n"),
              "Error writing trailer of /full/Cut_a.mp4: No space left on device");
    // The muxer's address is dropped; the last line may lack its break.
    EXPECT_EQ(tellingLineOf("[mov,mp4,m4a,3gp,3g2,mj2 @ 0x55d0c0] moov atom not found\n"
                            "/rec/bad.mp4: Invalid data found when processing input"),
              "/rec/bad.mp4: Invalid data found when processing input");
    EXPECT_EQ(tellingLineOf("[mp4 @ 0x55d0c0] Could not find tag for codec rawvideo\nConversion failed!\n", 1),
              "Could not find tag for codec rawvideo");
    EXPECT_EQ(tellingLineOf("Input #0, mov\r\nConversion failed!\r\n"), "Conversion failed!");
    // A run that says nothing of a failure gives nothing to show.
    EXPECT_EQ(tellingLineOf("Press [q] to stop, [?] for help\n"
                            "frame=    0 fps=0.0 q=-1.0 Lsize=       0kB time=00:00:00.00\r"
                            "video:0kB audio:0kB subtitle:0kB muxing overhead: unknown\n"),
              "");
    EXPECT_EQ(tellingLineOf(""), "");
}

TEST(RunOutput, LastLineIsTheLastEndedOneHoweverTheOutputIsCut)
{
    const std::string longLine(3000, 'x');
    const std::string output = "Press [q] to stop\nframe=   1 fps=0.0\rframe=   2 fps=0.0\r\n" + longLine + "\n\r\nhal";
    for (std::size_t step : {std::size_t{1}, std::size_t{7}, output.size()}) {
        RunOutput run;
        run.setPath("a.mp4");
        for (std::size_t at = 0; at < output.size(); at += step)
            run.addOutput(output.data() + at, std::min(step, output.size() - at));
        // Blank lines and the unfinished one do not count; a long one is cut.
        EXPECT_EQ(run.lastLine(), longLine.substr(0, OutputLines::kLineMax)) << step;
        run.addOutput("f\r", 2);
        EXPECT_EQ(run.lastLine(), "half");
        // A new run's file starts its last line anew.
        run.setPath("b.mp4");
        EXPECT_EQ(run.lastLine(), "");
    }
}
