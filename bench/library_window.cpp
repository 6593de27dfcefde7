// The real window over folders of many recordings: entering the merge page
// as a user does, how long until the list shows and until every length
// shows, on a first visit, a second one and after a restart; and the longest
// the interface thread went without answering, measured by a heartbeat
// timer. Beside the same figures for one probe process per file, filled on
// the interface thread.
//   build/bench/library_window [COUNT...]     (default 100 1000 10000)
// Run it inside scripts/headless-session.sh. The probe per file is timed on
// the first 200 files of a folder and scaled.
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "encoder/tool.h"
#include "heartbeat.h"
#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "library/recordings_listing.h"
#include "platform/command_line.h"
#include "resources/resources.h"
#include "seed_recordings.h"
#include "ui/cut_page.h"
#include "ui/drui.h"
#include "ui/merge_page.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using encoder::EnsureToolFolder;
using i18n::CLanguageConfig;
using library::ListingSession;
using library::RecordingListing;
using library::listRecordings;
using library::sortNewestFirst;
using ui::DRUI;

namespace fs = std::filesystem;

namespace {

// The processor time of the calling thread, ms.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times the processor work of every event the interface thread handles: the
// longest is what the window itself spent in one go, whatever else the
// machine was doing (the heartbeat also counts time the thread was waiting
// for a processor).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const double start = threadCpuMs();
        const bool handled = QApplication::notify(receiver, event);
        longestMs = std::max(longestMs, threadCpuMs() - start);
        --depth_;
        return handled;
    }
    double longestMs = 0;

private:
    int depth_ = 0;
};

struct Visit {
    double shown = 0, all = 0, stall = 0, busiest = 0;
    int rows = 0, lengths = 0;
};

