// The operations on finished recordings, against the real encoder.
#include "editing/exact_cut.h"
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "encoder/tool.h"
#include "platform/command_line.h"
#include "platform/live_children.h"

#include "../support/test_support.h"
#include "media/media_match.h"
#include "media/recording_length.h"
#include "media/stretch_join.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>
#include <vector>

using editing::CutJob;
using editing::CutExactly;
using editing::CutStretch;
using encoder::EnsureToolFolder;
using editing::JobNotify;
using editing::MergeFiles;
using editing::MergeJob;
using editing::MergeProgress;
using media::ProbeDuration;
using encoder::RunEnded;
using encoder::RunInvalidData;
using encoder::RunStopRequested;

namespace fs = std::filesystem;
using namespace testing_support;
using platform::quoteArgument;

namespace {

struct Report {
    int percent;
    std::string current;
    std::string target;
    int status;
};

// Collects every report of a job.
struct Reports {
    std::vector<Report> all;
    std::function<void(const Report&)> onReport;

    JobNotify notify()
    {
        return [this](int percent, const std::string& current, const std::string& target, int status) {
            all.push_back({percent, current, target, status});
            if (onReport)
                onReport(all.back());
        };
    }
};

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::u8string name = e.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class StreamOps : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        EnsureToolFolder();
        sources_ = new TempFolder;
        ASSERT_EQ(makeRecording(sources_->file("clip.mp4"), 6), "");
        ASSERT_EQ(makeRecording(sources_->file("two.mp4"), 2), "");
        writeFile(sources_->file("notes.mp4"), "this is text, not a recording\n");
    }
    static void TearDownTestSuite()
    {
        delete sources_;
        sources_ = nullptr;
    }

    static std::string source(const std::string& name) { return sources_->file(name); }

    TempFolder out_;
    static TempFolder* sources_;
};

TempFolder* StreamOps::sources_ = nullptr;

} // namespace

TEST_F(StreamOps, ProbeGivesHoursMinutesSecondsOrNothing)
{
    EXPECT_EQ(ProbeDuration(source("clip.mp4")), "00:00:06");
    EXPECT_EQ(ProbeDuration(source("notes.mp4")), "");
    EXPECT_EQ(ProbeDuration(source("missing.mp4")), "");
}

TEST_F(StreamOps, CutsAreNumberedWhenTheNameIsTakenAndReportFiveThenOneHundred)
{
    const CutJob job{source("clip.mp4"), 1000, 3000};
    Reports reports;
    ASSERT_EQ(CutStretch(out_.path().string(), job, reports.notify()), RunEnded);
    const std::string first = out_.file("Cut_clip.mp4");
    ASSERT_TRUE(fs::exists(first));
    EXPECT_NEAR(probeDuration(first), 2.0, 0.1);
    EXPECT_EQ(probe(first, "stream=codec_name"), "h264\naac\n");

    ASSERT_FALSE(reports.all.empty());
    for (std::size_t i = 0; i + 1 < reports.all.size(); ++i) {
        EXPECT_EQ(reports.all[i].percent, 5);
        EXPECT_EQ(reports.all[i].status, RunEnded);
    }
    const Report& last = reports.all.back();
    EXPECT_EQ(last.percent, 100);
    EXPECT_EQ(last.current, job.source);
    EXPECT_EQ(last.target, first);
    EXPECT_EQ(last.status, RunEnded);

    EXPECT_EQ(CutStretch(out_.path().string(), job, {[](int, auto&, auto&, int) {}}), RunEnded);
    EXPECT_EQ(CutStretch(out_.path().string(), job, {[](int, auto&, auto&, int) {}}), RunEnded);
    EXPECT_EQ(filesIn(out_.path()), (std::vector<std::string>{"Cut_clip(1).mp4", "Cut_clip(2).mp4", "Cut_clip.mp4"}));
}

