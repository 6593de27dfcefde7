#include "platform/audio_sources.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <chrono>
#include <string>
#include <vector>

namespace platform {
namespace {

// Long enough for a busy local server, short enough that the window still
// opens promptly when the server is stuck.
constexpr std::chrono::milliseconds kDiscoveryTimeout{1500};

struct SourceEntry {
    std::string name;
    std::string monitoredSink; // empty for a source that is not a monitor
    bool isMonitor = false;
};

// State of one discovery, touched only by callbacks of its own mainloop.
struct Query {
    pa_mainloop* loop = nullptr;
    bool done = false;
    std::string defaultSink;
    std::string defaultSource;
    std::vector<SourceEntry> sources;
};

void onSource(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    auto* q = static_cast<Query*>(userdata);
    if (eol != 0) {
        q->done = true;
        return;
    }
    if (!info || !info->name)
        return;
    SourceEntry e;
    e.name = info->name;
    e.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    if (e.isMonitor && info->monitor_of_sink_name)
        e.monitoredSink = info->monitor_of_sink_name;
    q->sources.push_back(std::move(e));
}

void onServerInfo(pa_context* context, const pa_server_info* info, void* userdata)
{
    auto* q = static_cast<Query*>(userdata);
    if (info) {
        if (info->default_sink_name)
            q->defaultSink = info->default_sink_name;
        if (info->default_source_name)
            q->defaultSource = info->default_source_name;
    }
    pa_operation* op = pa_context_get_source_info_list(context, onSource, q);
    if (op)
        pa_operation_unref(op);
    else
        q->done = true;
}

void onContextState(pa_context* context, void* userdata)
{
    auto* q = static_cast<Query*>(userdata);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
        pa_operation* op = pa_context_get_server_info(context, onServerInfo, q);
        if (op)
            pa_operation_unref(op);
        else
            q->done = true;
        break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        q->done = true;
        break;
    default:
        break;
    }
}

// Runs the mainloop until the query is answered or the deadline passes.
void runUntilDone(Query& q, std::chrono::steady_clock::time_point deadline)
{
    while (!q.done) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        if (pa_mainloop_prepare(q.loop, static_cast<int>(left.count())) < 0)
            return;
        if (pa_mainloop_poll(q.loop) < 0)
            return;
        if (pa_mainloop_dispatch(q.loop) < 0)
            return;
    }
}

// Preferred entry first, else the first in the server's order.
const SourceEntry* pick(const std::vector<SourceEntry>& sources, bool monitor, const std::string& preferredName,
                        const std::string& preferredSink)
{
    const SourceEntry* first = nullptr;
    for (const SourceEntry& s : sources) {
        if (s.isMonitor != monitor)
            continue;
        if (!first)
            first = &s;
        if ((!preferredName.empty() && s.name == preferredName)
            || (!preferredSink.empty() && s.monitoredSink == preferredSink))
            return &s;
    }
    return first;
}

} // namespace

AudioSources discoverAudioSources()
{
    const auto deadline = std::chrono::steady_clock::now() + kDiscoveryTimeout;
    AudioSources found;
    Query q;
    q.loop = pa_mainloop_new();
    if (!q.loop)
        return found;
    pa_context* context = pa_context_new(pa_mainloop_get_api(q.loop), "Vantreel Screen Recorder");
    if (context) {
        pa_context_set_state_callback(context, onContextState, &q);
        // Never start a server of our own: no server means no sound sources.
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
            runUntilDone(q, deadline);
            pa_context_disconnect(context);
        }
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_unref(context);
    }
    pa_mainloop_free(q.loop);

    // A list cut short by the time-out is not trusted in part.
    if (!q.done)
        return found;
    // The default sink's monitor is what the user hears; a default source that
    // is itself a monitor is no microphone.
    if (const SourceEntry* s = pick(q.sources, true, {}, q.defaultSink)) {
        found.computerSound = s->name;
        found.computerSoundFound = true;
    }
    if (const SourceEntry* s = pick(q.sources, false, q.defaultSource, {})) {
        found.microphone = s->name;
        found.microphoneFound = true;
    }
    return found;
}

void prepareAudioCapture() { }

} // namespace platform
