// The real window's cut page over folders of many recordings, as a user
// enters it: how long until the first rows show, until the rows in view
// have their pictures, and until every row has one; the longest the
// interface thread went without answering (a 5 ms heartbeat) meanwhile; and
// the strip of the first recording once it is chosen. A first visit makes
// every picture, a second finds them in the cache.
//   build/bench/thumbnail_window [COUNT...]     (default 1000)
// Run it inside scripts/headless-session.sh, on an otherwise idle machine.
#include "encoder/tool.h"
#include "heartbeat.h"
#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "library/picture_session.h"
#include "resources/resources.h"
#include "seed_recordings.h"
#include "ui/cut_page.h"
#include "ui/drui.h"
#include "ui/row_pictures.h"
#include "ui/thumbnail_strip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using encoder::EnsureToolFolder;
using i18n::CLanguageConfig;
using library::ListingSession;
using library::PictureSession;
using ui::CutPage;
using ui::DRUI;
using ui::RowPictures;
using ui::ThumbnailStrip;

namespace fs = std::filesystem;

namespace {

template <typename Predicate>
bool spinUntil(Predicate done, int ms = 3600000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

struct Visit {
    double rowsShown = 0, firstPicture = 0, inView = 0, all = 0, stall = 0, stallAt = 0, strip = 0;
    int pictures = 0, none = 0;
};

Visit visit(DRUI& window, Heartbeat& heart)
{
    Visit v;
    CutPage* page = window.cutPage();
    QTableWidget* table = page->cutTable();
    const auto pictured = [&](int row) {
        const QTableWidgetItem* item = table->item(row, 0);
        return item && !item->data(RowPictures::kPictureRole).toString().isEmpty();
    };
    window.btnSlotBack();
    QCoreApplication::processEvents();
    QElapsedTimer t;
    bool shown = false;
    const auto c = QObject::connect(page->listing(), &ListingSession::listingShown, [&] { shown = true; });
    heart.reset();
    t.start();
    window.btnMontageSlot();
    spinUntil([&] { return shown && table->rowCount() > 0 && table->item(0, 0); });
    window.repaint();
    v.rowsShown = static_cast<double>(t.nsecsElapsed()) / 1e6;
    QObject::disconnect(c);
    spinUntil([&] {
        for (int row = 0; row < table->rowCount(); ++row)
            if (pictured(row))
                return true;
        return table->rowCount() == 0;
    });
    v.firstPicture = static_cast<double>(t.nsecsElapsed()) / 1e6;
    spinUntil([&] {
        const int last = table->rowAt(table->viewport()->height() - 1);
        for (int row = 0; row <= (last < 0 ? table->rowCount() - 1 : last); ++row)
            if (!pictured(row))
                return false;
        return true;
    });
    v.inView = static_cast<double>(t.nsecsElapsed()) / 1e6;
    spinUntil([&] {
        for (int row = table->rowCount() - 1; row >= 0; --row)
            if (!pictured(row))
                return false;
        return true;
    });
    window.repaint();
    v.all = static_cast<double>(t.nsecsElapsed()) / 1e6;
    v.stall = heart.longestStallMs();
    v.stallAt = heart.longestStallAtMs();
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString picture = table->item(row, 0)->data(RowPictures::kPictureRole).toString();
        picture == QLatin1String("none") ? ++v.none : v.pictures += !picture.isEmpty();
    }
    auto* strip = page->findChild<ThumbnailStrip*>();
    t.restart();
    table->selectRow(0);
    spinUntil([&] { return strip->showsPictures() || strip->showsPlaceholder(); });
    v.strip = static_cast<double>(t.nsecsElapsed()) / 1e6;
    table->clearSelection();
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<int> counts = FolderSizes(argc, argv, {1000});
    const auto [root, seeds] = MakeSeededFolder("vtr-thumbnail-window", "60K");
    if (seeds.empty())
        return std::fprintf(stderr, "ffmpeg failed\n"), 1;
    QApplication app(argc, argv);
    InitResources();
    CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
    EnsureToolFolder();

    Heartbeat heart;
    std::printf("Cut page of the real window, ms; %u encoder runs at a time for the rows; longest stall of the\n"
                "interface thread by a %d ms heartbeat, from entering the page until every picture shows.\n\n",
                PictureSession::kRuns, Heartbeat::kIntervalMs);
    std::printf("%6s %-7s | %10s | %13s | %12s | %12s | %9s | %9s | %11s | %9s | %s\n", "files", "visit", "rows shown",
                "first picture", "rows in view", "all pictures", "stall max", "stall at", "per picture", "strip",
                "pictures/none");
    for (int count : counts) {
        const fs::path folder = FillRecordingFolder(root / std::to_string(count), seeds, count);
        setenv("XDG_CACHE_HOME", (root / ("cache-" + std::to_string(count))).c_str(), 1);
        auto window = std::make_unique<DRUI>();
        window->setSettingsPath(QString::fromStdString((root / "ScreenRecord.ini").string()));
        window->initUi(true);
        window->show();
        window->cutPage()->cutDirEdit()->setText(QString::fromStdString(folder.string()));
        // What the rest of the machine costs the interface thread: the
        // reference for the stalls below.
        heart.reset();
        spinUntil([] { return false; }, 2000);
        std::printf("%6d idle    | %10s | %13s | %12s | %12s | %9.1f |\n", count, "", "", "", "",
                    heart.longestStallMs());
        for (const char* name : {"first", "second"}) {
            const Visit v = visit(*window, heart);
            std::printf("%6d %-7s | %10.1f | %13.1f | %12.1f | %12.0f | %9.1f | %9.0f | %11.2f | %9.1f | %d/%d\n",
                        count, name, v.rowsShown, v.firstPicture, v.inView, v.all, v.stall, v.stallAt,
                        v.all / std::max(1, count), v.strip, v.pictures, v.none);
            std::fflush(stdout);
        }
        window.reset();
        fs::remove_all(folder);
    }
    std::printf("\n'first' makes every picture (the strip too), 'second' finds them in the cache. The\n"
                "fragmented seed gives a picture like the others.\n");
    fs::remove_all(root);
    return 0;
}
