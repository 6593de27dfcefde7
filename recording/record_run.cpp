#include "recording/record_run.h"

#include "recording/capture_part.h"
#include "recording/crash_finish.h"
#include "recording/ready_encoder.h"

#include "capture/frame_pipe_record.h"
#include "capture/source_choice.h"
#include "recording/run_output.h"
#include "media/stretch_join.h"
#include "encoder/runner.h"
#include "takes/take_finish.h"
#include "takes/take_flusher.h"
#include "encoder/tool.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/sound_stream.h"
#include "platform/worker_thread.h"
#include "util/capture_choice.h"
#include "util/debug_log.h"
#include "util/files.h"
#include "media/mp4_duration.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace recording {

using util::DebugLog;
using media::ReadMp4Tracks;
using takes::TakeFilesOf;
using capture::FramePipeStatus;
using takes::FinishedTake;
using takes::TakeFiles;
using capture::FramePipeEncoderFailed;
using capture::FramePipeHooks;
using capture::FramePipeNotStarted;
using capture::FramePipeRecorded;
using capture::FrameSource;
using capture::OpenFrameSource;
using capture::RunFramePipeRecord;
using encoder::PrepareTool;
using encoder::RunStop;
using encoder::RunTool;
using media::JoinStretches;
using takes::TakeEnd;
using takes::TakeFlusher;
using takes::kRecordFps;

namespace {

// A take's names with its working files made by us, new, and held locked
// until the take is finished: the encoder then writes into files that were
// never anyone else's, and no recovery, here or in another running copy,
// touches them.
struct TakeClaim {
    TakeFiles files;
    platform::FileLock working, workingMp4;
    bool held() const { return working.held() && workingMp4.held(); }
};

// "<stem>.mp4", or "<stem>(n).mp4" with the first n for which no name of
// the take is taken (a link to nowhere counts). Not held when none could be
// made.
TakeClaim claimTake(const std::string& stem)
{
    using util::NameClaim;
    TakeClaim claim;
    claim.files = TakeFilesOf(stem + ".mp4"); // named as the first try when none is made
    const auto taken = [](const std::string& name) {
        return platform::nameTaken(name) ? NameClaim::Taken : NameClaim::Failed;
    };
    const std::string made = util::ClaimFirstFree(stem + ".mp4", [&](const std::string& name) {
        claim.files = TakeFilesOf(name);
        if (platform::nameTaken(claim.files.recording))
            return NameClaim::Taken;
        claim.working = platform::FileLock::makeNew(claim.files.working);
        if (!claim.working.held())
            return taken(claim.files.working);
        claim.workingMp4 = platform::FileLock::makeNew(claim.files.workingMp4);
        if (claim.workingMp4.held())
            return NameClaim::Made;
        claim.working = {};
        platform::removeFile(claim.files.working);
        return taken(claim.files.workingMp4);
    });
    if (made.empty()) {
        claim.working = {};
        claim.workingMp4 = {};
    }
    return claim;
}

// The files of a claim that nothing came of: they were made here, empty.
void removeClaimed(TakeClaim& claim)
{
    if (claim.held()) {
        platform::removeFile(claim.files.working);
        platform::removeFile(claim.files.workingMp4);
    }
    claim.working = {};
    claim.workingMp4 = {};
}

} // namespace

