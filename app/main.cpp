#include "app/running_copy.h"
#include "platform/crash_handler.h"
#include "platform/single_instance.h"
#include "resources/resources.h"
#include "settings/settings_files.h"
#include "ui/drui.h"
#include "util/debug_log.h"
#include "platform/window_system.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using app::AskRunningCopyToShow;
using app::RunningCopyListener;
using app::ShowIsRunningBox;
using ui::DRUI;
using platform::QtPlatformToUse;
using util::SetDebugSink;

namespace {

// Answered before the application object exists: no screen is needed.
bool answeredOnTerminal(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("vantreel-screen-recorder %s\n", VTR_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: vantreel-screen-recorder [--help] [--version]\n\n"
                        "Records the desktop to MP4 files, plays them, cuts and joins them.\n"
                        "Settings: $XDG_CONFIG_HOME/vantreel-screen-recorder/ (default ~/.config/...).\n"
                        "Recordings: ~/VantreelSave until another save folder is chosen.\n\n"
                        "  -h, --help     show this help and exit\n"
                        "  -v, --version  show the version and exit\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredOnTerminal(argc, argv))
        return 0;
    // Before the application object: it picks its platform when made.
    const std::string platformName = QtPlatformToUse(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                                                     std::getenv("DISPLAY"));
    if (!platformName.empty())
        qputenv("QT_QPA_PLATFORM", platformName.c_str());
    QApplication app(argc, argv);
    platform::installCrashHandler();
    InitResources();
    SetDebugSink([](const std::string& text) { qDebug("%s", text.c_str()); });

    if (platform::IsAlreadyRunning()) {
        if (!AskRunningCopyToShow())
            ShowIsRunningBox();
        return 0; // without the event loop
    }

    settings::TakeOverProgramFolderSettings();

    // Destroyed in reverse order when main returns: the listener, the window
    // (whose destructor ends the encoders), then the application.
    DRUI window;
    window.initUi(true);
    RunningCopyListener listener(&window);
    window.show();
    return app.exec();
}