template <typename Predicate>
void spinUntil(Predicate done, int ms = 600000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// Enters the merge page (or the cut page) from the home page.
Visit visit(DRUI& window, Heartbeat& heart, TimedApplication& app, bool cut)
{
    Visit v;
    ListingSession* session = cut ? window.cutPage()->listing() : window.mergePage()->listing();
    QTableWidget* table = cut ? window.cutPage()->cutTable() : window.mergePage()->sourceTable();
    QElapsedTimer t;
    bool shown = false;
    // Connected after the page's own: the rows are in the table when it runs.
    const auto c1 = QObject::connect(session, &ListingSession::listingShown, [&] {
        v.shown = static_cast<double>(t.nsecsElapsed()) / 1e6;
        shown = true;
    });
    window.btnSlotBack();
    QCoreApplication::processEvents();
    heart.reset();
    app.longestMs = 0;
    t.start();
    const double before = threadCpuMs();
    cut ? window.btnMontageSlot() : window.btnEditSlot();
    v.busiest = threadCpuMs() - before;
    spinUntil([&] { return shown; });
    // Drawn: the list is visible.
    window.repaint();
    v.shown = static_cast<double>(t.nsecsElapsed()) / 1e6;
    spinUntil([&] { return cut ? window.cutPage()->listingComplete() : window.mergePage()->listingComplete(); });
    v.all = static_cast<double>(t.nsecsElapsed()) / 1e6;
    v.stall = heart.longestStallMs();
    v.busiest = std::max(v.busiest, app.longestMs);
    QObject::disconnect(c1);
    v.rows = table->rowCount();
    if (!cut)
        for (int row = 0; row < table->rowCount(); ++row)
            v.lengths += table->item(row, 1) && !table->item(row, 1)->text().isEmpty();
    return v;
}

// The longest stall while the window does nothing for `ms`: what the rest
// of the machine costs the interface thread, the reference for the others.
double idleStallMs(Heartbeat& heart, int ms)
{
    heart.reset();
    QElapsedTimer t;
    t.start();
    spinUntil([&] { return t.elapsed() >= ms; });
    return heart.longestStallMs();
}

std::unique_ptr<DRUI> openWindow(const fs::path& root)
{
    auto window = std::make_unique<DRUI>();
    window->setSettingsPath(QString::fromStdString((root / "ScreenRecord.ini").string()));
    window->initUi(true);
    window->show();
    spinUntil([&] { return window->audioDiscovery().found().has_value(); }, 10000);
    return window;
}

// The old way: one probe process per file, four at a time; the window
// waited for all of it.
double probeAllMs(const std::string& folder, std::size_t limit)
{
    RecordingListing listing;
    listRecordings(folder, listing);
    sortNewestFirst(listing);
    const std::size_t count = std::min(limit, listing.size());
    const auto start = std::chrono::steady_clock::now();
    ProbeEachFile(folder, listing, count);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return ms * static_cast<double>(listing.size()) / static_cast<double>(std::max<std::size_t>(count, 1));
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<int> counts = FolderSizes(argc, argv, {100, 1000, 10000});
    // A few real recordings shaped as the recorder writes them (small, so
    // that 10,000 copies fit), and one fragmented.
    const auto [root, seeds] = MakeSeededFolder("vtr-library-window", "60K");
    if (seeds.empty())
        return std::fprintf(stderr, "ffmpeg failed\n"), 1;
    TimedApplication app(argc, argv);
    InitResources();
    CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
    EnsureToolFolder();

    Heartbeat heart;
    std::printf("Merge page of the real window, ms; longest stall of the interface thread by a %d ms heartbeat.\n\n",
                Heartbeat::kIntervalMs);
    std::printf("%6s | %-24s | %-26s | %-20s | %-14s | %8s | %-28s\n", "files", "list shown", "all lengths shown",
                "longest stall", "busiest event", "cut page", "probe per file (old way)");
    std::printf("%6s | %24s | %26s | %-20s | %14s | %8s |\n", "", "", "", "(idle reference)", "", "");
    std::printf("%6s | %7s %7s %8s | %8s %7s %8s | %6s %6s %6s | %6s %7s | %8s | %9s %8s %9s\n", "", "first", "second",
                "restart", "first", "second", "restart", "first", "second", "restart", "first", "restart", "shown",
                "shown+all", "second", "stall");
    for (int count : counts) {
        const fs::path folder = FillRecordingFolder(root / std::to_string(count), seeds, count);
        // A cache folder of this run's own: the first visit knows nothing.
        setenv("XDG_CACHE_HOME", (root / ("cache-" + std::to_string(count))).c_str(), 1);
        const QString dir = QString::fromStdString(folder.string());

        Visit first, second, restart, cut;
        double idle = 0;
        {
            auto window = openWindow(root);
            window->mergePage()->mergeDirEdit()->setText(dir);
            window->cutPage()->cutDirEdit()->setText(dir);
            idle = idleStallMs(heart, 2000);
            first = visit(*window, heart, app, false);
            second = visit(*window, heart, app, false);
            cut = visit(*window, heart, app, true);
        }
        {
            auto window = openWindow(root);
            window->mergePage()->mergeDirEdit()->setText(dir);
            restart = visit(*window, heart, app, false);
        }
        for (const Visit* v : {&first, &second, &restart})
            if (v->rows != count || v->lengths != count)
                std::fprintf(stderr, "%d files: %d rows, %d lengths shown\n", count, v->rows, v->lengths);

        const double probed = probeAllMs(folder.string(), 200);
        const auto t = std::chrono::steady_clock::now();
        RecordingListing listing;
        listRecordings(folder.string(), listing);
        sortNewestFirst(listing);
        const double relist = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
        std::printf(
            "%6d | %7.1f %7.1f %8.1f | %8.1f %7.1f %8.1f | %6.1f %6.1f %6.1f | %6.1f %7.1f | %8.1f | %9.0f %8.1f "
            "%9.0f\n",
            count, first.shown, second.shown, restart.shown, first.all, second.all, restart.all, first.stall,
            second.stall, restart.stall, first.busiest, restart.busiest, cut.shown, probed, relist, probed);
        std::printf("%6s | %24s | %26s | (%5.1f idle)%8s | %14s | %8s |\n", "", "", "", idle, "", "", "");
        std::fflush(stdout);
        fs::remove_all(folder);
    }
    std::printf("\n'busiest event': the most processor time the interface thread spent on one event (or on\n"
                "the slot that enters the page), whatever the rest of the machine was doing.\n");
    std::printf("The probe per file showed its list only once every length was known, with the window\n"
                "frozen all the while (its stall is that time); its second visit in the same run listed\n"
                "without probing (the listing alone is shown, without building the table); a restart\n"
                "probed it all again. Its figures are scaled from the first 200 files.\n");
    fs::remove_all(root);
    return 0;
}