namespace {

// One encoder run of a take: all of it, or a stretch between pauses.
struct Stretch {
    int index = 0;
    TakeFiles files;
    TakeClaim claim; // held while the stretch runs and its take is finished
    std::stop_source stop;
    std::atomic<bool> pausing{false}; // stopped for a pause, not for the end
    const Stretch* previous = nullptr; // the stretch before it, which may still be finishing
    std::int64_t originMicros = 0;    // when it began: now, or the press of Resume
    std::atomic<std::int64_t> endMicros{0}; // the press of Pause
    std::atomic<bool> ended{false};   // the run is over, its take finished
    std::stop_source endOrStop;       // requested when it ended, or the whole run is stopped
    std::promise<void> sourceFree;
    std::future<void> sourceFreed = sourceFree.get_future();
    FramePipeStatus status = FramePipeRecorded;
    bool madeFile = false; // its take was finished
    FinishedTake take;
    std::shared_ptr<ReadyEncoder> ready; // an encoder started ahead for it, if any
    std::jthread thread;
};

// The names of a paused take's n-th stretch: "<stem>-part<n>.mp4".
std::string partStem(const TakeFiles& take, int n)
{
    return take.recording.substr(0, take.recording.size() - 4) + "-part" + std::to_string(n);
}

// What a stretch holds on disk so far: its finished recording, or its
// working file while its take is still being finished.
std::int64_t stretchBytes(const Stretch& s)
{
    if (s.ended)
        return std::max<std::int64_t>(0, platform::fileSize(s.take.path));
    return std::max<std::int64_t>(
        0, std::max(platform::fileSize(s.files.working), platform::fileSize(s.files.workingMp4)));
}

// What the stretches before `s` hold on disk: the size shown counts them.
std::int64_t bytesBefore(const Stretch& s)
{
    std::int64_t before = 0;
    for (const Stretch* p = s.previous; p; p = p->previous)
        before += stretchBytes(*p);
    return before;
}

// The stretches' recordings joined into the take's recording, or kept as
// they are when they cannot be.
FinishedTake joinParts(const std::vector<std::unique_ptr<Stretch>>& stretches, const TakeFiles& files)
{
    FinishedTake joined;
    std::vector<std::string> parts;
    bool saved = false;
    for (const auto& s : stretches) {
        if (s->take.end == TakeEnd::Whole || s->take.end == TakeEnd::SavedFromWorking)
            parts.push_back(s->take.path);
        saved = saved || s->take.end == TakeEnd::SavedFromWorking;
    }
    if (parts.empty())
        return joined;
    // Made new here: the join overwrites only a file of ours.
    const std::string target = parts.size() == 1
        ? std::string()
        : util::ClaimFreeName(files.recording.substr(0, files.recording.size() - 4) + ".joining.mp4");
    const bool madeJoined = !target.empty() && JoinStretches(parts, target);
    const std::string recording = parts.size() == 1 ? util::MoveToFreeName(parts[0], files.recording)
        : madeJoined                                 ? util::MoveToFreeName(target, files.recording)
                                                     : std::string();
    if (recording.empty()) {
        if (madeJoined) // a failed join removed it already
            platform::removeFile(target);
        joined.end = TakeEnd::KeptParts;
        joined.path = parts.front();
        joined.parts = parts;
        return joined;
    }
    if (parts.size() > 1)
        for (const std::string& part : parts)
            platform::removeFile(part);
    joined.end = saved ? TakeEnd::SavedFromWorking : TakeEnd::Whole;
    joined.path = recording;
    joined.microseconds = ReadMp4Tracks(recording).videoMicroseconds;
    return joined;
}

} // namespace

