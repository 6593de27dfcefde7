// The dialog's ties to the main window, apart from the dialog itself: the
// window makes the jobs whose progress the dialog shows, so the dialog's own
// file does not know the window.
#include "ui/drui.h"
#include "ui/scan_ui.h"

namespace ui {

void SCANUI::ConnectSignals(DRUI* window)
{
    connect(this, &SCANUI::stopRequested, window, &DRUI::stopShownJob);
    connect(window, &DRUI::AddProcessCallBack, this, &SCANUI::AddProcessCallBackSlot);
    connect(window, &DRUI::CutProcessCallBack, this, &SCANUI::CutProcessCallBackSlot);
}

} // namespace ui