// Where no numbered name fits any more, a cut (keyframe or exact) fails
// and says why: the earlier cut of that name is never handed back as free,
// written over or removed.
TEST_F(StreamOps, ACutWithNoFreeNameLeftFailsAndKeepsTheEarlierCut)
{
    // The folder is as deep as leaves room for "Cut_clip.mp4", not for
    // "Cut_clip(1).mp4", within the longest name the program writes.
    std::string folder = out_.path().string();
    while (folder.size() < 505)
        folder += "/" + std::string(std::min<std::size_t>(60, 505 - folder.size() - 1), 'd');
    ASSERT_EQ(folder.size(), 505u);
    fs::create_directories(folder);
    const std::string earlier = folder + "/Cut_clip.mp4";
    writeFile(earlier, "an earlier cut");
    const CutJob job{source("clip.mp4"), 1000, 3000};
    for (const bool exact : {false, true}) {
        SCOPED_TRACE(exact ? "exact" : "keyframe");
        Reports reports;
        std::string why;
        const int status = exact ? CutExactly(folder, job, reports.notify(), &why, {})
                                 : CutStretch(folder, job, reports.notify(), &why, {});
        EXPECT_EQ(status, RunInvalidData);
        EXPECT_NE(why.find("could not be made"), std::string::npos) << why;
        EXPECT_EQ(readFile(earlier), "an earlier cut");
        EXPECT_EQ(filesIn(folder), std::vector<std::string>{"Cut_clip.mp4"});
        ASSERT_FALSE(reports.all.empty());
        EXPECT_EQ(reports.all.back().status, RunInvalidData);
    }
}

