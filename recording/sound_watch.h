#pragma once
// The record page's live sound: one capture of each source the audio choice
// takes, kept while the page is shown or a recording runs and dropped
// otherwise (then no stream is open at all). Their levels are polled about
// 20 times a second, and only what a meter shows differently is told. The
// captures are handed to the recording at Start, so that it begins with the
// sound that was already there. QtCore only.
#include "capture/sound_capture.h"
#include "recording/source_meter.h"

#include <QObject>

#include <array>
#include <memory>
#include <string>

class QTimer;

namespace recording {

class SoundWatch : public QObject {
    Q_OBJECT
public:
    enum Source { ComputerSound = 0, Microphone = 1 };
    static constexpr int kSources = 2;

    explicit SoundWatch(QObject* parent = nullptr);
    ~SoundWatch() override;

    // The audio choice: its mode (recording::AudioMode) and the two
    // sources' names (empty when none was found). A change made while a
    // recording runs is taken when it ends: the meters follow what is
    // recorded.
    void choose(int audioMode, const std::string& computerSound, const std::string& microphone);
    void setPageShown(bool shown);
    void setRecording(bool recording);

    // Whether the audio choice takes `source`.
    bool chosen(Source source) const;
    // The live capture of `source`, null when it is not watched.
    std::shared_ptr<capture::SoundCapture> capture(Source source) const;
    MeterReading reading(Source source) const;

signals:
    // A meter shows something else: another whole dB, or another warning.
    void readingChanged(int source, const recording::MeterReading& reading);
    // A source fell silent or went away while recording (once for each time).
    void noticeDue(int source, recording::SourceWarning warning);

private:
    struct Watched {
        std::string name;
        std::shared_ptr<capture::SoundCapture> capture;
        SourceMeter meter;
        MeterReading reading;
    };

    void apply();
    void poll();
    void show(int source, const MeterReading& reading);

    int mode_;
    std::array<std::string, kSources> names_;
    bool pageShown_ = false;
    bool recording_ = false;
    std::array<Watched, kSources> watched_;
    QTimer* timer_;
};

} // namespace recording
