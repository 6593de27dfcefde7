#pragma once
// The tables of recordings on the cut and merge pages, and the merge list's
// row operations. The window decides which buttons these open up.
#include "library/duration_cache.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QTableWidget;
class QTableWidgetItem;
class QWidget;

// The cut page's list: names only, drawn white on the dark window.
QTableWidget* makeCutTable(QWidget* parent);
// The merge page's list of a folder's recordings: name, length, size.
QTableWidget* makeSourceTable(QWidget* parent);
// The merge list, in the order the recordings are to be joined.
QTableWidget* makeTargetTable(QWidget* parent);

// Lists `folder` newest first into the table, replacing its rows. A folder
// that cannot be searched empties the table.
void fillCutTable(QTableWidget* table, const QString& folder);
// The source table shows lengths: those not in `cache` are probed.
void fillSourceTable(QTableWidget* table, const QString& folder, DurationCache& cache, const DurationProbe& probe);

// Appends a copy of the source table's selected row to the target table,
// showing `shownName` (the recording's full path) for its name. False when
// no whole row is selected.
bool addSelectedRow(QTableWidget* source, QTableWidget* target, const std::string& shownName);
// The name a listed row's first item stands for, with the bytes the file
// system gave, which its text may not hold; empty for no item.
std::string recordingName(const QTableWidgetItem* item);
// Swaps the texts of the selected row with the row `step` (-1 or 1) away and
// moves the selection with them. Returns the row now selected, or -1 when
// nothing was selected; a row at the edge stays where it is.
int moveSelectedRow(QTableWidget* table, int step);
// Removes the row of the first selected item. False when none is selected.
bool deleteSelectedRow(QTableWidget* table);
// The selected row, or -1.
int selectedRow(const QTableWidget* table);
