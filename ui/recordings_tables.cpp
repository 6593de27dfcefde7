#include "ui/recordings_tables.h"

#include "i18n/language_config.h"
#include "library/recordings_listing.h"
#include "util/format.h"

#include <QHeaderView>
#include <QIcon>
#include <QTableWidget>

using i18n::GuiText;
using library::VideoFileInfo;
using util::FormatSize;

namespace ui {

namespace {

constexpr int kNameWidth = 180;
constexpr int kNameBytesRole = Qt::UserRole;
constexpr int kEmptyTargetNameWidth = 80;
const char* const kRecordingIcon = ":/image/mp4.png";
const char* const kGreyPanel = "background-color: rgb(191, 191, 191);";

QTableWidget* makeTable(QWidget* parent, const QStringList& labels, int nameWidth, int minimumHeight)
{
    auto* table = new QTableWidget(0, static_cast<int>(labels.size()), parent);
    table->setHorizontalHeaderLabels(labels);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setVisible(false);
    table->setColumnWidth(0, nameWidth);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setMinimumSize(200, minimumHeight);
    return table;
}

QStringList recordingColumns()
{
    return {GuiText("MainWnd/FileName"), GuiText("MainWnd/Time"), GuiText("MainWnd/Size")};
}

// The shown text can only approximate a name that is not valid UTF-8; the
// item keeps the name's own bytes for whatever opens the file.
QTableWidgetItem* nameItem(const QIcon& icon, const std::string& name)
{
    auto* item = new QTableWidgetItem(icon, QString::fromStdString(name));
    item->setData(kNameBytesRole, QByteArray::fromStdString(name));
    return item;
}

QIcon recordingIcon() { return QIcon(QString::fromLatin1(kRecordingIcon)); }

} // namespace

QTableWidget* makeCutTable(QWidget* parent)
{
    // No style sheet: the window's dark background shows through.
    return makeTable(parent, {QString()}, kNameWidth, 100);
}

QTableWidget* makeSourceTable(QWidget* parent)
{
    QTableWidget* table = makeTable(parent, recordingColumns(), kNameWidth, 180);
    table->setStyleSheet(kGreyPanel);
    return table;
}

QTableWidget* makeTargetTable(QWidget* parent)
{
    QTableWidget* table = makeTable(parent, recordingColumns(), kEmptyTargetNameWidth, 180);
    table->setStyleSheet(kGreyPanel);
    return table;
}

TableFiller::TableFiller(QTableWidget* table) : QObject(table), table_(table) { }

void TableFiller::start(int rows, FillRow fill)
{
    clear();
    fill_ = std::move(fill);
    rows_ = rows;
    table_->setRowCount(rows);
    fillMore(round_);
}

void TableFiller::clear()
{
    ++round_;
    rows_ = filled_ = 0;
    table_->setRowCount(0);
}

void TableFiller::fillMore(int round)
{
    if (round != round_)
        return; // a newer list
    const int end = std::min(rows_, filled_ + kRowsPerTurn);
    for (; filled_ < end; ++filled_)
        fill_(filled_);
    if (filled_ < rows_)
        QMetaObject::invokeMethod(
            this, [this, round] { fillMore(round); }, Qt::QueuedConnection);
}

QIcon RecordingIcon() { return recordingIcon(); }

void showCutRow(QTableWidget* table, int row, const VideoFileInfo& record, const QIcon& icon)
{
    QTableWidgetItem* item = nameItem(icon, record.name);
    item->setForeground(QColor(255, 255, 255));
    table->setItem(row, 0, item);
}

void showSourceRow(QTableWidget* table, int row, const VideoFileInfo& record, const QIcon& icon)
{
    table->setItem(row, 0, nameItem(icon, record.name));
    table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(record.duration)));
    table->setItem(row, 2,
                   new QTableWidgetItem(QString::fromStdString(FormatSize(static_cast<std::int64_t>(record.size)))));
}

void showSourceLength(QTableWidget* table, int row, const QString& duration)
{
    if (QTableWidgetItem* item = table->item(row, 1))
        item->setText(duration);
}

void showTargetLength(QTableWidget* table, const std::string& path, const QString& duration)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem* length = table->item(row, 1);
        if (length && length->text().isEmpty() && recordingName(table->item(row, 0)) == path)
            length->setText(duration);
    }
}

bool addSelectedRow(QTableWidget* source, QTableWidget* target, const std::string& shownName)
{
    const QList<QTableWidgetItem*> selected = source->selectedItems();
    if (selected.size() < 3)
        return false;
    const int row = target->rowCount();
    target->insertRow(row);
    target->setColumnWidth(0, kNameWidth);
    target->setItem(row, 0, nameItem(recordingIcon(), shownName));
    target->setItem(row, 1, new QTableWidgetItem(selected[1]->text()));
    target->setItem(row, 2, new QTableWidgetItem(selected[2]->text()));
    return true;
}

int moveSelectedRow(QTableWidget* table, int step)
{
    const int row = selectedRow(table);
    if (row < 0)
        return -1;
    const int to = row + step;
    if (to < 0 || to >= table->rowCount())
        return row;
    // Texts change places; the icons stay with their rows.
    for (int column = 0; column < table->columnCount(); ++column) {
        QTableWidgetItem* here = table->item(row, column);
        QTableWidgetItem* there = table->item(to, column);
        if (!here || !there)
            continue;
        const QString moving = here->text();
        here->setText(there->text());
        there->setText(moving);
        const QVariant bytes = here->data(kNameBytesRole);
        here->setData(kNameBytesRole, there->data(kNameBytesRole));
        there->setData(kNameBytesRole, bytes);
    }
    table->setCurrentCell(to, 0);
    table->selectRow(to);
    return to;
}

bool deleteSelectedRow(QTableWidget* table)
{
    const int row = selectedRow(table);
    if (row < 0)
        return false;
    table->removeRow(row);
    return true;
}

std::string recordingName(const QTableWidgetItem* item)
{
    return item ? item->data(kNameBytesRole).toByteArray().toStdString() : std::string();
}

int selectedRow(const QTableWidget* table)
{
    const QList<QTableWidgetItem*> selected = table->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

} // namespace ui
