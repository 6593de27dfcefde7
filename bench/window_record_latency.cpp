// Through the real window: from the Start click to the encoder's first frame
// on disk, and from the Stop click to a finished file. bench/window_record_latency.sh
// runs it on a busy screen: ffmpeg writes through a 32 KB buffer, so on a
// still screen the first frames reach the disk only seconds later.
#include "recording/record_run.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "ui/bands.h"
#include "ui/cut_page.h"
#include "ui/drui.h"
#include "ui/home_page.h"
#include "ui/merge_page.h"
#include "ui/record_page.h"

#include "window_bench.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

using ui::DRUI;
using ui::SetFolderPicker;

namespace {

// Runs the event loop until `done` holds; milliseconds it took, or -1.
template <typename F>
double waitFor(F done, int limitMs)
{
    const std::uint64_t start = platform::tickCount();
    while (!done()) {
        if (platform::tickCount() - start > static_cast<std::uint64_t>(limitMs))
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QTest::qSleep(2);
    }
    return static_cast<double>(platform::tickCount() - start);
}

void report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-34s min %6.0f ms  median %6.0f ms  max %6.0f ms\n", what, ms.front(), ms[ms.size() / 2],
                ms.back());
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    QApplication app(argc, argv);
    const auto save = PrepareWindowBench("vtr-latency-bench");

    DRUI window;
    window.setSettingsPath(QDir::tempPath() + "/vtr-ScreenRecord.ini");
    window.initUi(true);
    window.show();
    (void)QTest::qWaitFor([&] { return window.audioDiscovery().found().has_value(); }, 10000);
    window.btnSlotLayout2Dir();
    window.btnSlot();
    window.recordPage()->audioCombo()->setCurrentIndex(window.recordPage()->audioCombo()->count()
                                                       - 1); // no sound: the screen alone

    std::vector<double> created, firstFrame, finished;
    for (int i = 0; i < runs; ++i) {
        const std::string before = window.recorder().outputPath();
        auto since = [](std::uint64_t t0) { return static_cast<double>(platform::tickCount() - t0); };
        std::uint64_t t0 = platform::tickCount();
        QTest::mouseClick(window.recordPage()->recordButton(), Qt::LeftButton);
        auto path = [&] {
            const std::string now = window.recorder().outputPath();
            return now != before ? now : std::string();
        };
        waitFor([&] { return !path().empty() && platform::fileExists(path()); }, 10000);
        created.push_back(since(t0));
        // The header alone is under 100 bytes; encoded frames follow.
        waitFor([&] { return platform::fileSize(path()) > 1024; }, 10000);
        firstFrame.push_back(since(t0));
        QTest::qWait(1500);
        t0 = platform::tickCount();
        QTest::mouseClick(window.recordPage()->recordButton(), Qt::LeftButton); // includes the 100 ms pause of a stop
        waitFor([&] { return !window.recorder().busy(); }, 10000);
        finished.push_back(since(t0));
        QTest::qWait(300);
    }
    std::printf("window record latency, %d runs (no sound, %s screen)\n", runs, qgetenv("DISPLAY").constData());
    report("Start click -> file created", created);
    report("Start click -> first frame on disk", firstFrame);
    report("Stop click -> finished file", finished);
    window.hide();
    SetFolderPicker({});
    std::filesystem::remove_all(save);
    QFile::remove(window.settingsPath());
    return 0;
}
