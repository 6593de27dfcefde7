#pragma once
// One chosen sound source, read from the moment it is chosen until it is
// let go: its level for the meters, whether it is silent or gone, and the
// last seconds of its sound, from which each recording's sound pump takes
// what it needs (so that a recording or a Resume starts with sound that was
// already there). A source that goes away is opened again once a second.
// Qt-free.
#include "platform/sound_stream.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace capture {

// Below this a source counts as silent; digital silence is far below it.
inline constexpr double kSilentDb = -60.0;
// A source silent (or gone) this long is worth a warning.
inline constexpr std::int64_t kSilentWarnMicros = 5'000'000;

struct SoundLevel {
    double peakDb = -120; // the loudest sample of the last 50 ms, in dBFS
    double rmsDb = -120;  // their mean power
    bool present = false; // the source is open and sending
    // How long the source has been below kSilentDb, or gone (0 while it is
    // heard); counts from the moment it was chosen.
    std::int64_t silentMicros = 0;
    bool silentTooLong() const { return silentMicros >= kSilentWarnMicros; }
};

// A piece of sound numbered in the order it came.
struct NumberedPiece {
    std::uint64_t number = 0;
    std::shared_ptr<const platform::SoundPiece> piece;
};

using SoundOpener = std::function<std::unique_ptr<platform::SoundStream>(const std::string&)>;

class SoundCapture {
public:
    // Starts reading `source` at once on a thread of its own. `open` is
    // for tests that must make a source fail on demand.
    explicit SoundCapture(std::string source, SoundOpener open = platform::openSoundStream);
    ~SoundCapture();
    SoundCapture(const SoundCapture&) = delete;
    SoundCapture& operator=(const SoundCapture&) = delete;

    const std::string& source() const { return source_; }
    SoundLevel level() const;
    // Waits until the first try to open the source has ended (the server
    // answers within about 1.5 s); true when it is open now.
    bool opened() const;

    // The kept pieces numbered `after` + 1 on (all kept ones for 0), waiting
    // up to `waitMs` for one to come. `gone` says the source is not open now.
    std::deque<NumberedPiece> piecesAfter(std::uint64_t after, int waitMs, bool& gone) const;

private:
    void run(std::stop_token stop);
    void keep(platform::SoundPiece piece);
    void setPresent(bool present);

    const std::string source_;
    SoundOpener open_;

    mutable std::mutex mutex_;
    mutable std::condition_variable came_;
    std::deque<NumberedPiece> kept_;
    std::uint64_t lastNumber_ = 0;
    bool present_ = false;
    bool tried_ = false;
    SoundLevel level_;
    std::int64_t chosenMicros_ = 0;
    std::int64_t lastHeardMicros_ = 0; // 0: never heard
    // The 50 ms window the meter is measured over; the capture's thread's.
    double windowPeak_ = 0;
    double windowSquares_ = 0;
    std::size_t windowFrames_ = 0;

    std::jthread thread_;
};

} // namespace capture
