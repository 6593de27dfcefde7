#include "recording/record_controller.h"

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "recording/ready_encoder.h"
#include "recording/screen_cast_run.h"
#include "util/files.h"

namespace recording {

using takes::FinishedTake;
using recording::RecordRun;
using recording::RecordSettings;
using recording::RunOutput;
using encoder::RunStop;
using takes::TakeEnd;
using util::GetDriveFreeSpace;

RecordController::RecordController(QObject* parent) : QObject(parent), freeSpace(GetDriveFreeSpace)
{
    // A start that had to wait for the previous run goes ahead once it ended.
    connect(&worker_, &QThread::finished, this, [this] {
        if (!pendingStart_ || !recording_)
            return;
        pendingStart_ = false;
        worker_.wait(); // finished() comes just before the thread is done
        worker_.start(QThread::InheritPriority);
    });
}

RecordController::~RecordController()
{
    shutdown();
    worker_.wait();
}

void RecordController::attachWorker() { worker_.SetCallback(&RecordController::runRecording, this); }

void RecordController::resetCounters()
{
    ticker_ = RecordTicker();
    recordError = RecordError::None;
}

int RecordController::runRecording(void* user, void*)
{
    auto* self = static_cast<RecordController*>(user);
    RecordSettings settings;
    std::string settingsPath;
    RunStop stop;
    std::shared_ptr<RunOutput> output;
    {
        std::lock_guard lock(self->nextMutex_);
        settings = self->next_;
        self->next_.ready.reset(); // used up by this run alone
        settingsPath = self->settingsPath_;
        stop = self->nextStop_;
        output = self->output_;
    }
    FinishedTake take;
    if (platform::currentDesktop().grab == platform::DesktopGrab::PipeWire) {
        std::string detail;
        if (const char* key = RecordScreenCast(settings, settingsPath, stop, &take, &self->pause_, output.get(), &detail)) {
            emit self->notice(QString::fromLatin1(key), QString::fromStdString(detail));
            return 0;
        }
    } else {
        RecordRun(settings, stop, &take, &self->pause_, output.get());
    }
    // The encoder did not finish the take itself (it crashed, or was ended
    // by force): the user learns what was saved, or where the take is.
    if (take.end == TakeEnd::SavedFromWorking)
        emit self->notice(QStringLiteral("Messages/MSG1025"), QString::fromStdString(take.path));
    else if (take.end == TakeEnd::KeptWorking)
        emit self->notice(QStringLiteral("Messages/MSG1027"), QString::fromStdString(take.path));
    else if (take.end == TakeEnd::KeptParts) {
        QStringList parts;
        for (const std::string& part : take.parts)
            parts << QString::fromStdString(part);
        emit self->notice(QStringLiteral("Messages/MSG1029"), parts.join(QLatin1Char('\n')));
    }
    return 0;
}

void RecordController::makeReady(const RecordSettings& settings)
{
    if (recording_ || (ready_ && ready_->fits(settings)))
        return;
    ready_.reset(); // its encoder ends before the next one starts
    ready_ = ReadyEncoder::Make(settings);
}

void RecordController::start(RecordSettings settings)
{
    if (!settings.ready)
        settings.ready = std::move(ready_);
    ready_.reset();
    runStop_.request_stop();
    runStop_ = std::stop_source();
    recording_ = true;
    pause_.resume();
    {
        std::lock_guard lock(nextMutex_);
        next_ = std::move(settings);
        nextStop_ = RunStop(runStop_.get_token(), shutdownStop_.get_token());
        // From Start on the window shows this run's file, never the last one's.
        output_ = std::make_shared<RunOutput>();
    }
    ticker_.started(platform::tickCount(), next_.sources.audioMode >= 0);
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
    runStop_.request_stop();
    recording_ = false;
    pendingStart_ = false;
    ticker_.stopped();
}

void RecordController::shutdown()
{
    stop();
    shutdownStop_.request_stop();
}

bool RecordController::recording() const { return recording_; }

std::shared_ptr<const RunOutput> RecordController::runOutput() const
{
    std::lock_guard lock(nextMutex_);
    return output_;
}

std::string RecordController::outputPath() const { return runOutput()->path(); }

std::string RecordController::recordingFolder() const
{
    std::lock_guard lock(nextMutex_);
    return worker_.isRunning() ? next_.saveFolder : std::string();
}

std::string RecordController::lastEncoderLine() const { return runOutput()->lastLine(); }

void RecordController::pause()
{
    if (!recording_ || pause_.paused())
        return;
    pause_.pause();
    ticker_.paused(platform::tickCount());
}

void RecordController::resume()
{
    if (!recording_ || !pause_.paused())
        return;
    pause_.resume();
    ticker_.resumed(platform::tickCount());
}

bool RecordController::busy() const { return worker_.isRunning() || pendingStart_; }

bool RecordController::waitForRun(int ms) { return worker_.wait(QDeadlineTimer(ms)); }

RecordTickResult RecordController::tick(const RecordTickInput& input)
{
    RecordTickResult result = ticker_.tick(input);
    if (result.action == RecordTickResult::Action::StopForLowDisk)
        recordError = RecordError::LowDisk;
    else if (result.action == RecordTickResult::Action::StopNoFile)
        recordError = RecordError::NoFile;
    return result;
}

RecordTickResult RecordController::tick(const std::string& pausedCaption)
{
    RecordTickInput input;
    input.nowMs = platform::tickCount();
    input.outputPath = outputPath();
    // The recorder makes the working files before the encoder starts: a
    // file counts once the encoder wrote to it.
    input.outputExists = !input.outputPath.empty() && platform::fileSize(input.outputPath) > 0;
    input.outputBytes = input.outputExists ? runOutput()->baseBytes() + platform::fileSize(input.outputPath) : 0;
    input.pausedCaption = pausedCaption;
    {
        std::lock_guard lock(nextMutex_);
        freeSpace(next_.saveFolder, input.freeBytes);
    }
    return tick(input);
}

} // namespace recording
