#include "app/placeholder_window.h"

#include "encoder/shutdown.h"

PlaceholderWindow::PlaceholderWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    setWindowTitle(QStringLiteral("Vantreel Screen Recorder"));
}

PlaceholderWindow::~PlaceholderWindow()
{
    EndOurEncoders();
}

void PlaceholderWindow::initUi(bool)
{
    resize(1000, 600);
}
