#pragma once
// A folder's recordings for a page of the window: the listing arrives at once
// as a signal, the lengths after it, newest first, a batch at a time so that
// the interface thread is never held long. QtCore only; the scan runs on a
// thread of its own.
#include "library/duration_cache.h"
#include "library/folder_scan.h"
#include "library/recordings_listing.h"
#include "media/recording_length.h"

#include <QObject>
#include <QString>

#include <memory>

namespace library {

class ListingSession : public QObject {
    Q_OBJECT
public:
    enum class Lengths { Read, Skip };
    // Lengths reported per turn of the event loop.
    static constexpr int kLengthsPerTurn = 200;

    ListingSession(std::shared_ptr<DurationCache> cache, media::DurationProbe probe, Lengths lengths,
                   QObject* parent = nullptr);
    ~ListingSession() override;

    // Lists `folder`, dropping the listing under way: nothing of it is
    // reported after this returns.
    void list(const QString& folder);

    const QString& folder() const { return folder_; }
    // The records of the last listing, newest first, with the lengths known
    // so far.
    const RecordingListing& records() const { return records_; }
    // The last listing has been reported; and so has every length it gets
    // (true before anything is listed).
    bool listed() const { return listed_; }
    bool done() const { return done_; }

signals:
    // list() has dropped the listing shown so far.
    void listingStarted();
    // records() holds the new listing; `searched` is false, with none, when
    // the folder cannot be searched.
    void listingShown(bool searched);
    // The record's index in records().
    void lengthKnown(int record, const QString& duration);
    void lengthsDone();

private:
    struct Inbox;
    void take(const std::shared_ptr<Inbox>& inbox);

    FolderScan scan_;
    Lengths lengths_;
    QString folder_;
    RecordingListing records_;
    std::shared_ptr<Inbox> inbox_; // of the listing under way
    bool listed_ = false;
    bool done_ = true;
};

} // namespace library
