// The recordings tables of the cut and merge pages: what a click, a double
// click and the merge list's buttons do, and which buttons they open up.
#include "ui/drui.h"

#include "encoder/stream_ops.h"
#include "library/recordings_tables.h"
#include "platform/files.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

void DRUI::fillRecordingsTable(QTableWidget* table, const QString& folder)
{
    if (table == cutTable)
        fillCutTable(table, folder);
    else
        fillSourceTable(table, folder, m_durations, ProbeDuration);
}

void DRUI::updateMergeButton() { mergeButton->setEnabled(targetTable->rowCount() > 1); }

void DRUI::CutTableItemClick(QTableWidgetItem*)
{
    const QList<QTableWidgetItem*> selected = cutTable->selectedItems();
    if (!selected.isEmpty())
        selectedCutFile = cutDirEdit->text() + QChar(platform::separator()) + selected.first()->text();
    playButton->setEnabled(!selected.isEmpty());
    // Another recording needs marks of its own.
    cutButton->setEnabled(false);
}

void DRUI::CutTableItemDoubleClick(QTableWidgetItem*) { btnLayout3Play(); }

void DRUI::SourceTableItemClick(QTableWidgetItem*) { addButton->setEnabled(sourceTable->selectedItems().size() >= 3); }

void DRUI::SourceTableItemDoubleClick(QTableWidgetItem*) { btnAddSlot(); }

void DRUI::btnAddSlot()
{
    // The same recording may be added again: it is then joined twice.
    if (addSelectedRow(sourceTable, targetTable))
        updateMergeButton();
}

void DRUI::TargetTableItemClick(QTableWidgetItem*)
{
    const int row = selectedRow(targetTable);
    if (row < 0)
        return;
    upButton->setEnabled(row != 0);
    downButton->setEnabled(row < targetTable->rowCount() - 1);
    deleteButton->setEnabled(true);
}

void DRUI::btnUpSlot()
{
    const int row = selectedRow(targetTable);
    if (row <= 0)
        return;
    moveSelectedRow(targetTable, -1);
    upButton->setEnabled(row - 1 > 0);
    downButton->setEnabled(true);
}

void DRUI::btnDownSlot()
{
    const int row = selectedRow(targetTable);
    if (row < 0 || row >= targetTable->rowCount() - 1)
        return;
    moveSelectedRow(targetTable, 1);
    downButton->setEnabled(row + 1 < targetTable->rowCount() - 1);
    upButton->setEnabled(true);
}

void DRUI::btnDelSlot()
{
    deleteSelectedRow(targetTable);
    updateMergeButton();
}
