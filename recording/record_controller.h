#pragma once
// The recording state behind the record page and the tray: the worker that
// runs one recording at a time, the start tick, the blink counter and the
// record error. The main window's slots drive it on the interface thread.
#include "encoder/record_run.h"
#include "recording/my_thread.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class RecordController : public QObject {
    Q_OBJECT
public:
    // Record error of a stop for lack of free space.
    static constexpr int kLowDiskError = -101;

    explicit RecordController(QObject* parent = nullptr);
    // Stops a running recording and waits for its file to be finished.
    ~RecordController() override;

    // Gives the worker its run; once, at start-up.
    void attachWorker();
    // Zeroes the counters; once, at start-up.
    void resetCounters();

    // Sets the recording flag and starts a run with `settings`. When the
    // previous run is still finishing its file, the new run starts as soon as
    // that one has ended: a start is never dropped.
    void start(RecordSettings settings);
    // Clears the recording flag: the encoder gets "q" until it has finished
    // its file. Does not wait.
    void stop();
    bool recording() const;
    // True while a run still works on its file (also after a stop).
    bool busy() const;
    // Waits up to `ms` for the run to end; true when no run is left.
    bool waitForRun(int ms);

    void restartClock();
    // Whole seconds since the start (or the last restart).
    std::uint64_t elapsedSeconds() const;
    int& blinkCounter() { return blink_; }
    int recordError = 0;

    // Where a Wayland desktop's restore token is kept (ScreenRecord.ini).
    void setSettingsPath(const std::string& path);

    // Free space of the save folder; replaceable so that a nearly full disk
    // can be tried without filling one.
    std::function<int(const std::string& folder, std::uint64_t& freeBytes)> freeSpace;

signals:
    // From the worker: a run that could not record as asked (a text key).
    void notice(const QString& textKey);

private:
    static int runRecording(void* user, void* reserved);

    CMyThread worker_;
    std::mutex nextMutex_; // guards next_, read by the worker when it starts
    RecordSettings next_;
    std::string settingsPath_;
    bool pendingStart_ = false;
    std::uint64_t startTick_ = 0;
    int blink_ = 0;
};
