#include "recording/record_controller.h"

#include "platform/clock.h"
#include "platform/desktop.h"
#include "recording/screen_cast_run.h"
#include "util/files.h"

RecordController::RecordController(QObject* parent) : QObject(parent), freeSpace(GetDriveFreeSpace)
{
    // A start that had to wait for the previous run goes ahead once it ended.
    connect(&worker_, &QThread::finished, this, [this] {
        if (!pendingStart_ || !g_recording)
            return;
        pendingStart_ = false;
        worker_.wait(); // finished() comes just before the thread is done
        worker_.start(QThread::InheritPriority);
    });
}

RecordController::~RecordController()
{
    stop();
    worker_.wait();
}

void RecordController::attachWorker() { worker_.SetCallback(&RecordController::runRecording, this); }

void RecordController::resetCounters()
{
    blink_ = 0;
    recordError = 0;
}

int RecordController::runRecording(void* user, void*)
{
    auto* self = static_cast<RecordController*>(user);
    RecordSettings settings;
    std::string settingsPath;
    {
        std::lock_guard lock(self->nextMutex_);
        settings = self->next_;
        settingsPath = self->settingsPath_;
    }
    if (platform::currentDesktop().grab == platform::DesktopGrab::PipeWire) {
        if (const char* key = RecordScreenCast(settings, settingsPath))
            emit self->notice(QString::fromLatin1(key));
        return 0;
    }
    RecordRun(settings);
    return 0;
}

void RecordController::start(RecordSettings settings)
{
    g_recording = true;
    settings.run = ++g_recordingRun;
    {
        std::lock_guard lock(nextMutex_);
        next_ = std::move(settings);
    }
    restartClock();
    if (worker_.isRunning())
        pendingStart_ = true;
    else
        worker_.start(QThread::InheritPriority);
}

void RecordController::setSettingsPath(const std::string& path)
{
    std::lock_guard lock(nextMutex_);
    settingsPath_ = path;
}

void RecordController::stop()
{
    g_recording = false;
    pendingStart_ = false;
}

bool RecordController::recording() const { return g_recording.load(); }

bool RecordController::busy() const { return worker_.isRunning() || pendingStart_; }

bool RecordController::waitForRun(int ms) { return worker_.wait(QDeadlineTimer(ms)); }

void RecordController::restartClock() { startTick_ = platform::tickCount(); }

std::uint64_t RecordController::elapsedSeconds() const { return (platform::tickCount() - startTick_) / 1000; }
