#pragma once
// Keeps a take on the disk while it is recorded: about once a second it
// pushes what the encoder has written of both working files from the
// system's cache to the disk, and the folder's entries for them once they
// appear. A power cut then loses at most the last second or two. Qt-free.
#include "takes/take_files.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace takes {

class TakeFlusher {
public:
    explicit TakeFlusher(TakeFiles files);
    // Stops at once; a flush under way is finished first.
    ~TakeFlusher();
    TakeFlusher(const TakeFlusher&) = delete;
    TakeFlusher& operator=(const TakeFlusher&) = delete;

private:
    void run(std::stop_token stop);

    const TakeFiles files_;
    std::mutex mutex_;
    std::condition_variable_any wake_; // only waited on, for a stop
    std::jthread thread_;
};

} // namespace takes
