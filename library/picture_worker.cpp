#include "library/picture_worker.h"

#include "library/recordings_listing.h"
#include "platform/thread_priority.h"
#include "platform/worker_thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace library {

namespace {

// The index is written now and then while pictures come, so that a crash
// loses little, and at the end of every batch.
constexpr int kSaveEvery = 50;

} // namespace

// One start()'s jobs.
struct Batch {
    std::vector<PictureKey> jobs;
    PictureWorker::Callbacks callbacks;
    std::string wholeFolder;
    std::set<std::size_t> pending;
    std::size_t preferFirst = 0;
    std::size_t preferLast = 0;
    int underWay = 0;
    std::stop_source stop;
};

struct PictureWorker::Shared {
    std::shared_ptr<PictureCache> cache;
    PictureMaker make;

    std::mutex mutex; // guards what follows; held while a callback is made
    std::condition_variable wake;
    std::shared_ptr<Batch> batch; // the current one; null when stopped
    bool quit = false;
    unsigned running = 0; // threads not yet ended
    std::condition_variable ended;

    // The next job, the preferred rows first; npos when none is pending.
    static std::size_t take(Batch& b)
    {
        if (b.pending.empty())
            return std::size_t(-1);
        auto it = b.pending.lower_bound(b.preferFirst);
        if (it == b.pending.end() || *it > b.preferLast)
            it = b.pending.begin();
        const std::size_t job = *it;
        b.pending.erase(it);
        return job;
    }

    void forgetGone(const Batch& b)
    {
        std::vector<std::string> names;
        const std::size_t cut = RecordingPath(b.wholeFolder, "").size();
        for (const PictureKey& key : b.jobs)
            names.push_back(key.path.substr(cut));
        cache->forgetGone(b.wholeFolder, names);
    }

    void run()
    {
        // The encoder runs started here inherit the lower priority: pictures
        // never take the processor from the window.
        platform::lowerThisThreadPriority();
        int unsaved = 0;
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return quit || (batch && !batch->pending.empty()); });
            if (quit)
                break;
            const std::shared_ptr<Batch> b = batch;
            const std::size_t job = take(*b);
            ++b->underWay;
            const PictureKey key = b->jobs[job];
            const std::stop_token stop = b->stop.get_token();
            lock.unlock();

            std::string file;
            PictureCache::State state = cache->find(key);
            if (state == PictureCache::State::Unknown && !stop.stop_requested()) {
                const std::string output = cache->pictureFile(key);
                const bool made = cache->makeFolder() && make(key.path, output, key.kind, stop);
                // A run cut short by a stop says nothing of the file.
                if (!stop.stop_requested()) {
                    cache->remember(key, made);
                    ++unsaved;
                    state = made ? PictureCache::State::Made : PictureCache::State::None;
                }
            }
            if (state == PictureCache::State::Made)
                file = cache->pictureFile(key);
            if (unsaved >= kSaveEvery) {
                cache->save();
                unsaved = 0;
            }

            lock.lock();
            --b->underWay;
            if (b != batch)
                continue; // stopped meanwhile: nothing more is told
            if (state != PictureCache::State::Unknown && b->callbacks.known)
                b->callbacks.known(job, file);
            if (b->pending.empty() && b->underWay == 0) {
                if (b->callbacks.finished)
                    b->callbacks.finished();
                batch.reset();
                lock.unlock();
                if (!b->wholeFolder.empty())
                    forgetGone(*b);
                cache->save();
                unsaved = 0;
                lock.lock();
            }
        }
        lock.unlock();
        if (unsaved > 0)
            cache->save();
        lock.lock();
        --running;
        ended.notify_all();
    }
};

PictureWorker::PictureWorker(std::shared_ptr<PictureCache> cache, PictureMaker make, unsigned runs)
    : shared_(std::make_shared<Shared>())
{
    shared_->cache = std::move(cache);
    shared_->make = std::move(make);
    shared_->running = std::max(1u, runs);
    for (unsigned i = 0; i < shared_->running; ++i)
        platform::startWorker([shared = shared_] { shared->run(); }).detach();
}

PictureWorker::~PictureWorker()
{
    std::unique_lock lock(shared_->mutex);
    if (shared_->batch)
        shared_->batch->stop.request_stop();
    shared_->batch.reset();
    shared_->quit = true;
    shared_->wake.notify_all();
    // The threads hold what they use themselves: one still held after the
    // wait (a run ignoring its stop is ended by force well within it) ends
    // on its own.
    shared_->ended.wait_for(lock, std::chrono::milliseconds(kJoinWithinMs), [&] { return shared_->running == 0; });
}

void PictureWorker::start(std::vector<PictureKey> jobs, Callbacks callbacks, std::string wholeFolder)
{
    auto b = std::make_shared<Batch>();
    b->jobs = std::move(jobs);
    b->callbacks = std::move(callbacks);
    b->wholeFolder = std::move(wholeFolder);
    for (std::size_t i = 0; i < b->jobs.size(); ++i)
        b->pending.insert(b->pending.end(), i);
    const std::lock_guard lock(shared_->mutex);
    if (shared_->batch)
        shared_->batch->stop.request_stop();
    if (b->jobs.empty()) {
        if (b->callbacks.finished)
            b->callbacks.finished();
        shared_->batch.reset();
        return;
    }
    shared_->batch = std::move(b);
    shared_->wake.notify_all();
}

void PictureWorker::prefer(std::size_t first, std::size_t last)
{
    const std::lock_guard lock(shared_->mutex);
    if (!shared_->batch)
        return;
    shared_->batch->preferFirst = first;
    shared_->batch->preferLast = last;
}

void PictureWorker::stop()
{
    const std::lock_guard lock(shared_->mutex);
    if (shared_->batch)
        shared_->batch->stop.request_stop();
    shared_->batch.reset();
}

} // namespace library
