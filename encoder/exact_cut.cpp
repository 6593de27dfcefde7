#include "encoder/exact_cut.h"

#include "encoder/exact_cut_plan.h"
#include "encoder/job_step.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/mp4_duration.h"

#include <cstdlib>
#include <optional>

namespace {

// More than the first packet of any recording: its options sit at its start.
constexpr std::size_t kOptionsBytesMax = 64 * 1024;
// Packets listed past the end mark before its listing may stop: frames
// shown before the mark may be decoded that much after it.
constexpr int kReorderPackets = 16;

// The x264 settings that give `source`'s headers again; empty when none do.
std::string x264ParamsOf(const std::string& source)
{
    std::string bytes;
    RunTool(BuildOptionsProbeCommandLine(PrepareTool(), source), [&bytes](const char* chunk, std::size_t size) {
        bytes.append(chunk, size);
        return bytes.size() > kOptionsBytesMax;
    });
    return X264ParamsFor(X264OptionsIn(bytes));
}

// Lists the video packets of `source` from the keyframe at or before
// `seconds` until `enough` says the listing holds what is needed.
PacketScan scanFrom(const std::string& source, const std::string& seconds,
                    const std::function<bool(const PacketScan&)>& enough)
{
    PacketScan scan;
    std::string pending;
    RunTool(BuildPacketScanCommandLine(PrepareTool(), source, seconds), [&](const char* chunk, std::size_t size) {
        pending.append(chunk, size);
        const std::size_t end = pending.rfind('\n');
        if (end == std::string::npos)
            return false;
        const PacketScan more = ParsePacketScan(pending.substr(0, end + 1));
        pending.erase(0, end + 1);
        if (more.ticksPerSecond > 0)
            scan.ticksPerSecond = more.ticksPerSecond;
        if (!more.headerCheck.empty())
            scan.headerCheck = more.headerCheck;
        scan.packets.insert(scan.packets.end(), more.packets.begin(), more.packets.end());
        return enough(scan);
    });
    if (!pending.empty()) {
        const PacketScan rest = ParsePacketScan(pending);
        scan.packets.insert(scan.packets.end(), rest.packets.begin(), rest.packets.end());
    }
    return scan;
}

std::int64_t ticksOf(std::int64_t ms, std::int64_t perSecond) { return ms * perSecond / 1000; }

// The listing around a mark: from the keyframe at or before it, on to the
// first keyframe after it (`untilKey`), or past the frames shown by then.
// A seek may land on a keyframe just after the mark, when its decoding time
// is before it: the listing then starts further back.
PacketScan scanAround(const std::string& source, std::int64_t markMs, bool untilKey)
{
    for (const std::int64_t back : {0, 2000, 10000, 60000, -1}) {
        const std::int64_t fromMs = back < 0 || back > markMs ? 0 : markMs - back;
        int after = 0;
        const PacketScan scan = scanFrom(source, MillisecondsAsSeconds(fromMs), [&](const PacketScan& s) {
            if (s.packets.empty())
                return false;
            const std::int64_t mark = ticksOf(markMs, s.ticksPerSecond) + s.ticksPerSecond / 1000 + 1;
            const CutPacket& p = s.packets.back();
            if (untilKey)
                return p.key && p.pts > mark;
            return p.dts > mark && ++after > kReorderPackets;
        });
        const std::int64_t mark = ticksOf(markMs, scan.ticksPerSecond);
        const bool reaches = !scan.packets.empty() && scan.packets.front().key && scan.packets.front().pts <= mark + scan.ticksPerSecond / 1000;
        if (reaches || fromMs == 0)
            return scan;
    }
    return {};
}

// The codec header of a piece encoded again, to check against the source's.
std::string headerCheckOf(const std::string& piece)
{
    return scanFrom(piece, "0", [](const PacketScan& s) { return !s.packets.empty(); }).headerCheck;
}

void removeIfSet(const std::string& path)
{
    if (!path.empty())
        platform::removeFile(path);
}

} // namespace

bool CanCutExactly(const std::string& source) { return !x264ParamsOf(source).empty(); }

int CutExactly(const std::string& outputFolder, const CutJob& job, const JobNotify& notify, std::string* why,
               std::stop_token stop)
{
    const std::string params = x264ParamsOf(job.source);
    if (params.empty() || job.endMs <= job.startMs)
        return CutStretch(outputFolder, job, notify, why, stop);
    const PacketScan nearStart = scanAround(job.source, job.startMs, true);
    const PacketScan nearEnd = scanAround(job.source, job.endMs, false);
    const ExactCutPlan plan = PlanExactCut(nearStart, nearEnd, job.startMs, job.endMs);
    if (!plan.possible || stop.stop_requested()) {
        DebugLog("no exact cut: the marks were not found among the frames");
        return CutStretch(outputFolder, job, notify, why, stop);
    }

    const std::string output = FreeName(CutOutputPath(outputFolder, job.source, platform::separator()));
    const auto report = [&](int soFar) { notify(5, job.source, output, soFar); };
    std::string failure;
    int status = RunEnded;
    // Encodes one end piece; false when it came out with other headers than
    // the copied stream's, so that the two would not join.
    const auto encode = [&](std::int64_t from, int frames, const std::string& path) {
        status = RunJobStep(BuildPieceCommandLine(PrepareTool(), job.source, TicksToSeconds(from, plan.ticksPerSecond),
                                                  frames, params, plan.ticksPerSecond, path),
                            report, &failure, stop);
        return status != RunEnded || headerCheckOf(path) == nearStart.headerCheck;
    };
    std::string head;
    std::string tail;
    bool matched = true;
    if (plan.headFrames > 0) {
        head = FreeName(output + ".head.mp4");
        matched = encode(plan.first, plan.headFrames, head);
    }
    if (matched && status == RunEnded && plan.tailFrames > 0) {
        tail = FreeName(output + ".tail.mp4");
        matched = encode(plan.copyUntil, plan.tailFrames, tail);
    }
    const std::string list = FreeName(output + ".list.txt");
    if (matched && status == RunEnded) {
        if (!platform::replaceFileContent(list, BuildExactCutList(plan, job.source, head, tail)))
            status = RunInvalidData;
        else
            status = RunJobStep(BuildExactJoinCommandLine(PrepareTool(), list, plan, job.source, output), report,
                                &failure, stop);
        platform::removeFile(list);
    }
    removeIfSet(head);
    removeIfSet(tail);
    if (!matched) {
        DebugLog("no exact cut: the frames encoded again did not match the recording's headers");
        return CutStretch(outputFolder, job, notify, why, stop);
    }
    // Every kept frame is there, to a frame's rounding.
    if (status == RunEnded) {
        const Mp4Tracks tracks = ReadMp4Tracks(output);
        const std::int64_t expected = plan.length() * 1000000 / plan.ticksPerSecond;
        const std::int64_t frame = plan.frame * 1000000 / plan.ticksPerSecond;
        if (!tracks.readable || !tracks.video || std::llabs(tracks.videoMicroseconds - expected) > frame)
            status = RunInvalidData;
    }
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    if (status != RunEnded)
        platform::removeFile(output);
    notify(100, job.source, output, status);
    return status;
}
