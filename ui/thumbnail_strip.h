#pragma once
// The strip of pictures along the cut page's position slider: frames evenly
// spaced over the chosen recording, each under its stretch of the slider,
// made off the interface thread when a recording is chosen. Decorative: it
// takes neither focus nor clicks (the slider seeks), and a screen reader
// meets it as a named picture.
#include <QPixmap>
#include <QWidget>

namespace library {
class ListingSession;
class PictureSession;
} // namespace library
class QSlider;
class QTableWidget;

namespace ui {

class ThumbnailStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 40;

    // Follows the choice in `table`, whose rows are `listing`'s records, and
    // lays its pictures under `slider`.
    ThumbnailStrip(QWidget* parent, QTableWidget* table, library::ListingSession* listing, QSlider* slider);

    // The strip is shown: pictures of the chosen recording, or its
    // placeholder when it gave none.
    bool showsPictures() const { return !strip_.isNull(); }
    bool showsPlaceholder() const { return none_; }
    library::PictureSession* session() const { return session_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void follow();

    QTableWidget* table_;
    library::ListingSession* listing_;
    QSlider* slider_;
    library::PictureSession* session_;
    QPixmap strip_;
    bool none_ = false;
};

} // namespace ui
