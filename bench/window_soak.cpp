// Start and stop through the window's own record slot, many times over:
// each recording 0.2 to 3 s at random, the sound choices in turn. Prints the
// valid files (the probe reads them and their length is within 0.5 s of the
// time between Start and Stop), the encoders left at the end, the program's
// memory at cycles 1, 50 and 100, and the slowest stop.
//   bash scripts/headless-session.sh build/bench/window_soak [CYCLES] [SEED]
#include "recording/record_run.h"
#include "platform/child_output.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/live_children.h"
#include "platform/process_info.h"
#include "ui/audio_combo.h"
#include "ui/drui.h"
#include "ui/record_page.h"

#include "window_bench.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

using ui::DRUI;
using ui::SetFolderPicker;

namespace {

template <typename F>
bool waitFor(F done, int limitMs)
{
    const std::uint64_t start = platform::tickCount();
    while (!done()) {
        if (platform::tickCount() - start > static_cast<std::uint64_t>(limitMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(5);
    }
    return true;
}

// The file's length as ffprobe reads it; -1 when it cannot.
double probedSeconds(const std::string& file)
{
    int code = -1;
    const std::string out = platform::runForOutput(
        "ffprobe -v error -show_entries format=duration -of csv=p=0 " + platform::quoteArgument(file), &code);
    char* end = nullptr;
    const double seconds = std::strtod(out.c_str(), &end);
    return code == 0 && end != out.c_str() ? seconds : -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 100;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 14u;
    QApplication app(argc, argv);
    const auto save = PrepareWindowBench("vtr-soak-bench");

    DRUI window;
    window.setSettingsPath(QDir::tempPath() + "/vtr-soak-ScreenRecord.ini");
    int notices = 0;
    window.showNotice = [&](QWidget*, const QString&, const QString& text) {
        ++notices;
        std::printf("  notice: %s\n", text.toUtf8().constData());
    };
    window.initUi(true);
    window.show();
    window.btnSlotLayout2Dir();
    window.btnSlot();
    QComboBox* sound = window.recordPage()->audioCombo();

    std::mt19937 random(seed);
    std::uniform_int_distribution<int> lengthMs(200, 3000);
    int valid = 0;
    double slowestStop = 0;
    std::int64_t rss1 = 0, rss50 = 0, rss100 = 0;
    for (int i = 1; i <= cycles; ++i) {
        sound->setCurrentIndex((i - 1) % sound->count());
        const int ms = lengthMs(random);
        const std::uint64_t started = platform::tickCount();
        window.btnSlotRecord();
        waitFor([] { return false; }, ms);
        const std::uint64_t stopped = platform::tickCount();
        window.btnSlotRecord();
        const bool ended = waitFor([&] { return !window.recorder().busy(); }, 20000);
        const double stopMs = static_cast<double>(platform::tickCount() - stopped);
        slowestStop = std::max(slowestStop, stopMs);
        const double recorded = static_cast<double>(stopped - started) / 1000.0;
        const std::string file = window.recorder().outputPath();
        // Every cycle removes its file, so a file at the path is this cycle's,
        // even when it started within the second of the last and took its name.
        const double length = platform::fileExists(file) ? probedSeconds(file) : -1;
        const bool ok = ended && length >= 0 && std::fabs(length - recorded) <= 0.5;
        valid += ok;
        if (!ok) {
            const long long bytes = platform::fileExists(file) ? platform::fileSize(file) : -1;
            // A file still being finished when the run said it ended reads later.
            QTest::qWait(2000);
            std::printf("  cycle %d (%s): recorded %.2f s, file %.2f s (%lld bytes), 2 s later %.2f s%s\n", i,
                        sound->currentText().toUtf8().constData(), recorded, length, bytes,
                        platform::fileExists(file) ? probedSeconds(file) : -1.0, ended ? "" : ", run never ended");
        }
        if (i == 1)
            rss1 = platform::residentBytes();
        if (i == 50)
            rss50 = platform::residentBytes();
        if (i == 100)
            rss100 = platform::residentBytes();
        std::filesystem::remove(std::filesystem::u8path(file));
    }
    QTest::qWait(500);
    std::printf("window soak, %d cycles of 0.2-3 s (seed %u), sound choices in turn\n", cycles, seed);
    std::printf("  valid files:            %d/%d\n", valid, cycles);
    std::printf("  encoders left:          %d (live-children table), %d child processes\n", platform::liveChildCount(),
                static_cast<int>(platform::childProcessIds().size()));
    std::printf("  memory (RSS):           cycle 1 %.1f MB, cycle 50 %.1f MB, cycle 100 %.1f MB\n", rss1 / 1048576.0,
                rss50 / 1048576.0, rss100 / 1048576.0);
    std::printf("  slowest stop:           %.0f ms (Stop to the run's end)\n", slowestStop);
    std::printf("  notices:                %d\n", notices);
    window.hide();
    SetFolderPicker({});
    std::filesystem::remove_all(save);
    QFile::remove(window.settingsPath());
    return valid == cycles ? 0 : 1;
}
