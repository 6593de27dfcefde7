#pragma once
// Stands in for the main window `DRUI` until it exists, with the calls
// start-up and shutdown make on it.
#include <QWidget>

class PlaceholderWindow : public QWidget {
public:
    explicit PlaceholderWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    // Ends our encoders, as the main window's destructor does.
    ~PlaceholderWindow() override;

    void initUi(bool firstTime);
};
