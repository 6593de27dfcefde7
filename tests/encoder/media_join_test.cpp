// The join of parts that differ: which parts are converted and why (pure),
// and merges of mismatched parts and of this program's own recordings
// against the real encoder.
#include "media/media_match.h"
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "encoder/tool.h"
#include "platform/command_line.h"

#include "../support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

using encoder::EnsureToolFolder;
using media::JoinPlan;
using media::MediaProbe;
using editing::MergeFiles;
using editing::MergeProgress;
using media::PartMismatch;
using media::PlanJoin;
using media::ProbeMedia;
using encoder::RunEnded;

using namespace testing_support;
using platform::quoteArgument;
using M = PartMismatch;

namespace {

MediaProbe part(int width, int height, double rate, int soundRate = 44100, int channels = 2)
{
    MediaProbe p;
    p.readable = p.hasPicture = true;
    p.picture = {"h264", "High", width, height, 1, 1, "yuv420p", rate, "", 1, 12194, 46, 0x4b3e0fd6};
    if (soundRate > 0) {
        p.hasSound = true;
        p.sound = {"aac", "LC", soundRate, channels, channels == 1 ? "mono" : "stereo", 1, soundRate, 5, 0x366015d};
    }
    return p;
}

} // namespace

TEST(JoinPlan, NamesWhatDiffersFromTheFirstPartAndWhatIsReEncoded)
{
    MediaProbe otherHeader = part(1280, 720, 60.97);
    otherHeader.picture.headerCrc = 1;
    MediaProbe otherTimeBase = part(1280, 720, 60.97);
    otherTimeBase.picture.timeBaseDen = 90000;
    MediaProbe wide = part(1280, 720, 60.97);
    wide.picture.sarNum = 4;
    wide.picture.sarDen = 3;
    wide.picture.pixelFormat = "yuv444p";
    wide.picture.profile = "High 4:4:4 Predictive";
    const JoinPlan plan = PlanJoin({part(1280, 720, 60.97), part(1280, 720, 60.97), part(640, 480, 25, 0),
                                    part(1280, 720, 60.97, 48000, 1), otherHeader, otherTimeBase, wide});
    ASSERT_EQ(plan.parts.size(), 7u);
    EXPECT_TRUE(plan.converts());
    EXPECT_TRUE(plan.parts[0].matches);
    EXPECT_TRUE(plan.parts[1].matches);
    EXPECT_EQ(plan.parts[2].reasons, (std::vector<M>{M::PictureSize, M::FrameRate, M::NoSound}));
    EXPECT_TRUE(plan.parts[2].encodePicture && plan.parts[2].encodeSound);
    EXPECT_EQ(plan.parts[3].reasons, (std::vector<M>{M::SoundRate, M::SoundChannels}));
    EXPECT_FALSE(plan.parts[3].encodePicture); // its picture is copied
    EXPECT_EQ(plan.parts[4].reasons, (std::vector<M>{M::PictureHeader}));
    EXPECT_EQ(plan.parts[5].reasons, (std::vector<M>{M::PictureTimeBase}));
    EXPECT_TRUE(plan.parts[5].retime && !plan.parts[5].encodePicture && !plan.parts[5].encodeSound);
    EXPECT_EQ(plan.parts[6].reasons, (std::vector<M>{M::PictureProfile, M::PixelAspect, M::PixelFormat}));
    // 29.97 as printed and as 30000/1001 are one rate.
    EXPECT_TRUE(PlanJoin({part(640, 480, 29.97), part(640, 480, 30000.0 / 1001)}).parts[1].matches);
    EXPECT_FALSE(PlanJoin({part(640, 480, 60.97), part(640, 480, 60.97)}).converts());

    // A first part without sound takes silence, so that the sound of those
    // after it never shifts; the form's sound is the first there is.
    const JoinPlan silentFirst = PlanJoin({part(640, 480, 30, 0), part(640, 480, 30, 48000, 1)});
    EXPECT_EQ(silentFirst.parts[0].reasons, std::vector<M>{M::NoSound});
    EXPECT_TRUE(silentFirst.parts[1].matches);
    EXPECT_EQ(silentFirst.form.soundForm.sampleRate, 48000);

    // Parts that must be re-encoded into a form this program cannot write
    // make every part H.264 High, the first included.
    MediaProbe hevc = part(640, 480, 30);
    hevc.picture.codec = "hevc";
    hevc.picture.profile = "Main";
    const JoinPlan rewritten = PlanJoin({hevc, part(320, 240, 30)});
    EXPECT_TRUE(rewritten.form.pictureRewritten);
    EXPECT_EQ(rewritten.form.pictureForm.codec, "h264");
    EXPECT_EQ(rewritten.parts[0].reasons, (std::vector<M>{M::PictureCodec, M::PictureHeader}));
    EXPECT_TRUE(rewritten.parts[1].encodePicture);
    // The same parts of a codec it cannot write still join as they are.
    EXPECT_FALSE(PlanJoin({hevc, hevc}).converts());
}

