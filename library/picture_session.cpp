#include "library/picture_session.h"

#include "library/report_inbox.h"

#include <QFile>

#include <utility>
#include <vector>

namespace library {

// What the worker's threads told, waiting for the interface thread: each
// picture's file as a report.
struct PictureSession::Inbox : ReportInbox<> { };

PictureSession::PictureSession(std::shared_ptr<PictureCache> cache, PictureMaker make, unsigned runs, QObject* parent)
    : QObject(parent), worker_(std::move(cache), std::move(make), runs)
{
}

// The worker stops before the inbox goes; a posted take() dies with this.
PictureSession::~PictureSession() { worker_.stop(); }

void PictureSession::start(const QString& folder, const RecordingListing& records, PictureKind kind)
{
    worker_.stop();
    done_ = false;
    auto inbox = std::make_shared<Inbox>();
    inbox_ = inbox;
    auto post = [this, inbox](auto&& store) { inbox->post(this, store, [this, inbox] { take(inbox); }); };
    std::vector<PictureKey> jobs;
    jobs.reserve(records.size());
    const std::string where = folder.toStdString();
    for (const VideoFileInfo& r : records)
        jobs.push_back({RecordingPath(where, r.name), r.size, r.stamp, kind});
    PictureWorker::Callbacks callbacks;
    callbacks.known = [post](std::size_t job, const std::string& file) {
        post([&](auto& in) { in.reports.emplace_back(job, file); });
    };
    callbacks.finished = [post] { post([](auto& in) { in.finished = true; }); };
    // A list's pictures are the folder's whole listing; a strip's are not.
    worker_.start(std::move(jobs), std::move(callbacks), kind == PictureKind::Row ? where : std::string());
}

void PictureSession::prefer(int first, int last)
{
    if (first >= 0 && last >= first)
        worker_.prefer(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
}

void PictureSession::stop()
{
    worker_.stop();
    inbox_.reset();
    done_ = true;
}

void PictureSession::take(const std::shared_ptr<Inbox>& inbox)
{
    if (inbox != inbox_)
        return; // of pictures dropped since
    std::vector<std::pair<std::size_t, std::string>> pictures;
    bool finished = false;
    {
        const std::lock_guard lock(inbox->mutex);
        pictures = inbox->next(
            kPicturesPerTurn, this, [this, inbox] { take(inbox); }, finished);
    }
    for (const auto& [record, file] : pictures) {
        if (inbox != inbox_)
            return; // a slot started anew
        emit pictureKnown(static_cast<int>(record),
                          file.empty() ? QString() : QFile::decodeName(QByteArray::fromStdString(file)));
    }
    if (finished && inbox == inbox_ && !done_) {
        done_ = true;
        emit picturesDone();
    }
}

} // namespace library
