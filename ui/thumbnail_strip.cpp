#include "ui/thumbnail_strip.h"

#include "library/picture_ops.h"
#include "i18n/language_config.h"
#include "library/listing_session.h"
#include "library/picture_session.h"
#include "ui/recordings_tables.h"
#include "ui/row_pictures.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QSlider>
#include <QTableWidget>

using library::kStripPictures;
using i18n::GuiText;
using library::ListingSession;
using library::PictureKind;
using library::PictureSession;

namespace ui {

namespace {

// A screen reader is told the strip is a picture, not a control to use.
QAccessibleInterface* stripAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("ThumbnailStrip") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

} // namespace

ThumbnailStrip::ThumbnailStrip(QWidget* parent, QTableWidget* table, ListingSession* listing, QSlider* slider)
    : QWidget(parent), table_(table), listing_(listing), slider_(slider),
      session_(new PictureSession(SharedPictureCache(), EncoderPictures(), 1, this))
{
    static const bool factory = [] {
        QAccessible::installFactory(stripAccessible);
        return true;
    }();
    (void)factory;
    setObjectName(QStringLiteral("ThumbnailStrip"));
    setAccessibleName(GuiText("MainWnd/PictureStrip"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedHeight(kHeight);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &ThumbnailStrip::follow);
    connect(session_, &PictureSession::pictureKnown, this, [this](int, const QString& file) {
        strip_ = file.isEmpty() ? QPixmap() : QPixmap(file);
        none_ = strip_.isNull();
        update();
    });
}

void ThumbnailStrip::follow()
{
    strip_ = QPixmap();
    none_ = false;
    update();
    const int row = selectedRow(table_);
    if (row < 0 || row >= static_cast<int>(listing_->records().size()) || !isVisible()) {
        session_->stop();
        return;
    }
    session_->start(listing_->folder(), {listing_->records()[static_cast<std::size_t>(row)]}, PictureKind::Strip);
}

void ThumbnailStrip::hideEvent(QHideEvent* event)
{
    session_->stop();
    QWidget::hideEvent(event);
}

void ThumbnailStrip::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (strip_.isNull() && !none_)
        follow();
}

void ThumbnailStrip::paintEvent(QPaintEvent*)
{
    if (strip_.isNull() && !none_)
        return; // nothing chosen yet, or still being made
    // The slider's groove, in this widget's coordinates.
    const QPoint at = slider_->mapTo(parentWidget(), QPoint(0, 0)) - pos();
    const QRect along(at.x(), 0, slider_->width(), height());
    const int count = kStripPictures;
    const int slot = along.width() / count;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int frameWidth = strip_.isNull() ? 0 : strip_.width() / count;
    for (int i = 0; i < count; ++i) {
        const QRect cell(along.x() + i * slot + 1, 0, slot - 2, height());
        if (strip_.isNull()) {
            painter.drawPixmap(cell, NoPictureIcon().pixmap(cell.size()));
            continue;
        }
        const QRect source(i * frameWidth, 0, frameWidth, strip_.height());
        QSize fitted = source.size().scaled(cell.size(), Qt::KeepAspectRatio);
        painter.drawPixmap(QRect(cell.center() - QPoint(fitted.width() / 2, fitted.height() / 2), fitted), strip_,
                           source);
    }
}

} // namespace ui
