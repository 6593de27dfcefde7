#include "audio/audio_discovery.h"

#include "platform/worker_thread.h"

#include <QMetaObject>
#include <QPointer>

namespace audio {

AudioDiscovery::AudioDiscovery(QObject* parent) : QObject(parent), discover_(platform::discoverAudioSources) { }

AudioDiscovery::~AudioDiscovery()
{
    if (thread_.joinable())
        thread_.join();
}

void AudioDiscovery::start()
{
    if (running_) {
        again_ = true;
        return;
    }
    launch();
}

void AudioDiscovery::launch()
{
    if (thread_.joinable())
        thread_.join(); // ended: its result has arrived
    running_ = true;
    again_ = false;
    thread_ = platform::startWorker([this, discover = discover_] {
        const platform::AudioSources found = discover();
        // The destructor joins this thread, so `this` outlives the call; a
        // posted call dies with the object.
        QMetaObject::invokeMethod(
            this, [this, found] { ended(found); }, Qt::QueuedConnection);
    });
}

void AudioDiscovery::ended(const platform::AudioSources& found)
{
    running_ = false;
    found_ = found;
    if (again_)
        launch();
    emit finished(found);
}

} // namespace audio
