#pragma once
// The sound devices, found on a thread of their own: a sound server may take
// a second and more to answer, and the window must not wait for it. The
// result arrives as a signal on the thread that asked. QtCore only.
#include "platform/audio_sources.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace audio {

class AudioDiscovery : public QObject {
    Q_OBJECT
public:
    using Discover = std::function<platform::AudioSources()>;

    explicit AudioDiscovery(QObject* parent = nullptr);
    // Waits for a discovery under way: each ends within the sound server's
    // bounded answer time.
    ~AudioDiscovery() override;

    // For tests: a discovery that can be held or made to find anything.
    void setDiscover(Discover discover) { discover_ = std::move(discover); }

    // Starts a discovery. Asked while one runs, another follows it, so that
    // the last result is never older than the last request.
    void start();
    bool running() const { return running_; }
    // The last result; empty until the first discovery has ended.
    const std::optional<platform::AudioSources>& found() const { return found_; }

signals:
    void finished(const platform::AudioSources& found);

private:
    void launch();
    void ended(const platform::AudioSources& found);

    Discover discover_;
    std::jthread thread_;
    bool running_ = false;
    bool again_ = false;
    std::optional<platform::AudioSources> found_;
};

} // namespace audio
