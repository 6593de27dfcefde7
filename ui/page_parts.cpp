#include "ui/page_parts.h"

#include "i18n/language_config.h"
#include "ui/keyboard_access.h"
#include "ui/styles.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using i18n::GuiText;

namespace ui {

QLabel* whiteLabel(const QString& content, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setStyleSheet(QStringLiteral("color: white;"));
    return label;
}

QPushButton* greyButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(greyButtonSheet());
    return button;
}

QPushButton* folderButton(QWidget* parent, const QRect& geometry)
{
    auto* button = new QPushButton(parent);
    button->setIcon(QIcon(QStringLiteral(":/image/folder.png")));
    button->setGeometry(geometry);
    button->setStyleSheet(kFocusMark);
    nameImageButton(button, GuiText("MainWnd/ChooseFolder"));
    return button;
}

void nameTable(QTableWidget* table, const char* key)
{
    table->setAccessibleName(GuiText(key));
    table->setTabKeyNavigation(false);
    fitHeaders(table);
}

QLineEdit* folderEdit(const QString& folder, QWidget* parent, const QRect& geometry)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(geometry);
    edit->setStyleSheet(kFieldBorderStyle);
    edit->setText(folder);
    edit->setCursorPosition(1);
    return edit;
}

QHBoxLayout* rowWithMargins()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 20, 0);
    return row;
}

void addBand(QVBoxLayout* page, QWidget* band)
{
    auto* box = new QHBoxLayout;
    box->setSpacing(0);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(band);
    page->addLayout(box);
}

} // namespace ui
