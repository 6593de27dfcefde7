#pragma once
// The pictures in the rows of a page's list of recordings. They are asked
// for once the whole listing is in the table and the page is shown, the rows
// in view first, and each replaces its row's icon as it arrives; a new
// listing or leaving the page drops what is pending. A recording that gives
// no picture gets a neutral placeholder.
#include "library/picture_worker.h"

#include <QIcon>
#include <QObject>
#include <QSize>

#include <memory>

namespace library {
class ListingSession;
class PictureSession;
} // namespace library
class QTableWidget;
class QWidget;

namespace ui {

class RowPictures : public QObject {
public:
    // The picture's file on the row's first item, "none" for a recording
    // that gave none.
    static constexpr int kPictureRole = Qt::UserRole + 1;
    static constexpr QSize kIconSize{48, 27};

    // Lives as long as `table`; `page` is the page the table is on.
    RowPictures(QTableWidget* table, library::ListingSession* listing, QWidget* page);
    library::PictureSession* session() const { return session_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Starts once the table holds the whole listing, checked each turn.
    void startWhenFilled(int round);
    void preferShown();
    void show(int record, const QString& file);

    QTableWidget* table_;
    library::ListingSession* listing_;
    QWidget* page_;
    library::PictureSession* session_;
    int round_ = 0;       // of the listing; a newer one drops an older wait
    bool wanted_ = false; // the listing is done and its pictures not started
};

// The picture cache every page shares, in the user's cache folder; made on
// first use and kept while a page uses it.
std::shared_ptr<library::PictureCache> SharedPictureCache();
// The encoder's pictures, for a PictureWorker.
library::PictureMaker EncoderPictures();
// Shown for a recording that gives no picture.
QIcon NoPictureIcon();

} // namespace ui
