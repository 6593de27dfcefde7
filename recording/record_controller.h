#pragma once
// The recording session behind the record page and the tray: the worker
// that runs one recording at a time, each run's stop source, what each timer
// tick shows and does, and the record error. The main window's slots drive
// it on the interface thread. QtCore only.
#include "recording/record_run.h"
#include "recording/my_thread.h"
#include "recording/record_tick.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

namespace recording {

class RecordController : public QObject {
    Q_OBJECT
public:
    explicit RecordController(QObject* parent = nullptr);
    // Stops a running recording and waits for its file to be finished.
    ~RecordController() override;

    // Gives the worker its run; once, at start-up.
    void attachWorker();
    // Zeroes the counters; once, at start-up.
    void resetCounters();

    // Starts a run with `settings` and a stop source of its own; the previous
    // run, if any, is asked to stop. When that run is still finishing its
    // file, the new one starts as soon as it has ended: a start is never
    // dropped.
    void start(recording::RecordSettings settings);
    // Has an encoder waiting for a recording of `settings`, so that a start
    // with them finds it (see ready_encoder.h); one waiting for other
    // settings is ended first. Nothing while a run records.
    void makeReady(const recording::RecordSettings& settings);
    // Requests the run's stop: the encoder gets "q" until it has finished its
    // file. Does not wait.
    void stop();
    // As stop(), and an encoder that ignores "q" is ended by force.
    void shutdown();
    bool recording() const;
    // The latest run's file (its working file while it records, its
    // recording once finished; empty before it named one) and its encoder's
    // last line. Safe from any thread.
    std::string outputPath() const;
    std::string lastEncoderLine() const;
    // The save folder of the run under way (also while it finishes its
    // file); empty when none runs. Safe from any thread.
    std::string recordingFolder() const;
    // Pauses the running recording (nothing is recorded until resume()),
    // or resumes it; the clock stands still meanwhile. Nothing without a
    // recording.
    void pause();
    void resume();
    bool paused() const { return recording_ && pause_.paused(); }
    // True while a run still works on its file (also after a stop).
    bool busy() const;
    // Waits up to `ms` for the run to end; true when no run is left.
    bool waitForRun(int ms);

    // What the window shows and does after one tick of its record timer; a
    // stop it asks for sets recordError to LowDisk or NoFile.
    RecordTickResult tick(const RecordTickInput& input);
    // The same from the system's clock, free space and output file; while
    // paused the status says `pausedCaption`.
    RecordTickResult tick(const std::string& pausedCaption = "Paused");
    // Why the recording stopped by itself: for lack of free space, or
    // because no file came even without sound.
    enum class RecordError { None, LowDisk, NoFile };
    RecordError recordError = RecordError::None;

    // Where a Wayland desktop's restore token is kept (ScreenRecord.ini).
    void setSettingsPath(const std::string& path);

    // Free space of the save folder; replaceable so that a nearly full disk
    // can be tried without filling one.
    std::function<int(const std::string& folder, std::uint64_t& freeBytes)> freeSpace;

signals:
    // From the worker: a run that could not record as asked, or whose
    // encoder did not finish the take (a text key, and the file its %1
    // names, if any).
    void notice(const QString& textKey, const QString& file);

private:
    static int runRecording(void* user, void* reserved);

    CMyThread worker_;
    std::shared_ptr<const recording::RunOutput> runOutput() const;

    mutable std::mutex nextMutex_; // guards next_, nextStop_ and output_, read by the worker when it starts
    std::shared_ptr<recording::RunOutput> output_ = std::make_shared<recording::RunOutput>(); // the latest run's
    recording::RecordSettings next_;
    std::shared_ptr<recording::ReadyEncoder> ready_; // for the next start
    recording::RunPause pause_; // the latest run's; every run is asked to stop before the next starts
    std::string settingsPath_;
    encoder::RunStop nextStop_;
    std::stop_source runStop_;      // the latest run's
    std::stop_source shutdownStop_; // escalates every run's stop
    bool recording_ = false;
    bool pendingStart_ = false;
    RecordTicker ticker_;
};

} // namespace recording
