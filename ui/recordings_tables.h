#pragma once
// The tables of recordings on the cut and merge pages, and the merge list's
// row operations. The window decides which buttons these open up.
#include "library/recordings_listing.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QIcon;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// The cut page's list: names only, drawn white on the dark window.

namespace ui {

QTableWidget* makeCutTable(QWidget* parent);
// The merge page's list of a folder's recordings: name, length, size.
QTableWidget* makeSourceTable(QWidget* parent);
// The merge list, in the order the recordings are to be joined.
QTableWidget* makeTargetTable(QWidget* parent);

// Fills a table's rows a batch per turn of the event loop, so that a list of
// thousands shows its first rows at once and never holds the window long.
class TableFiller : public QObject {
public:
    static constexpr int kRowsPerTurn = 250;
    using FillRow = std::function<void(int row)>;

    explicit TableFiller(QTableWidget* table);
    // Replaces the table's rows with `rows` rows; the first batch is filled
    // before this returns. A fill under way is dropped.
    void start(int rows, FillRow fill);
    // Drops the fill under way and empties the table.
    void clear();
    bool complete() const { return filled_ == rows_; }

private:
    void fillMore(int round);

    QTableWidget* table_;
    FillRow fill_;
    int rows_ = 0;
    int filled_ = 0;
    int round_ = 0;
};

// The icon of a recording's name.
QIcon RecordingIcon();
// A row of the cut page's list: the name, white on the dark window.
void showCutRow(QTableWidget* table, int row, const library::VideoFileInfo& record, const QIcon& icon);
// A row of the merge page's list: name, length as far as known, size.
void showSourceRow(QTableWidget* table, int row, const library::VideoFileInfo& record, const QIcon& icon);
// A length read after its row was shown; the selection and the scroll
// position stay where they are.
void showSourceLength(QTableWidget* table, int row, const QString& duration);
// Fills the empty length of every merge-list row of `path`.
void showTargetLength(QTableWidget* table, const std::string& path, const QString& duration);

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

} // namespace ui
