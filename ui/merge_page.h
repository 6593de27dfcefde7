#pragma once
// The merge page: a folder's recordings with their lengths and sizes, the
// merge list with the full path of each row, and the buttons that fill,
// order and merge it.
#include "library/duration_cache.h"
#include "library/merge_list.h"
#include "library/length_probe.h"

#include <QWidget>

#include <memory>

namespace library {
class ListingSession;
}
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace ui {

class TableFiller;
class TitleBand;

class MergePage : public QWidget {
    Q_OBJECT
public:
    // `lengths`: the lengths known so far, kept by the window; `probe`
    // reads one the boxes do not tell.
    MergePage(QWidget* parent, int width, const QString& folder, std::shared_ptr<library::DurationCache> lengths,
              library::DurationProbe probe);

    // Lists the recordings of `folder` off the interface thread: the table
    // empties now, fills when the listing arrives, and the lengths fill in
    // after it, newest first, while the merge list and Merge keep working.
    void list(const QString& folder);
    library::ListingSession* listing() const { return listing_; }
    // The last listing is in the table whole, with every length it gets.
    bool listingComplete() const;

    TitleBand* titleBand() const { return band_; }
    QLineEdit* mergeDirEdit() const { return mergeDirEdit_; }
    QTableWidget* sourceTable() const { return sourceTable_; }
    QTableWidget* targetTable() const { return targetTable_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* upButton() const { return upButton_; }
    QPushButton* downButton() const { return downButton_; }
    QPushButton* deleteButton() const { return deleteButton_; }
    QPushButton* mergeButton() const { return mergeButton_; }

    const library::MergeList& mergeList() const { return mergeList_; }
    // The folder list's chosen recording, by its full path, at the end of
    // the merge list; rows listed from different folders join what was chosen.
    void addChosen();
    // Moves the merge list's chosen row one `step` (-1 up, 1 down).
    void moveChosen(int step);
    void removeChosen();
    // Add follows the folder list's choice; up, down and delete follow the
    // merge list's.
    void followFolderChoice();
    void followListChoice();

signals:
    void backClicked();
    void folderClicked();
    // The folder field lost the focus with a folder in it.
    void folderEdited(const QString& folder);
    void sourceClicked(QTableWidgetItem* item);
    void sourceDoubleClicked(QTableWidgetItem* item);
    void targetClicked(QTableWidgetItem* item);
    void addClicked();
    void upClicked();
    void downClicked();
    void deleteClicked();
    void mergeClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The up, down and delete buttons for the merge list's row `row`
    // (-1: none selected), and merge for the list's length.
    void showListButtons(int row);
    void showListing();
    void showLength(int record, const QString& duration);

    library::MergeList mergeList_;
    TitleBand* band_;
    library::ListingSession* listing_ = nullptr;
    TableFiller* filler_ = nullptr;
    QLineEdit* mergeDirEdit_ = nullptr;
    QTableWidget* sourceTable_ = nullptr;
    QTableWidget* targetTable_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QPushButton* mergeButton_ = nullptr;
};

} // namespace ui
