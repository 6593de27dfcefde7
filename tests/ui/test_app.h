#pragma once
// One QApplication for every window test in this program, with the images
// and the language files of the build.
#include "i18n/language_config.h"
#include "resources/resources.h"

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
