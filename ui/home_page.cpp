#include "ui/home_page.h"

#include "i18n/language_config.h"
#include "ui/bands.h"
#include "ui/keyboard_access.h"
#include "ui/page_parts.h"
#include "ui/styles.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

using i18n::GuiText;

namespace ui {

HomePage::HomePage(QWidget* parent, int w) : QWidget(parent), band_(new TitleBand(this, w, 40))
{
    setObjectName(QStringLiteral("homePage"));
    auto* box = new QVBoxLayout(this);
    box->setSpacing(5);
    box->setContentsMargins(0, 0, 0, 0);
    ui::addBand(box, band_);
    box->addStretch(3);

    struct Entry {
        const char* image;
        const char* name;
        void (HomePage::*signal)();
        QMargins margins;
    };
    const Entry entries[] = {
        {":/image/rec.png", "MainWnd/RecordScreen", &HomePage::recordClicked, {60, 0, 0, 0}},
        {":/image/edit.png", "MainWnd/MergeVideos", &HomePage::mergeClicked, {30, 0, 30, 0}},
        {":/image/cut_main.png", "MainWnd/CutVideo", &HomePage::cutClicked, {30, 0, 60, 0}},
    };
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    for (const Entry& e : entries) {
        const QString image = QString::fromLatin1(e.image);
        const QSize size = QPixmap(image).size();
        auto* button = new QPushButton(this);
        button->setIcon(QIcon(image));
        button->setIconSize(size);
        button->setFixedSize(size);
        button->setStyleSheet(ui::homeButtonSheet() + ui::kFocusMark);
        ui::nameImageButton(button, GuiText(e.name));
        QPalette palette = button->palette();
        palette.setColor(QPalette::WindowText, QColor(54, 75, 75));
        palette.setColor(QPalette::ButtonText, QColor(54, 75, 75));
        button->setPalette(palette);
        button->setFont(ui::calibri(11, true));
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, e.signal);
        auto* cell = new QHBoxLayout;
        cell->setContentsMargins(e.margins);
        cell->addWidget(button);
        row->addLayout(cell);
    }
    box->addLayout(row);
    box->addStretch(3);
    box->addWidget(new FooterBand(this, w, false));
    ui::pressOnEnter(this);
}

} // namespace ui