class MediaJoin : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureToolFolder(); }

    // A part made with the encoder's test sources.
    std::string make(const std::string& name, const std::string& args)
    {
        const std::string path = folder_.file(name);
        int code = -1;
        const std::string said = runAndCapture("ffmpeg -v error -y " + args + " " + quoteArgument(path), &code);
        EXPECT_EQ(code, 0) << said;
        return path;
    }
    // Reports naming each part, and the joined file.
    struct Merged {
        int status = -1;
        std::string target;
        std::vector<std::string> currents;
    };
    Merged merge(const std::vector<std::string>& paths, std::vector<MediaProbe> probes = {})
    {
        Merged m;
        MergeProgress progress;
        m.status = MergeFiles(out_.path().string(), {paths, {}, std::move(probes)}, progress,
                              [&](int, const std::string& current, const std::string& target, int) {
                                  m.currents.push_back(current);
                                  m.target = target;
                              });
        return m;
    }

    TempFolder folder_;
    TempFolder out_;
};

// Different sizes, rates and sound, one part without: the result plays
// through, has sound all along, and lasts as long as its parts.
TEST_F(MediaJoin, MismatchedPartsAreConvertedAndPlayThrough)
{
    const std::vector<std::string> parts = {
        make("a.mp4",
             "-f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine=frequency=440 -t 2 "
             "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac"),
        make("b.mp4",
             "-f lavfi -i testsrc=size=640x360:rate=25 -t 1.5 -c:v libx264 -preset ultrafast "
             "-pix_fmt yuv420p"),
        make("c.mp4",
             "-f lavfi -i testsrc=size=240x320:rate=60 -f lavfi -i sine=sample_rate=48000 -t 1 "
             "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 1"),
    };
    const Merged m = merge(parts);
    ASSERT_EQ(m.status, RunEnded);
    int code = -1;
    EXPECT_EQ(runAndCapture("ffmpeg -v error -i " + quoteArgument(m.target) + " -f null -", &code), "");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(probe(m.target, "stream=codec_name,width,height,sample_rate,channels"), "h264,320,240\naac,44100,1\n");
    EXPECT_NEAR(probeDuration(m.target), 4.5, 0.1);
    const double sound = std::stod(probe(m.target, "stream=duration", "-select_streams a"));
    EXPECT_NEAR(sound, 4.5, 0.1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_.path()), {}), 1) << "temporaries left";
}

// Recordings made with this program's encoder options join by stream copy:
// no part is converted, only read once.
TEST_F(MediaJoin, OurOwnRecordingsJoinWithoutConversion)
{
    const std::string ours = " -vcodec libx264 -r 60.97 -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p -preset "
                             "superfast -crf 26 -bf 0 -colorspace smpte170m -force_key_frames expr:gte(t,n_forced*3) "
                             "-x264-params stitchable=1";
    const std::vector<std::string> parts = {
        make("one.mp4", "-f lavfi -i testsrc2=size=640x360:rate=60.97 -f lavfi -i sine -t 2" + ours),
        make("two.mp4", "-f lavfi -i mandelbrot=size=640x360:rate=60.97 -f lavfi -i sine=frequency=880 -t 1" + ours),
    };
    const Merged m = merge(parts);
    ASSERT_EQ(m.status, RunEnded);
    for (const std::string& p : parts)
        EXPECT_EQ(std::count(m.currents.begin(), m.currents.end(), p), 1) << p << " was converted";
    EXPECT_NEAR(probeDuration(m.target), 3.0, 0.05);

    // What the merge page read is taken as it is: a second part said to be
    // of another size is converted, and the unreadable first is read anew.
    std::vector<MediaProbe> read = {MediaProbe(), ProbeMedia(parts[1])};
    read[1].picture.width = 320;
    const Merged again = merge(parts, read);
    ASSERT_EQ(again.status, RunEnded);
    EXPECT_EQ(std::count(again.currents.begin(), again.currents.end(), parts[0]), 1);
    EXPECT_GT(std::count(again.currents.begin(), again.currents.end(), parts[1]), 1);
}
