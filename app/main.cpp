#include "app/placeholder_window.h"
#include "app/running_copy.h"
#include "platform/crash_handler.h"
#include "platform/single_instance.h"

#include <QApplication>

// The main window; DRUI takes the stand-in's place here.
using MainWindow = PlaceholderWindow;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::installCrashHandler();

    if (platform::IsAlreadyRunning()) {
        if (!AskRunningCopyToShow())
            ShowIsRunningBox();
        return 0; // without the event loop
    }

    // Destroyed in reverse order when main returns: the listener, the window
    // (whose destructor ends the encoders), then the application.
    MainWindow window;
    window.initUi(true);
    RunningCopyListener listener(&window);
    window.show();
    return app.exec();
}
