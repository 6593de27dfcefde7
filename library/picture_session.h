#pragma once
// Pictures of a folder's recordings for a page of the window: made by a
// PictureWorker off the interface thread and reported here a batch per turn
// of the event loop, so that a folder whose pictures are all known never
// holds the window long. QtCore only.
#include "library/picture_worker.h"
#include "library/recordings_listing.h"

#include <QObject>
#include <QString>

#include <memory>

namespace library {

class PictureSession : public QObject {
    Q_OBJECT
public:
    // Pictures reported per turn of the event loop.
    static constexpr int kPicturesPerTurn = 100;
    // Encoder runs at a time for a list: pictures share the machine with
    // the window and with whatever the user plays.
    static constexpr unsigned kRuns = 2;

    PictureSession(std::shared_ptr<PictureCache> cache, PictureMaker make, unsigned runs = kRuns,
                   QObject* parent = nullptr);
    ~PictureSession() override;

    // The pictures of `kind` of `records` (files of `folder`), dropping
    // those under way: nothing of them is reported after this returns.
    void start(const QString& folder, const RecordingListing& records, PictureKind kind);
    // The records from `first` to `last` before any other.
    void prefer(int first, int last);
    // Drops the pictures under way; the encoder runs are asked to stop.
    void stop();
    // Every picture of the last start() has been reported (true before any).
    bool done() const { return done_; }

signals:
    // The record's index in start()'s records; `file` is its PNG, empty when
    // it gave none.
    void pictureKnown(int record, const QString& file);
    void picturesDone();

private:
    struct Inbox;
    void take(const std::shared_ptr<Inbox>& inbox);

    PictureWorker worker_;
    std::shared_ptr<Inbox> inbox_; // of the pictures under way
    bool done_ = true;
};

} // namespace library
