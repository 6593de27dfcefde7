#pragma once
// Makes the pictures of a listing off the caller's thread: at most `runs`
// encoder runs at a time, the rows the caller shows first and then the rest
// in the listing's order (newest first). A picture the cache knows comes
// without a run; one that failed once is not tried again until its file
// changes. Qt-free.
#include "library/picture_cache.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace library {

// Writes the picture of `kind` of `source` to `output`; true when it is
// there. Runs on the worker's threads; a requested `stop` should end it soon.
using PictureMaker =
    std::function<bool(const std::string& source, const std::string& output, PictureKind kind, std::stop_token stop)>;

class PictureWorker {
public:
    // Made on the worker's threads, one at a time. `file` is the picture,
    // empty when the recording gave none. They may not call the worker.
    struct Callbacks {
        std::function<void(std::size_t job, const std::string& file)> known;
        std::function<void()> finished;
    };

    // How long the destructor waits for a run to end before letting its
    // thread go (a read stuck on a vanished network mount).
    static constexpr int kJoinWithinMs = 3000;

    PictureWorker(std::shared_ptr<PictureCache> cache, PictureMaker make, unsigned runs);
    // Stops as stop() does and waits for the threads.
    ~PictureWorker();
    PictureWorker(const PictureWorker&) = delete;
    PictureWorker& operator=(const PictureWorker&) = delete;

    // The pictures of `jobs`, replacing the work under way as stop() does.
    // With a `wholeFolder`, the jobs are that folder's whole listing: once
    // every one is done, the cache forgets the folder's files that are gone.
    void start(std::vector<PictureKey> jobs, Callbacks callbacks, std::string wholeFolder = {});
    // The jobs from `first` to `last` (inclusive) before any other.
    void prefer(std::size_t first, std::size_t last);
    // Drops what is pending and asks the runs under way to stop. No callback
    // comes after this returns; it waits only for a callback being made.
    void stop();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace library
