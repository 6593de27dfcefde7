#pragma once
// One QApplication for every window test in this program, with the images
// and the language files of the build.
#include "i18n/language_config.h"
#include "resources/resources.h"
#include "ui/drui.h"
#include "ui/bands.h"
#include "ui/cut_page.h"
#include "ui/home_page.h"
#include "ui/merge_page.h"
#include "ui/record_page.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

inline void ensureTestApp()
{
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        auto* a = new QApplication(argc, argv);
        InitResources();
        CLanguageConfig::ResetInstance(QStringLiteral(VTR_APP_FOLDER));
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
    CLanguageConfig::ResetInstance(folder);
}

// A main window built and shown as at start-up, with its own settings file so
// that tests running side by side never share one.
inline std::unique_ptr<DRUI> openTestWindow(const std::string& settingsFile)
{
    ensureTestApp();
    auto window = std::make_unique<DRUI>();
    window->setSettingsPath(QString::fromStdString(settingsFile));
    window->initUi(true);
    window->show();
    // Tests read geometry and grab pixels: an unshown window would fail them
    // for the wrong reason.
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the test window was not exposed in time");
    return window;
}
