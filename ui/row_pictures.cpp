#include "ui/row_pictures.h"

#include "library/picture_ops.h"
#include "library/listing_session.h"
#include "library/picture_session.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

using library::MakeRowPicture;
using library::MakeStripPicture;
using library::DefaultPictureCacheFolder;
using library::ListingSession;
using library::PictureCache;
using library::PictureKind;
using library::PictureMaker;
using library::PictureSession;

namespace ui {

namespace {

// The picture's frame keeps its row apart from the next.
constexpr int kRowMargin = 4;
constexpr int kSettleMs = 300;

} // namespace

std::shared_ptr<PictureCache> SharedPictureCache()
{
    static std::weak_ptr<PictureCache> shared;
    std::shared_ptr<PictureCache> cache = shared.lock();
    if (!cache) {
        cache = std::make_shared<PictureCache>(DefaultPictureCacheFolder());
        shared = cache;
    }
    return cache;
}

PictureMaker EncoderPictures()
{
    return [](const std::string& source, const std::string& output, PictureKind kind, std::stop_token stop) {
        return kind == PictureKind::Strip ? MakeStripPicture(source, output, std::move(stop))
                                          : MakeRowPicture(source, output, std::move(stop));
    };
}

QIcon NoPictureIcon()
{
    static const QIcon icon = [] {
        QPixmap pixmap(RowPictures::kIconSize);
        pixmap.fill(QColor(70, 70, 70));
        QPainter painter(&pixmap);
        painter.setPen(QColor(130, 130, 130));
        painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
        return QIcon(pixmap);
    }();
    return icon;
}

RowPictures::RowPictures(QTableWidget* table, ListingSession* listing, QWidget* page)
    : QObject(table), table_(table), listing_(listing), page_(page),
      session_(new PictureSession(SharedPictureCache(), EncoderPictures(), PictureSession::kRuns, this))
{
    table_->setIconSize(kIconSize);
    table_->verticalHeader()->setDefaultSectionSize(kIconSize.height() + kRowMargin);
    connect(session_, &PictureSession::pictureKnown, this, &RowPictures::show);
    connect(listing_, &ListingSession::listingStarted, this, [this] {
        ++round_;
        wanted_ = false;
        session_->stop();
    });
    connect(listing_, &ListingSession::lengthsDone, this, [this] {
        wanted_ = true;
        // Once the list has stood a moment: a user passing through the page
        // starts no encoder, and the listing's last event stays as short as
        // it was.
        QTimer::singleShot(kSettleMs, this, [this, round = round_] { startWhenFilled(round); });
    });
    connect(table_->verticalScrollBar(), &QScrollBar::valueChanged, this, &RowPictures::preferShown);
    page_->installEventFilter(this);
}

bool RowPictures::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == page_) {
        // Pictures are made only for a page in view.
        if (event->type() == QEvent::Hide && !session_->done()) {
            session_->stop();
            wanted_ = true;
        } else if (event->type() == QEvent::Show && wanted_) {
            startWhenFilled(round_);
        }
    }
    return QObject::eventFilter(watched, event);
}

void RowPictures::startWhenFilled(int round)
{
    if (round != round_ || !wanted_ || !page_->isVisible())
        return;
    const auto rows = static_cast<int>(listing_->records().size());
    // The table fills a batch of rows per turn, in order.
    if (table_->rowCount() != rows || (rows > 0 && !table_->item(rows - 1, 0))) {
        QTimer::singleShot(0, this, [this, round] { startWhenFilled(round); });
        return;
    }
    wanted_ = false;
    session_->start(listing_->folder(), listing_->records(), PictureKind::Row);
    preferShown();
}

void RowPictures::preferShown()
{
    const int first = std::max(0, table_->rowAt(0));
    const int last = table_->rowAt(table_->viewport()->height() - 1);
    session_->prefer(first, last < 0 ? table_->rowCount() - 1 : last);
}

void RowPictures::show(int record, const QString& file)
{
    QTableWidgetItem* item = table_->item(record, 0);
    if (!item)
        return;
    if (file.isEmpty()) {
        item->setIcon(NoPictureIcon());
        item->setData(kPictureRole, QStringLiteral("none"));
        return;
    }
    // Read when the row is drawn: a folder of thousands costs nothing here.
    item->setIcon(QIcon(file));
    item->setData(kPictureRole, file);
}

} // namespace ui
