#pragma once
// The cut page: a folder's recordings, the player's picture and position,
// and the buttons that play, take the marks and cut.
#include "library/duration_cache.h"

#include <QWidget>

#include <memory>
#include <string>

namespace library {
class ListingSession;
}
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;
class QTableWidgetItem;

namespace ui {

class TableFiller;
class TitleBand;

class CutPage : public QWidget {
    Q_OBJECT
public:
    // `lengths`: what is known of the recordings' lengths; the cut page
    // shows none, so it reads none.
    CutPage(QWidget* parent, int width, const QString& folder, std::shared_ptr<library::DurationCache> lengths);

    // Lists the recordings of `folder`, newest first, off the interface
    // thread: the table empties now and fills when the listing arrives.
    void list(const QString& folder);
    library::ListingSession* listing() const { return listing_; }
    // The last listing is in the table whole.
    bool listingComplete() const;

    TitleBand* titleBand() const { return band_; }
    QLineEdit* cutDirEdit() const { return cutDirEdit_; }
    QTableWidget* cutTable() const { return cutTable_; }
    QLabel* videoLabel() const { return videoLabel_; }
    QSlider* positionSlider() const { return positionSlider_; }
    QLabel* positionLabel() const { return positionLabel_; }
    QPushButton* playButton() const { return playButton_; }
    QPushButton* headButton() const { return headButton_; }
    QPushButton* tailButton() const { return tailButton_; }
    QPushButton* cutButton() const { return cutButton_; }
    QPushButton* previousFrameButton() const { return previousFrame_; }
    QPushButton* nextFrameButton() const { return nextFrame_; }
    QLabel* keyframeCutNote() const { return keyframeCutNote_; }
    QLabel* headLabel() const { return headLabel_; }
    QLabel* tailLabel() const { return tailLabel_; }

    // The chosen row's file name, with its own bytes; empty when none is chosen.
    std::string selectedName() const;
    // The play button as playing (it offers Pause) or not.
    void showPlaying(bool playing);
    // The position and, once known, the length.
    void showPosition(int sliderValue, const QString& label);
    void showLength(int sliderMaximum, const QString& label);
    // A new recording: no marks yet, nothing to cut.
    void clearMarks();
    void showStartMark(const QString& text);
    void showEndMark(const QString& text);
    // Says, before the cut, that the chosen recording is cut at keyframes.
    void showKeyframeCutNote(bool shown);

signals:
    void backClicked();
    void folderClicked();
    // The folder field lost the focus with a folder in it.
    void folderEdited(const QString& folder);
    void tableClicked(QTableWidgetItem* item);
    void tableDoubleClicked(QTableWidgetItem* item);
    void playClicked();
    void startMarkClicked();
    void endMarkClicked();
    void cutClicked();
    // One frame back or forward: the buttons, or the comma and full stop keys.
    void stepClicked(bool forward);
    void sliderMoved(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showListing();

    TitleBand* band_;
    library::ListingSession* listing_ = nullptr;
    TableFiller* filler_ = nullptr;
    QLineEdit* cutDirEdit_ = nullptr;
    QTableWidget* cutTable_ = nullptr;
    QLabel* videoLabel_ = nullptr;
    QSlider* positionSlider_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* headButton_ = nullptr;
    QPushButton* tailButton_ = nullptr;
    QPushButton* cutButton_ = nullptr;
    QPushButton* previousFrame_ = nullptr;
    QPushButton* nextFrame_ = nullptr;
    QLabel* keyframeCutNote_ = nullptr;
    QLabel* headLabel_ = nullptr;
    QLabel* tailLabel_ = nullptr;
};

} // namespace ui
