// Renders each page of the real window to PNG, and the record page while a
// recording runs: scripts/screenshots.sh runs it inside the headless session.
//   render_pages OUTPUT_FOLDER
#include "encoder/record_run.h"
#include "test_app.h"
#include "ui/drui.h"
#include "ui/folder_picker.h"

#include <QDir>
#include <QFile>
#include <QStackedLayout>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    ensureTestApp();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
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
    const char* names[] = {"home", "record", "cut", "merge"};
    for (int page = 0; page < 4; ++page) {
        window.pageStack->setCurrentIndex(page);
        QTest::qWait(200);
        window.grab().save(out + "/" + names[page] + ".png");
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

    QDir(save).removeRecursively();
    QFile::remove(window.settingsPath());
    std::printf("pages rendered into %s\n", argv[1]);
    return 0;
}
