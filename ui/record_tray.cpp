#include "ui/record_tray.h"

#include "i18n/language_config.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

using i18n::GuiText;
using recording::TrayImage;

namespace ui {

namespace {

QIcon image(const char* name) { return QIcon(QString::fromLatin1(name)); }

} // namespace

RecordTray::RecordTray(QWidget* window) : QObject(window), window_(window) { }

RecordTray::~RecordTray() { clear(); }

void RecordTray::clear()
{
    delete icon_;
    delete menu_;
    for (QAction*& a : entries_) {
        delete a;
        a = nullptr;
    }
    icon_ = nullptr;
    menu_ = nullptr;
}

void RecordTray::build(bool recording)
{
    clear();
    icon_ = new QSystemTrayIcon(image(":/image/rec1.png"), window_);
    icon_->setToolTip(GuiText("MainWnd/FreeProductName"));
    connect(icon_, &QSystemTrayIcon::activated, this, &RecordTray::activated);

    entries_[0] = new QAction(image(":/image/pause.png"), GuiText("MainWnd/Pause"), window_);
    entries_[1] = new QAction(image(":/image/stop.png"), GuiText("MainWnd/Stop"), window_);
    entries_[2] = new QAction(image(":/image/quit.png"), GuiText("MainWnd/Quit"), window_);
    entries_[0]->setEnabled(recording);
    connect(entries_[0], &QAction::triggered, this, &RecordTray::pauseTriggered);
    connect(entries_[1], &QAction::triggered, this, &RecordTray::stopTriggered);
    connect(entries_[2], &QAction::triggered, this, &RecordTray::quitTriggered);

    menu_ = new QMenu(window_);
    for (QAction* a : entries_)
        menu_->addAction(a);
    icon_->setContextMenu(menu_);
    icon_->setVisible(recording);
}

QAction* RecordTray::entry(int position) const
{
    return position >= 1 && position <= 3 ? entries_[position - 1] : nullptr;
}

void RecordTray::showStarted()
{
    if (!icon_)
        return;
    entries_[1]->setText(GuiText("MainWnd/Stop"));
    entries_[1]->setIcon(image(":/image/stop.png"));
    entries_[0]->setEnabled(true);
    showPaused(false);
    icon_->setVisible(true);
}

void RecordTray::showPaused(bool paused)
{
    if (!icon_)
        return;
    entries_[0]->setText(GuiText(paused ? "MainWnd/Resume" : "MainWnd/Pause"));
    entries_[0]->setIcon(image(paused ? ":/image/play.png" : ":/image/pause.png"));
    if (paused)
        icon_->setIcon(image(":/image/pause.png"));
}

void RecordTray::showStopped()
{
    if (!icon_)
        return;
    entries_[0]->setEnabled(false);
    entries_[0]->setText(GuiText("MainWnd/Pause"));
    entries_[0]->setIcon(image(":/image/pause.png"));
    entries_[1]->setText(GuiText("MainWnd/Start"));
    entries_[1]->setIcon(image(":/image/play.png"));
    icon_->setIcon(image(":/image/rec1.png"));
}

void RecordTray::setImage(TrayImage which)
{
    if (!icon_ || which == TrayImage::Unchanged)
        return;
    icon_->setIcon(image(which == TrayImage::Paused ? ":/image/pause.png"
                             : which == TrayImage::Rec1 ? ":/image/rec1.png"
                                                        : ":/image/rec2.png"));
}

void RecordTray::showNotice(const QString& title, const QString& text)
{
    if (icon_ && icon_->isVisible())
        icon_->showMessage(title, text, QSystemTrayIcon::Warning);
}

} // namespace ui
