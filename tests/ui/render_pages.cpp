// Renders each page of the real window to PNG, the record page while a
// recording runs, and the editing pages with that recording playing and in
// the merge list: scripts/screenshots.sh runs it inside the headless session.
//   render_pages OUTPUT_FOLDER
// With a language key (as in config.ini) only the named pages are rendered,
// in that language and at that scale, as PAGE-SUFFIX.png:
//   render_pages OUTPUT_FOLDER LANGUAGE SCALE SUFFIX PAGE...
#include "../support/test_support.h"
#include "recording/record_run.h"
#include "test_app.h"
#include "ui/bands.h"
#include "ui/cut_page.h"
#include "ui/drui.h"
#include "ui/folder_picker.h"
#include "ui/home_page.h"
#include "ui/hotkey_dialog.h"
#include "ui/merge_page.h"
#include "ui/record_page.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTest>

#include <cstdio>

using i18n::CLanguageConfig;
using ui::DRUI;
using ui::HotkeyDialog;
using ui::SetFolderPicker;

namespace {

const char* const kPageNames[] = {"home", "record", "cut", "merge"};

int renderInLanguage(const QString& out, const QString& language, const QString& suffix, const QStringList& pages)
{
    const QString folder = QDir::tempPath() + "/vtr-screenshots-" + suffix;
    QDir(folder).removeRecursively();
    useLanguageCopy(folder);
    CLanguageConfig::Instance()->SetLanguage(language);
    if (CLanguageConfig::Instance()->GetCurrentLanguage() != language)
        return 2;
    DRUI window;
    window.setSettingsPath(folder + "/ScreenRecord.ini");
    window.initUi(true);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    (void)QTest::qWaitFor([&] { return window.audioDiscovery().found().has_value(); }, 10000);
    for (int page = 0; page < 4; ++page) {
        if (!pages.contains(QString::fromLatin1(kPageNames[page])))
            continue;
        window.pageStack()->setCurrentIndex(page);
        QTest::qWait(200);
        window.grab().save(out + "/" + kPageNames[page] + "-" + suffix + ".png");
    }
    QDir(folder).removeRecursively();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc == 3 || argc == 4 || argc == 5)
        return 2;
    if (argc > 5)
        qputenv("QT_SCALE_FACTOR", argv[3]); // read when the application starts
    ensureTestApp();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    if (argc > 5)
        return renderInLanguage(out, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[4]),
                                QStringList(argv + 5, argv + argc));
    const QString save = QDir::tempPath() + "/vtr-screenshots";
    QDir(save).removeRecursively();
    QDir().mkpath(save);
    SetFolderPicker([&](QWidget*) { return save; });

    DRUI window;
    window.setSettingsPath(QDir::tempPath() + "/vtr-ScreenRecord.ini");
    window.initUi(true);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    (void)QTest::qWaitFor([&] { return window.audioDiscovery().found().has_value(); }, 10000);
    for (int page = 0; page < 4; ++page) {
        window.pageStack()->setCurrentIndex(page);
        QTest::qWait(200);
        window.grab().save(out + "/" + kPageNames[page] + ".png");
    }

    // The hotkeys, as the main menu opens them over the window.
    {
        HotkeyDialog hotkeys(&window, window.settingsPath(), true);
        hotkeys.show();
        if (QTest::qWaitForWindowExposed(&hotkeys)) {
            QTest::qWait(200);
            hotkeys.grab().save(out + "/hotkeys.png");
        }
    }

    // A recording hides the window; the user brings it back from the tray.
    window.btnSlotLayout2Dir();
    window.btnSlot();
    window.btnSlotRecord();
    QTest::qWait(2600);
    window.trayiconActivated(QSystemTrayIcon::Trigger);
    QTest::qWait(300);
    window.grab().save(out + "/record-running.png");
    window.btnSlotRecord();
    window.recorder().waitForRun(10000);

    // The new recording playing inside the cut page: the player draws into
    // the window on the X server, so the screen is grabbed, not the widgets.
    window.btnSlotBack();
    // The headless desktop is black: a test picture plays better.
    testing_support::makeRecording((save + "/demo.mp4").toStdString(), 8);
    window.cutPage()->cutDirEdit()->setText(save);
    window.btnMontageSlot();
    waitForListing(window);
    const QTableWidgetItem* demo = window.cutPage()->cutTable()->findItems("demo.mp4", Qt::MatchExactly).value(0);
    if (!demo)
        return 1;
    window.cutPage()->cutTable()->selectRow(demo->row());
    window.CutTableItemClick(window.cutPage()->cutTable()->item(demo->row(), 0));
    window.btnLayout3Play();
    if (QTest::qWaitFor([&] { return window.cutPage()->headButton()->isEnabled(); }, 10000)) {
        QTest::qWait(700);
        window.btnLayout3Play(); // paused on a frame
        window.btnSetHead();
        QTest::qWait(300);
        window.screen()->grabWindow(window.winId()).save(out + "/cut-playing.png");
    }
    window.btnSlotBack();

    // Both recordings in the merge list.
    window.mergePage()->mergeDirEdit()->setText(save);
    window.btnEditSlot();
    waitForListing(window);
    window.mergePage()->sourceTable()->selectRow(1);
    window.SourceTableItemClick(nullptr);
    window.btnAddSlot();
    window.mergePage()->sourceTable()->selectRow(0);
    window.SourceTableItemClick(nullptr);
    window.btnAddSlot();
    window.mergePage()->targetTable()->selectRow(1);
    window.TargetTableItemClick(nullptr);
    QTest::qWait(200);
    window.grab().save(out + "/merge-list.png");
    window.btnSlotBack();

    QDir(save).removeRecursively();
    QFile::remove(window.settingsPath());
    std::printf("pages rendered into %s\n", argv[1]);
    return 0;
}
