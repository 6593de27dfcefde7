#include "recording/sound_watch.h"

#include "recording/record_command.h"

#include <QTimer>

namespace recording {

namespace {

constexpr int kPollMs = 50;

bool takes(int mode, int source)
{
    return mode == AudioComputerSoundAndMic || (source == SoundWatch::ComputerSound && mode == AudioComputerSound)
        || (source == SoundWatch::Microphone && mode == AudioMicrophone);
}

} // namespace

SoundWatch::SoundWatch(QObject* parent) : QObject(parent), mode_(AudioNone), timer_(new QTimer(this))
{
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &SoundWatch::poll);
}

SoundWatch::~SoundWatch() = default;

void SoundWatch::choose(int audioMode, const std::string& computerSound, const std::string& microphone)
{
    mode_ = audioMode;
    names_ = {computerSound, microphone};
    if (!recording_)
        apply();
}

void SoundWatch::setPageShown(bool shown)
{
    pageShown_ = shown;
    if (!recording_)
        apply();
}

void SoundWatch::setRecording(bool recording)
{
    recording_ = recording;
    apply();
    if (recording)
        poll(); // a warning already standing is told at the start
}

bool SoundWatch::chosen(Source source) const { return takes(mode_, source); }

std::shared_ptr<capture::SoundCapture> SoundWatch::capture(Source source) const { return watched_[source].capture; }

MeterReading SoundWatch::reading(Source source) const { return watched_[source].reading; }

void SoundWatch::apply()
{
    const bool watching = pageShown_ || recording_;
    for (int s = 0; s < kSources; ++s) {
        Watched& w = watched_[s];
        const std::string wanted = watching && takes(mode_, s) ? names_[s] : std::string();
        if (w.name == wanted)
            continue;
        // A recording that holds the old capture keeps it alive.
        w.capture.reset();
        w.name = wanted;
        w.meter = SourceMeter{};
        if (!wanted.empty())
            w.capture = std::make_shared<capture::SoundCapture>(wanted);
        show(s, {});
    }
    if (!watched_[ComputerSound].capture && !watched_[Microphone].capture)
        timer_->stop();
    else if (!timer_->isActive())
        timer_->start();
}

void SoundWatch::poll()
{
    for (int s = 0; s < kSources; ++s) {
        Watched& w = watched_[s];
        if (!w.capture)
            continue;
        show(s, w.meter.read(w.capture->level()));
        if (w.meter.noticeDue(recording_))
            emit noticeDue(s, w.reading.warning);
    }
}

void SoundWatch::show(int source, const MeterReading& reading)
{
    if (watched_[source].reading == reading)
        return;
    watched_[source].reading = reading;
    emit readingChanged(source, reading);
}

} // namespace recording
