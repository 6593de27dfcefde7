// The editing bench through the real window: how long a folder's listing
// keeps the window busy, what a probe, a cut and a merge of real recordings
// take, and what the embedded player costs while it plays.
//   bash scripts/headless-session.sh build/bench/editing_latency [RECORDINGS]
#include "cpu_time.h"
#include "editing/stream_ops.h"
#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "resources/resources.h"
#include "ui/bands.h"
#include "ui/cut_page.h"
#include "ui/drui.h"
#include "ui/home_page.h"
#include "ui/merge_page.h"
#include "ui/record_page.h"
#include "media/recording_length.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <vector>

using editing::CutStretch;
using editing::MergeFiles;
using editing::MergeProgress;
using media::ProbeDuration;
using i18n::CLanguageConfig;
using ui::DRUI;

namespace fs = std::filesystem;

namespace {

double since(std::uint64_t start) { return static_cast<double>(platform::tickCount() - start); }

void makeRecording(const fs::path& path, int seconds, const char* size)
{
    const std::string line = "ffmpeg -v error -y -f lavfi -i testsrc2=size=" + std::string(size)
        + ":rate=30 -f lavfi -i sine=frequency=440 -t " + std::to_string(seconds)
        + " -vcodec libx264 -preset ultrafast -pix_fmt yuv420p -force_key_frames 'expr:gte(t,n_forced)' -acodec aac '"
        + path.string() + "'";
    if (std::system(line.c_str()) != 0)
        std::fprintf(stderr, "could not make %s\n", path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 20;
    QApplication app(argc, argv);
    InitResources();
    CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
    const fs::path work = fs::temp_directory_path() / "vtr-editing-bench";
    fs::remove_all(work);
    fs::create_directories(work / "out");
    // The lengths it learns are kept there, never in the user's cache.
    setenv("XDG_CACHE_HOME", (work / "cache").c_str(), 1);
    std::printf("Making %d one-minute recordings at 1280x720...\n", count);
    makeRecording(work / "rec0.mp4", 60, "1280x720");
    for (int i = 1; i < count; ++i)
        fs::copy_file(work / "rec0.mp4", work / ("rec" + std::to_string(i) + ".mp4"));

    std::vector<double> probes;
    for (int i = 0; i < 20; ++i) {
        const std::uint64_t start = platform::tickCount();
        ProbeDuration((work / "rec0.mp4").string());
        probes.push_back(since(start));
    }
    std::sort(probes.begin(), probes.end());
    std::printf("ProbeDuration of one recording:        median %5.0f ms (min %.0f, max %.0f)\n",
                probes[probes.size() / 2], probes.front(), probes.back());

    DRUI window;
    window.setSettingsPath(QString::fromStdString((work / "ScreenRecord.ini").string()));
    window.initUi(true);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    const QString folder = QString::fromStdString(work.string());
    window.mergePage()->mergeDirEdit()->setText(folder);
    window.cutPage()->cutDirEdit()->setText(folder);

    // The lists fill off the interface thread: timed until every length shows.
    auto listed = [&] {
        return QTest::qWaitFor(
            [&] { return window.mergePage()->listingComplete() && window.cutPage()->listingComplete(); }, 60000);
    };
    std::uint64_t start = platform::tickCount();
    window.btnEditSlot();
    listed();
    std::printf("Merge page entered, %d recordings:     %5.0f ms until every length shows\n", count, since(start));
    window.btnSlotBack();
    start = platform::tickCount();
    window.btnEditSlot();
    listed();
    std::printf("Merge page entered again:              %5.0f ms (lengths known)\n", since(start));
    window.btnSlotBack();
    start = platform::tickCount();
    window.btnMontageSlot();
    listed();
    window.btnSlotBack();
    std::printf("Cut page entered, %d recordings:       %5.0f ms\n", count, since(start));

    int unused = 0;
    window.playerSession().choose((work / "rec0.mp4").string());
    start = platform::tickCount();
    const int cut = CutStretch((work / "out").string(), {window.playerSession().chosen(), 10000, 50000},
                               [](int, const std::string&, const std::string&, int) {});
    std::printf("Cut of 40 s from a 1280x720 minute:     %5.0f ms (status %d)\n", since(start), cut);
    (void)unused;

    MergeProgress progress;
    start = platform::tickCount();
    const int merged = MergeFiles((work / "out").string(), {{"rec0.mp4", "rec1.mp4", "rec2.mp4"}, work.string(), {}},
                                  progress, [](int, const std::string&, const std::string&, int) {});
    std::printf("Merge of three 1280x720 minutes:        %5.0f ms (status %d, %lld status lines)\n", since(start),
                merged, static_cast<long long>(progress.count));

    // Playback: the answers keep the questions going, so the exchange runs
    // as fast as the player answers.
    // Entering the cut page plays the chosen recording.
    window.playerSession().choose((work / "rec0.mp4").string());
    window.btnMontageSlot();
    if (!QTest::qWaitFor([&] { return window.cutPage()->headButton()->isEnabled(); }, 10000))
        std::printf("The player gave no length.\n");
    const double oursBefore = cpuSeconds(RUSAGE_SELF);
    const qint64 player = window.player() ? window.player()->id() : 0;
    const double playerBefore = cpuSecondsOfProcess(player);
    QTest::qWait(5000);
    const double ours = cpuSeconds(RUSAGE_SELF) - oursBefore;
    const double theirs = cpuSecondsOfProcess(player) - playerBefore;
    std::printf("5 s of playback at 1280x720:           program %.2f s CPU, player %.2f s CPU, at %s\n", ours, theirs,
                window.cutPage()->positionLabel()->text().toUtf8().constData());
    window.btnSlotBack();
    fs::remove_all(work);
    return 0;
}
