#pragma once
// One QApplication for every window test in this program, with the images
// and the language files of the build.
#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "resources/resources.h"
#include "settings/capture_setting.h"
#include "ui/bands.h"
#include "ui/cut_page.h"
#include "ui/drui.h"
#include "ui/home_page.h"
#include "ui/merge_page.h"
#include "ui/record_page.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Windows under test keep the recordings' lengths in a cache folder of this
// test program's own, never in the user's.
inline void usePrivateCacheFolder()
{
    static const QTemporaryDir folder;
    qputenv("XDG_CACHE_HOME", folder.path().toLocal8Bit());
}

inline void ensureTestApp()
{
    usePrivateCacheFolder();
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        auto* a = new QApplication(argc, argv);
        InitResources();
        i18n::CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
        return a;
    }();
    (void)instance;
}

// Copies the build's config.ini and language files into `folder` and answers
// from there, so that choosing a language never writes the build's
// config.ini, which other tests read at the same time.
inline void useLanguageCopy(const QString& folder)
{
    const QString from = QStringLiteral(VTR_APP_FOLDER);
    QDir().mkpath(folder + "/Languages");
    QFile::copy(from + "/config.ini", folder + "/config.ini");
    for (const QString& name : QDir(from + "/Languages").entryList({QStringLiteral("*.ini")}))
        QFile::copy(from + "/Languages/" + name, folder + "/Languages/" + name);
    i18n::CLanguageConfig::ResetInstance(folder);
}

// A main window built and shown as at start-up, with its own settings file so
// that tests running side by side never share one.
inline std::unique_ptr<ui::DRUI> openTestWindow(const std::string& settingsFile)
{
    ensureTestApp();
    auto window = std::make_unique<ui::DRUI>();
    // Test windows side by side on one screen would fight over the hotkeys;
    // their own tests take them.
    settings::StoreRecordHotkey(settingsFile, settings::kNoHotkey);
    settings::StorePauseHotkey(settingsFile, settings::kNoHotkey);
    window->setSettingsPath(QString::fromStdString(settingsFile));
    window->initUi(true);
    window->show();
    // Tests read geometry and grab pixels: an unshown window would fail them
    // for the wrong reason.
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the test window was not exposed in time");
    // Tests that record expect the sound devices known, as a user who waits
    // a moment finds them.
    if (!QTest::qWaitFor([&] { return window->audioDiscovery().found() && !window->audioDiscovery().running(); },
                         10000))
        qWarning("the sound devices were not found in time");
    return window;
}

// Until the cut and merge pages have shown their listings and every length.
inline bool waitForListing(ui::DRUI& window)
{
    return QTest::qWaitFor([&] { return window.cutPage()->listingComplete() && window.mergePage()->listingComplete(); },
                           60000);
}
