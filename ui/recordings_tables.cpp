#include "ui/recordings_tables.h"

#include "i18n/language_config.h"
#include "library/recordings_listing.h"
#include "util/format.h"

#include <QHeaderView>
#include <QIcon>
#include <QTableWidget>

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

// The folder's recordings, newest first; empty when it cannot be searched.
RecordingListing listNewestFirst(const QString& folder)
{
    RecordingListing listing;
    listRecordings(folder.toStdString(), listing);
    sortNewestFirst(listing);
    return listing;
}

// The shown text can only approximate a name that is not valid UTF-8; the
// item keeps the name's own bytes for whatever opens the file.
QTableWidgetItem* nameItem(const std::string& name)
{
    auto* item = new QTableWidgetItem(QIcon(kRecordingIcon), QString::fromStdString(name));
    item->setData(kNameBytesRole, QByteArray::fromStdString(name));
    return item;
}

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

void fillCutTable(QTableWidget* table, const QString& folder)
{
    // The cut page shows no lengths, so none are probed: a folder of many
    // recordings lists at once.
    const RecordingListing listing = listNewestFirst(folder);
    table->setRowCount(0);
    for (const VideoFileInfo& record : listing) {
        const int row = table->rowCount();
        table->insertRow(row);
        QTableWidgetItem* item = nameItem(record.name);
        item->setForeground(QColor(255, 255, 255));
        table->setItem(row, 0, item);
    }
}

void fillSourceTable(QTableWidget* table, const QString& folder, DurationCache& cache, const DurationProbe& probe)
{
    RecordingListing listing = listNewestFirst(folder);
    cache.fill(folder.toStdString(), listing, probe);
    table->setRowCount(0);
    for (const VideoFileInfo& record : listing) {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, nameItem(record.name));
        table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(record.duration)));
        table->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(FormatSize(static_cast<std::int64_t>(record.size)))));
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
    target->setItem(row, 0, nameItem(shownName));
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
