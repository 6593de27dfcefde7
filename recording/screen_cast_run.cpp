#include "recording/screen_cast_run.h"

#include "portal/screencast_portal.h"
#include "settings/screencast_token.h"
#include "util/debug_log.h"

using portal::ScreenCastPortal;

namespace recording {

using takes::FinishedTake;
using capture::FramePipeNoFrames;
using capture::FramePipeNotStarted;
using capture::MissingCaptureParts;
using capture::PipeWireStream;
using recording::RecordRun;
using recording::RecordSettings;
using recording::RunOutput;
using recording::RunPause;
using encoder::RunStop;
using util::DebugLog;
using capture::FramePipeNoFrames;
using capture::FramePipeNotStarted;

const char* RecordScreenCast(RecordSettings settings, const std::string& settingsPath, const RunStop& stop,
                             FinishedTake* finished, const RunPause* pause, RunOutput* output,
                             std::string* detail)
{
    // Without the capture's tools the desktop would be asked for nothing.
    // Where this process reads casts they are only the fallback, asked for
    // when it is taken.
    if (const std::string missing = capture::CastReadableInProcess() ? "" : MissingCaptureParts(); !missing.empty()) {
        DebugLog("screen cast: missing " + missing);
        if (detail)
            *detail = missing;
        return "Messages/MSG1032";
    }
    // A stop while the desktop still asks the user ends the wait.
    const auto stopped = [&stop] { return stop.stop.stop_requested(); };
    ScreenCastPortal portal;
    const auto opened = portal.open(QString::fromStdString(settings::ReadScreenCastToken(settingsPath)), stopped);
    if (opened != ScreenCastPortal::Ok) {
        DebugLog("screen cast: " + portal.errorText().toStdString());
        if (stopped())
            return nullptr;
        return opened == ScreenCastPortal::Refused ? "Messages/MSG1021" : "Messages/MSG1022";
    }
    // A refused or stale token is replaced, so the next start asks at most
    // once. A token that cannot be stored only means the next start asks again.
    if (!settings::StoreScreenCastToken(settingsPath, portal.restoreToken().toStdString()))
        DebugLog("screen cast: the restore token could not be stored in " + settingsPath);

    const PipeWireStream stream{portal.pipeWireFd(), portal.node(), portal.width(), portal.height(),
                                settings.castInProcess};
    settings.screenCast = &stream;
    switch (RecordRun(settings, stop, finished, pause, output)) {
    case FramePipeNoFrames:
        return "Messages/MSG1023";
    case FramePipeNotStarted:
        return "Messages/MSG1022";
    default:
        return nullptr;
    }
}

} // namespace recording