FramePipeStatus RecordRun(const RecordSettings& settings, const RunStop& stop, FinishedTake* finished,
                          const RunPause* pause, RunOutput* runOutput)
{
    const std::int64_t pressedAt = platform::wallClockMicros();
    RunOutput unwatched;
    RunOutput& out = runOutput ? *runOutput : unwatched;
    const std::string quotedTool = PrepareTool();
    platform::Desktop desktop = platform::currentDesktop();
    const bool cast = desktop.grab == platform::DesktopGrab::PipeWire;
    if (cast) {
        if (!settings.screenCast)
            return FramePipeNotStarted;
        desktop.width = settings.screenCast->width;
        desktop.height = settings.screenCast->height;
    }
    const platform::ScreenArea part = AreaToRecord(settings.part, desktop.width, desktop.height);
    const bool partial = IsPartOfDesktop(part, desktop.width, desktop.height);

    const std::string folder = settings.saveFolder + platform::separator();
    if (!platform::fileExists(folder))
        platform::makeFolder(folder);
    const std::string stem = folder + RecordFileStem(platform::localTime());
    // A mode whose device is missing, or a take whose files cannot be made:
    // no file comes, which the window answers as for a failed device.
    if (!RecordSourcesComplete(settings.sources)) {
        out.setPath(TakeFilesOf(stem + ".mp4").working);
        return FramePipeRecorded;
    }
    TakeClaim firstClaim = claimTake(stem);
    const TakeFiles files = firstClaim.files;
    if (!firstClaim.held()) {
        out.setPath(files.working);
        // Said where the window shows the encoder's last words.
        const std::string why = files.working + ": the file could not be made\n";
        out.addOutput(why.c_str(), why.size());
        return FramePipeRecorded;
    }
    // A screen cast names its file once the first frame has come: until
    // then the window must not take the missing file for a sound device that
    // failed (the desktop may still be asking the user which screen to share).
    if (!cast)
        out.setPath(files.working);
    // Without a source of ours the encoder grabs the screen itself.
    const std::unique_ptr<FrameSource> source =
        OpenFrameSource(desktop, part, partial, settings.window, settings.screenCast);
    if (cast && !source) {
        removeClaimed(firstClaim);
        return FramePipeNotStarted;
    }

    // The sound comes from this program's own captures where it can read
    // the sources: one unbroken stream each, from the very press and across
    // pauses. The page's live captures are taken as they are.
    std::vector<std::shared_ptr<capture::SoundCapture>> captures;
    if (source && settings.sources.audioMode >= 0 && platform::soundStreamsAvailable()) {
        const auto use = [&](const std::shared_ptr<capture::SoundCapture>& live, const std::string& name) {
            captures.push_back(live && live->source() == name ? live : std::make_shared<capture::SoundCapture>(name));
        };
        const int mode = settings.sources.audioMode;
        if (mode == AudioComputerSound || mode == AudioComputerSoundAndMic)
            use(settings.computerSoundCapture, settings.sources.computerSound);
        if (mode == AudioMicrophone || mode == AudioComputerSoundAndMic)
            use(settings.microphoneCapture, settings.sources.microphone);
    }
    std::vector<const capture::SoundCapture*> sounds;
    for (const auto& c : captures) {
        // A source that is not there at Start fails the run as the
        // encoder's own input did, and the window records without sound;
        // one that goes away later is recorded as silence until it is back.
        if (!c->opened()) {
            out.setPath(files.working);
            const std::string why = c->source() + ": the sound source is not there\n";
            out.addOutput(why.c_str(), why.size());
            removeClaimed(firstClaim);
            return cast ? FramePipeEncoderFailed : FramePipeRecorded;
        }
        sounds.push_back(c.get());
    }

    // Runs one stretch from now until its stop, and finishes its take.
    const auto runStretch = [&](Stretch& s) {
        const std::int64_t origin = s.originMicros;
        const std::string args = source
            ? BuildFramePipeRecordArgs(settings.sources, part.width, part.height, origin, !sounds.empty())
            : BuildRecordArgs(settings.sources, desktop, origin, partial ? &part : nullptr);
        // The first stretch may find its encoder waiting, writing into links
        // to its files.
        capture::PipedEncoder* ready = nullptr;
        if (source && s.ready)
            ready = s.ready->takeFor(BuildTakeCommandLine(quotedTool, args, settings.sources, s.ready->files()),
                                     s.files);
        const std::string commandLine = ready
            ? ready->commandLine()
            : BuildTakeCommandLine(quotedTool, args, settings.sources, s.files);
        DebugLog(commandLine);
        const auto output = [&out](const char* chunk, std::size_t size) { out.addOutput(chunk, size); };
        const RunStop stretchStop(s.stop.get_token(), stop.escalate);
        // A later stretch shows its own file, after the earlier ones' sizes.
        const auto showFile = [&s, &out] {
            if (s.index == 0) {
                out.setPath(s.files.working);
                return;
            }
            out.setStretchPath(s.files.working, bytesBefore(s), s.index);
        };
        {
            const TakeFlusher flusher(s.files);
            const std::vector<std::string> outputs{s.files.working, s.files.workingMp4};
            if (source) {
                FramePipeHooks hooks;
                if (cast || s.index > 0)
                    hooks.firstFrame = showFile;
                hooks.output = output;
                hooks.capturesEnded = [&s] { s.sourceFree.set_value(); };
                hooks.endMicros = [&s] { return s.endMicros.load(); };
                // A paused stretch's sound is cut to its pictures when the
                // take is joined, and must reach their end.
                hooks.soundTailMs = [&s] { return s.pausing ? 150 : 0; };
                hooks.sounds = sounds;
                hooks.afterOwnerDeath = TakeFinisherCommand(settings.takeFinisher, s.files.working);
                hooks.ready = ready;
                const capture::FramePipeFormat format{part.width, part.height, kRecordFps, origin,
                                                      settings.sources.audioMode >= 0};
                s.status = RunFramePipeRecord(*source, format, commandLine, outputs, stretchStop, hooks);
                // As on X11, the missing file makes the window record without sound.
                if (cast && s.status == FramePipeEncoderFailed)
                    out.setStretchPath(s.files.working, bytesBefore(s), s.index);
            } else {
                if (s.index > 0)
                    showFile();
                RunTool(
                    commandLine,
                    [&output](const char* chunk, std::size_t size) {
                        output(chunk, size);
                        return false;
                    },
                    stretchStop);
                s.sourceFree.set_value();
            }
        }
        // A run that wrote nothing (a sound device that failed) leaves
        // nothing to finish, and the window sees no file.
        if (platform::fileSize(s.files.working) > 0 || platform::fileSize(s.files.workingMp4) > 0) {
            // The first stretch of a take that was paused becomes its first part.
            TakeFiles target = s.files;
            if (s.index == 0 && s.pausing)
                target.recording = partStem(files, 1) + ".mp4";
            s.take = FinishTake(target, {}, {settings.sources.computerSoundTitle, settings.sources.microphoneTitle});
            if (ready)
                s.ready->release();
            s.madeFile = true;
            if (s.take.end != TakeEnd::Empty)
                out.setStretchPath(s.take.path, bytesBefore(s), s.index);
        } else {
            removeClaimed(s.claim);
        }
        s.claim = {};
        s.ended = true;
    };

    const RunPause never;
    const RunPause& pauses = pause ? *pause : never;
    std::vector<std::unique_ptr<Stretch>> stretches;
    // The encoder of the stretch after a pause is made ready during it, so
    // that Resume takes effect at once too.
    std::shared_ptr<ReadyEncoder> nextReady = settings.ready;
    for (;;) {
        auto s = std::make_unique<Stretch>();
        s->ready = std::move(nextReady);
        s->index = static_cast<int>(stretches.size());
        s->claim = s->index == 0 ? std::move(firstClaim) : claimTake(partStem(files, s->index + 1));
        s->files = s->claim.files;
        if (!s->claim.held()) {
            // The folder went, or became unwritable, while paused: the take
            // ends with what was recorded, and the window says why.
            const std::string why = s->files.working + ": the file could not be made\n";
            out.addOutput(why.c_str(), why.size());
            break;
        }
        s->previous = stretches.empty() ? nullptr : stretches.back().get();
        // A stretch after a pause starts at the press of Resume, though its
        // captures may start a moment later: the first one stands for it.
        s->originMicros = s->index == 0 ? platform::wallClockMicros() : pauses.changedAtMicros();
        if (s->index == 0)
            DebugLog("start: the take claimed and its sources open "
                     + std::to_string((s->originMicros - pressedAt) / 1000) + " ms after the press");
        Stretch& current = *s;
        stretches.push_back(std::move(s));
        current.thread = platform::startWorker([&runStretch, &current] {
            runStretch(current);
            current.endOrStop.request_stop();
        });
        {
            // The end of the run, or of the stretch by itself, wakes the wait.
            const std::stop_callback onStop(stop.stop, [&current] { current.endOrStop.request_stop(); });
            pauses.waitForChange(false, current.endOrStop.get_token());
        }
        current.pausing = pauses.paused() && !stop.stop.stop_requested() && !current.ended;
        if (current.pausing)
            current.endMicros = pauses.changedAtMicros();
        current.stop.request_stop();
        if (!current.pausing)
            break;
        current.sourceFreed.wait();
        if (source)
            nextReady = ReadyEncoder::Make(settings);
        pauses.waitForChange(true, stop.stop);
        if (stop.stop.stop_requested())
            break;
    }
    for (auto& s : stretches)
        if (s->thread.joinable())
            s->thread.join();

    const Stretch& first = *stretches.front();
    const bool paused = stretches.size() > 1 || first.pausing;
    FinishedTake take = paused ? joinParts(stretches, files) : first.take;
    if (paused && take.end != TakeEnd::Empty && take.end != TakeEnd::KeptParts)
        out.setPath(take.path);
    if (finished && (paused || first.madeFile))
        *finished = take;
    return stretches.back()->status;
}

} // namespace recording
