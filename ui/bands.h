#pragma once
// The title band at the top of every page (logo, name, version, and the
// menu, minimise and close buttons) and the footer band at the bottom.
#include <QLabel>

class QAction;
class QMenu;
class QPushButton;

namespace ui {

class TitleBand : public QLabel {
    Q_OBJECT
public:
    TitleBand(QWidget* page, int width, int logoHeight);

    QPushButton* menuButton() const { return menuButton_; }
    QMenu* mainMenu() const { return mainMenu_; }

signals:
    void closeClicked();
    void minimizeClicked();
    // An entry of the main menu or its language submenu.
    void menuTriggered(QAction* action);

private:
    QPushButton* titleButton(const QString& image, const char* name, int x);
    void createMainMenu(int x);

    QPushButton* menuButton_ = nullptr;
    QMenu* mainMenu_ = nullptr;
};

class FooterBand : public QLabel {
    Q_OBJECT
public:
    // The merge page's footer is lower and lighter.
    FooterBand(QWidget* page, int width, bool mergeStyle);
};

} // namespace ui