TEST_F(StreamOps, CutThatFailsOrIsStoppedLeavesNoFile)
{
    struct Case {
        const char* what;
        CutJob job;
        bool stop;
        int status;
        const char* why; // what the failure says
    };
    const Case cases[] = {
        {"stopped", {source("clip.mp4"), 0, 6000}, true, RunStopRequested, ""},
        {"not a recording", {source("notes.mp4"), 0, 2000}, false, RunInvalidData, "Invalid data found"},
        // The encoder says only that the file does not exist, and exits 1.
        {"missing source", {source("missing.mp4"), 0, 2000}, false, RunInvalidData, "No such file or directory"},
        // The encoder writes an MP4 without streams and says nothing.
        {"reversed marks", {source("clip.mp4"), 3000, 1000}, false, RunInvalidData, ""},
        {"equal marks", {source("clip.mp4"), 2000, 2000}, false, RunInvalidData, ""},
        {"past the end", {source("clip.mp4"), 60000, 62000}, false, RunInvalidData, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reports reports;
        std::stop_source stop;
        if (c.stop)
            reports.onReport = [&](const Report&) { stop.request_stop(); };
        std::string why = "not set";
        EXPECT_EQ(CutStretch(out_.path().string(), c.job, reports.notify(), &why, stop.get_token()), c.status);
        if (*c.why)
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
        else
            EXPECT_EQ(why, "");
        EXPECT_TRUE(filesIn(out_.path()).empty());
        ASSERT_FALSE(reports.all.empty());
        EXPECT_EQ(reports.all.back().percent, 100);
        EXPECT_EQ(reports.all.back().status, c.status);
    }
}

TEST_F(StreamOps, MergeJoinsInOrderAndLeavesTheUsersOwnFilesAlone)
{
    // Transport streams of the user's own, named as the Part named its
    // temporaries.
    const std::string mine1("user's \0\xff 1", 11), mine2 = "user's 2";
    writeFile(out_.file("1.ts"), mine1);
    writeFile(out_.file("2.ts"), mine2);
    const MergeJob job{{"two.mp4", "clip.mp4", "two.mp4"}, sources_->path().string()};
    MergeProgress progress;
    Reports reports;
    ASSERT_EQ(MergeFiles(out_.path().string(), job, progress, reports.notify()), RunEnded);
    EXPECT_EQ(progress.estimate, 80);

    const std::vector<std::string> left = filesIn(out_.path());
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(readFile(out_.file("1.ts")), mine1);
    EXPECT_EQ(readFile(out_.file("2.ts")), mine2);
    EXPECT_EQ(left[2].rfind("Merge", 0), 0u);
    EXPECT_EQ(left[2].size(), std::string("Merge2026-12-07-10-00-00.mp4").size());
    const std::string target = out_.file(left[2]);
    EXPECT_NEAR(probeDuration(target), 10.0, 0.3);
    EXPECT_EQ(probe(target, "stream=codec_name"), "h264\naac\n");

    int previous = 0;
    for (const Report& r : reports.all) {
        EXPECT_GE(r.percent, previous);
        EXPECT_TRUE(r.percent < 100 || &r == &reports.all.back()) << "100 before the end";
        EXPECT_EQ(r.target, target);
        previous = r.percent;
    }
    EXPECT_EQ(reports.all.back().percent, 100);
    EXPECT_EQ(reports.all.back().current, target);
    EXPECT_EQ(reports.all.back().status, RunEnded);
}

TEST_F(StreamOps, MergeStoppedDuringTheSecondConversionRunsNoJoin)
{
    const MergeJob job{{"clip.mp4", "two.mp4", "clip.mp4"}, sources_->path().string()};
    const std::string second = sources_->file("two.mp4");
    MergeProgress progress;
    Reports reports;
    std::stop_source stop;
    reports.onReport = [&](const Report& r) {
        if (r.current == second)
            stop.request_stop();
    };
    EXPECT_EQ(MergeFiles(out_.path().string(), job, progress, reports.notify(), nullptr, stop.get_token()),
              RunStopRequested);
    EXPECT_TRUE(filesIn(out_.path()).empty());
    const std::string target = reports.all.back().target;
    for (const Report& r : reports.all)
        EXPECT_TRUE(r.current != target || &r == &reports.all.back()) << "the join ran";
    EXPECT_EQ(reports.all.back().percent, 100);
    EXPECT_EQ(reports.all.back().status, RunStopRequested);
}

TEST_F(StreamOps, MergeWithAPartThatFailsStopsThereSaysWhyAndLeavesNothing)
{
    struct Case {
        std::vector<std::string> names;
        std::size_t failing;
        const char* why;
    };
    const Case cases[] = {
        {{"notes.mp4", "two.mp4"}, 0, "Invalid data found"},
        {{"two.mp4", "notes.mp4"}, 1, "Invalid data found"},
        {{"missing.mp4", "two.mp4", "clip.mp4"}, 0, "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names[c.failing]);
        MergeProgress progress;
        Reports reports;
        std::string why;
        EXPECT_EQ(
            MergeFiles(out_.path().string(), {c.names, sources_->path().string()}, progress, reports.notify(), &why),
            RunInvalidData);
        EXPECT_TRUE(filesIn(out_.path()).empty());
        EXPECT_EQ(platform::liveChildCount(), 0) << "an encoder outlived the merge";
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        // Nothing ran after the failed part: neither a later part nor the join.
        std::vector<std::string> ran;
        for (std::size_t k = 0; k <= c.failing; ++k)
            ran.push_back(sources_->file(c.names[k]));
        for (std::size_t i = 0; i + 1 < reports.all.size(); ++i)
            EXPECT_NE(std::find(ran.begin(), ran.end(), reports.all[i].current), ran.end())
                << reports.all[i].current << " ran after the failure";
        EXPECT_EQ(reports.all.back().status, RunInvalidData);
    }
}

TEST_F(StreamOps, AFolderNamedLikeATemporaryIsNeitherJoinedNorRemoved)
{
    fs::create_directory(out_.path() / "1.ts");
    const MergeJob job{{"two.mp4", "two.mp4"}, sources_->path().string()};
    MergeProgress progress;
    ASSERT_EQ(MergeFiles(out_.path().string(), job, progress, {[](int, auto&, auto&, int) {}}), RunEnded);
    const std::vector<std::string> left = filesIn(out_.path());
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0], "1.ts");
    EXPECT_NEAR(probeDuration(out_.file(left[1])), 4.0, 0.3);
}

TEST_F(StreamOps, AwkwardFolderAndFileNamesWorkThroughEveryOperation)
{
    const fs::path folder = out_.path() / "my \"takes\" $HOME -x 录像";
    fs::create_directory(folder);
    // Its last bytes are not UTF-8, as Linux allows: they must stay as they are.
    const std::string name = "-rf 'ë' $1 \xff\xfe.mp4";
    const std::string recording = (folder / name).string();
    fs::copy_file(source("two.mp4"), recording);

    EXPECT_EQ(ProbeDuration(recording), "00:00:02");
    EXPECT_EQ(CutStretch(folder.string(), {recording, 0, 1000}, {[](int, auto&, auto&, int) {}}), RunEnded);
    EXPECT_TRUE(fs::exists(folder / ("Cut_" + name)));
    MergeProgress progress;
    EXPECT_EQ(MergeFiles(folder.string(), {{name, name}, folder.string()}, progress, {[](int, auto&, auto&, int) {}}),
              RunEnded);
    EXPECT_EQ(filesIn(folder).size(), 3u); // the recording, the cut, the merge
}

