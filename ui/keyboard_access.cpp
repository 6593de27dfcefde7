#include "ui/keyboard_access.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>

namespace ui {

void nameImageButton(QAbstractButton* button, const QString& name)
{
    button->setAccessibleName(name);
    button->setToolTip(name);
}

QString withoutColon(QString text)
{
    text = text.trimmed();
    while (text.endsWith(u':') || text.endsWith(u'\uFF1A'))
        text.chop(1);
    return text.trimmed();
}

void pressOnEnter(QWidget* root)
{
    // An auto-default button clicks on Enter in any window, not only in a
    // dialog; the style sheets draw no default frame.
    for (QPushButton* button : root->findChildren<QPushButton*>())
        button->setAutoDefault(true);
}

int neededWidth(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        int width = 0;
        for (const QString& line : label->text().split(u'\n'))
            width = std::max(width, label->fontMetrics().horizontalAdvance(line));
        return width + 2 * label->margin() + 2;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        int width = button->fontMetrics().horizontalAdvance(button->text()) + 16;
        if (!button->icon().isNull())
            width += button->iconSize().width() + 4;
        return width;
    }
    return widget->width();
}

void widenRow(const std::vector<QWidget*>& row, int left, int right)
{
    int shift = 0;
    for (QWidget* widget : row) {
        QRect place = widget->geometry().translated(shift, 0);
        const int grow = std::max(0, neededWidth(widget) - place.width());
        place.setWidth(place.width() + grow);
        widget->setGeometry(place);
        shift += grow;
    }
    if (row.empty())
        return;
    const int overflow = row.back()->geometry().right() + 1 - right;
    const int room = row.front()->x() - left;
    const int back = std::min(std::max(0, overflow), std::max(0, room));
    for (QWidget* widget : row)
        widget->move(widget->x() - back, widget->y());
}

void fitCaption(QLabel* caption, QWidget* field)
{
    const int grow = neededWidth(caption) - caption->width();
    if (grow <= 0)
        return;
    caption->resize(caption->width() + grow, caption->height());
    field->setGeometry(field->geometry().adjusted(grow, 0, 0, 0));
}

void fitHeaders(QTableWidget* table)
{
    QHeaderView* header = table->horizontalHeader();
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
    const int last = header->stretchLastSection() ? header->count() - 1 : header->count();
    // The header of the selected row's columns is drawn bold.
    QFont bold = header->font();
    bold.setBold(true);
    for (int column = 0; column < last; ++column) {
        const QString text = table->model()->headerData(column, Qt::Horizontal).toString();
        const int need = QFontMetrics(bold).horizontalAdvance(text) + margin;
        if (header->sectionSize(column) < need)
            table->setColumnWidth(column, need);
    }
}

FocusReturn::FocusReturn(QWidget* dialog, QWidget* initial) : QObject(dialog), dialog_(dialog), initial_(initial)
{
    dialog->installEventFilter(this);
}

bool FocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != dialog_)
        return false;
    if (event->type() == QEvent::Show) {
        QWidget* had = QApplication::focusWidget();
        if (had && !dialog_->isAncestorOf(had))
            previous_ = had;
        dialog_->activateWindow();
        if (initial_)
            initial_->setFocus(Qt::ActiveWindowFocusReason);
    } else if (event->type() == QEvent::Hide && previous_) {
        // Once the dialog is gone: the window system hands the focus on
        // as the dialog goes, which would undo an earlier activation.
        QTimer::singleShot(0, previous_.data(), [back = previous_] {
            if (back && back->isVisible()) {
                back->activateWindow();
                back->setFocus(Qt::ActiveWindowFocusReason);
            }
        });
        previous_.clear();
    }
    return false;
}

} // namespace ui
