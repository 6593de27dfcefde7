#include "library/listing_session.h"

#include "library/report_inbox.h"
#include "media/recording_length.h"

#include <optional>
#include <utility>
#include <vector>

namespace library {

using media::DurationProbe;

// What the scan's thread told, waiting for the interface thread: the
// listing, and the lengths as reports.
struct ListingSession::Inbox : ReportInbox<std::optional<std::pair<RecordingListing, bool>>> { };

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
    // The scan is cancelled before this session goes.
    auto post = [this, inbox](auto&& store) { inbox->post(this, store, [this, inbox] { take(inbox); }); };
    FolderScan::Callbacks callbacks;
    callbacks.listed = [post](const RecordingListing& listing, bool searched) {
        post([&](auto& in) { in.extra.emplace(listing, searched); });
    };
    if (lengths_ == Lengths::Read)
        callbacks.lengthKnown = [post](std::size_t record, const std::string& duration) {
            post([&](auto& in) { in.reports.emplace_back(record, duration); });
        };
    callbacks.finished = [post] { post([](auto& in) { in.finished = true; }); };
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
        listing = std::move(inbox->extra);
        inbox->extra.reset();
        lengths = inbox->next(
            kLengthsPerTurn, this, [this, inbox] { take(inbox); }, finished);
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
