#include "app/running_copy.h"
#include "platform/crash_handler.h"
#include "platform/single_instance.h"
#include "resources/resources.h"
#include "ui/drui.h"
#include "util/debug_log.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::installCrashHandler();
    InitResources();
    SetDebugSink([](const std::string& text) { qDebug("%s", text.c_str()); });

    if (platform::IsAlreadyRunning()) {
        if (!AskRunningCopyToShow())
            ShowIsRunningBox();
        return 0; // without the event loop
    }

    // Destroyed in reverse order when main returns: the listener, the window
    // (whose destructor ends the encoders), then the application.
    DRUI window;
    window.initUi(true);
    RunningCopyListener listener(&window);
    window.show();
    return app.exec();
}
