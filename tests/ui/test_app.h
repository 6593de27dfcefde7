#pragma once
// One QApplication for every window test in this program, with the images
// and the language files of the build.
#include "i18n/language_config.h"
#include "resources/resources.h"
#include "ui/drui.h"

#include <QTest>
#include <memory>

#include <QApplication>

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
