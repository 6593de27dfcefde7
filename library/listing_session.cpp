#include "library/listing_session.h"

#include <QMetaObject>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace library {

using util::DurationProbe;

// What the scan's thread told, waiting for the interface thread.
struct ListingSession::Inbox {
    std::mutex mutex;
    std::optional<std::pair<RecordingListing, bool>> listing;
    std::vector<std::pair<std::size_t, std::string>> lengths;
    std::size_t lengthsTaken = 0;
    bool finished = false;
    bool posted = false; // a take() is on its way
};

ListingSession::ListingSession(std::shared_ptr<DurationCache> cache, DurationProbe probe, Lengths lengths,
                               QObject* parent)
    : QObject(parent), scan_(std::move(cache), std::move(probe)), lengths_(lengths)
{
}

ListingSession::~ListingSession() { scan_.cancel(); }

void ListingSession::list(const QString& folder)
{
    folder_ = folder;
    records_.clear();
    listed_ = false;
    done_ = false;
    auto inbox = std::make_shared<Inbox>();
    inbox_ = inbox;
    emit listingStarted();
    // One take() posted at a time, however many reports come meanwhile. The
    // scan is cancelled before this session goes, and a posted call dies
    // with it.
    auto post = [this, inbox](auto&& store) {
        const std::lock_guard lock(inbox->mutex);
        store(*inbox);
        if (inbox->posted)
            return;
        inbox->posted = true;
        QMetaObject::invokeMethod(
            this, [this, inbox] { take(inbox); }, Qt::QueuedConnection);
    };
    FolderScan::Callbacks callbacks;
    callbacks.listed = [post](const RecordingListing& listing, bool searched) {
        post([&](Inbox& in) { in.listing.emplace(listing, searched); });
    };
    if (lengths_ == Lengths::Read)
        callbacks.lengthKnown = [post](std::size_t record, const std::string& duration) {
            post([&](Inbox& in) { in.lengths.emplace_back(record, duration); });
        };
    callbacks.finished = [post] { post([](Inbox& in) { in.finished = true; }); };
    scan_.start(folder.toStdString(), std::move(callbacks));
}

void ListingSession::take(const std::shared_ptr<Inbox>& inbox)
{
    if (inbox != inbox_)
        return; // of a listing dropped since
    std::optional<std::pair<RecordingListing, bool>> listing;
    std::vector<std::pair<std::size_t, std::string>> lengths;
    bool finished = false;
    {
        const std::lock_guard lock(inbox->mutex);
        listing = std::move(inbox->listing);
        inbox->listing.reset();
        const std::size_t end = std::min(inbox->lengths.size(), inbox->lengthsTaken + kLengthsPerTurn);
        lengths.assign(inbox->lengths.begin() + static_cast<std::ptrdiff_t>(inbox->lengthsTaken),
                       inbox->lengths.begin() + static_cast<std::ptrdiff_t>(end));
        inbox->lengthsTaken = end;
        if (inbox->lengthsTaken == inbox->lengths.size()) {
            inbox->lengths.clear();
            inbox->lengthsTaken = 0;
            finished = inbox->finished;
            inbox->posted = false;
        } else {
            // More than one turn's worth: the rest on the next turn, so that
            // the window draws and answers in between.
            QMetaObject::invokeMethod(
                this, [this, inbox] { take(inbox); }, Qt::QueuedConnection);
        }
    }
    if (listing) {
        records_ = std::move(listing->first);
        listed_ = true;
        emit listingShown(listing->second);
    }
    for (auto& [record, duration] : lengths) {
        if (inbox != inbox_)
            return; // a slot listed anew
        if (record >= records_.size())
            continue;
        records_[record].duration = duration;
        emit lengthKnown(static_cast<int>(record), QString::fromStdString(duration));
    }
    if (finished && inbox == inbox_ && !done_) {
        done_ = true;
        emit lengthsDone();
    }
}

} // namespace library
