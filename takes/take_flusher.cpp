#include "takes/take_flusher.h"

#include "platform/files.h"
#include "platform/worker_thread.h"

#include <chrono>

namespace takes {

namespace {

constexpr auto kFlushPeriod = std::chrono::seconds(1);

} // namespace

TakeFlusher::TakeFlusher(TakeFiles files)
    : files_(std::move(files)), thread_(platform::startWorker([this](std::stop_token stop) { run(stop); }))
{
}

TakeFlusher::~TakeFlusher()
{
    thread_.request_stop(); // wakes the wait
    thread_.join();
}

void TakeFlusher::run(std::stop_token stop)
{
    bool named = false;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_for(lock, stop, kFlushPeriod, [] { return false; });
        if (stop.stop_requested())
            return;
        const bool written = platform::flushFileToDisk(files_.working);
        // The MP4 is of use only once finished, but flushing it as it grows
        // leaves little to flush at the end.
        platform::flushFileToDisk(files_.workingMp4);
        if (written && !named)
            named = platform::flushFolderOf(files_.working);
    }
}

} // namespace takes