// A full disk: the cut and the merge fail, leave nothing behind, and their
// sources stay as they were. The output folder is a tmpfs smaller than a cut.
TEST_F(StreamOps, CutAndMergeIntoAFullFilesystemFailAndLeaveNothing)
{
    const fs::path small = out_.path() / "small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (needs root): " << std::strerror(errno);
    struct Unmount {
        const fs::path& at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{small};
    const std::string clip = readFile(source("clip.mp4"));
    ASSERT_GT(clip.size(), 64u * 1024);

    EXPECT_EQ(CutStretch(small.string(), {source("clip.mp4"), 0, 6000}, Reports().notify()), RunInvalidData);
    EXPECT_TRUE(filesIn(small).empty());
    MergeProgress progress;
    EXPECT_EQ(
        MergeFiles(small.string(), {{"clip.mp4", "two.mp4"}, sources_->path().string()}, progress, Reports().notify()),
        RunInvalidData);
    EXPECT_TRUE(filesIn(small).empty());
    EXPECT_EQ(readFile(source("clip.mp4")), clip);
}

// A recording with separate sound tracks keeps all three, in order, with
// their titles and their sound, through every edit; a file with the mix
// alone is no match for it and is given silent tracks in a merge.
TEST_F(StreamOps, EveryEditKeepsEverySoundTrackInOrder)
{
    const std::string three = out_.file("three.mp4");
    const std::string one = out_.file("one.mp4");
    ASSERT_EQ(makeTrackedRecording(three, 3), "");
    int code = -1;
    runAndCapture("ffmpeg -v error -y -i " + quoteArgument(three) + " -map 0:v -map 0:a:0 -c copy " + quoteArgument(one),
                  &code);
    ASSERT_EQ(code, 0);
    const std::vector<std::string> kept{"SoundHandler tone", "Computer sound tone", "Microphone quiet"};
    ASSERT_EQ(soundTracksOf(three), kept);

    const auto made = [](const TempFolder& folder) {
        const std::vector<std::string> names = filesIn(folder.path());
        return names.size() == 1 ? folder.file(names[0]) : std::string("none");
    };
    const auto nothing = [](int, auto&, auto&, int) {};
    TempFolder cut, exact, merged, mixed;
    EXPECT_EQ(CutStretch(cut.path().string(), {three, 1000, 2500}, nothing), RunEnded);
    EXPECT_EQ(soundTracksOf(made(cut)), kept) << "keyframe cut";
    EXPECT_EQ(CutExactly(exact.path().string(), {three, 300, 2300}, nothing), RunEnded);
    EXPECT_EQ(soundTracksOf(made(exact)), kept) << "exact cut";
    const std::string joined = out_.file("joined.mp4");
    EXPECT_TRUE(media::JoinStretches({three, three}, joined));
    EXPECT_EQ(soundTracksOf(joined), kept) << "stretch join";

    const media::JoinPlan plan = media::PlanJoin({media::ProbeMedia(three), media::ProbeMedia(three), media::ProbeMedia(one)});
    EXPECT_TRUE(plan.parts[1].matches);
    EXPECT_EQ(plan.parts[2].reasons, std::vector<media::PartMismatch>{media::PartMismatch::SoundTracks});
    MergeProgress progress;
    EXPECT_EQ(MergeFiles(merged.path().string(), {{three, three}, "", {}}, progress, nothing), RunEnded);
    EXPECT_EQ(soundTracksOf(made(merged)), kept) << "merge";
    EXPECT_EQ(MergeFiles(mixed.path().string(), {{three, one}, "", {}}, progress, nothing), RunEnded);
    EXPECT_EQ(soundTracksOf(made(mixed)), kept) << "merge with silence for the tracks a part lacks";
    EXPECT_NEAR(probeDuration(made(mixed)), 6.0, 0.2);
}
