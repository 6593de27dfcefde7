#include "encoder/exact_cut.h"

#include "encoder/exact_cut_plan.h"
#include "encoder/job_step.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "platform/worker_thread.h"
#include "util/debug_log.h"
#include "util/mp4_duration.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace encoder {

using util::DebugLog;
using util::Mp4Tracks;
using util::ReadMp4Tracks;

namespace {

// More than the first packet of any recording: its options sit at its start.
constexpr std::size_t kOptionsBytesMax = 64 * 1024;
// Packets listed past the end mark before its listing may stop: frames
// shown before the mark may be decoded that much after it.
constexpr int kReorderPackets = 16;
// More than the frames of two keyframe intervals encoded again take.
constexpr std::uint64_t kPieceBytesMax = 512ull * 1024 * 1024;

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
    std::string bytes;
    return platform::readWholeFile(piece, bytes, kPieceBytesMax) ? HeaderCheckOfMp4(bytes) : std::string();
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
    // The three looks at the source are independent: at once, they cost
    // the longest of them.
    std::string params;
    PacketScan nearStart;
    PacketScan nearEnd;
    {
        const std::jthread options = platform::startWorker([&] { params = x264ParamsOf(job.source); });
        const std::jthread start = platform::startWorker([&] { nearStart = scanAround(job.source, job.startMs, true); });
        nearEnd = scanAround(job.source, job.endMs, false);
    }
    if (params.empty() || job.endMs <= job.startMs)
        return CutStretch(outputFolder, job, notify, why, stop);
    const ExactCutPlan plan = PlanExactCut(nearStart, nearEnd, job.startMs, job.endMs);
    if (!plan.possible || stop.stop_requested()) {
        DebugLog("no exact cut: the marks were not found among the frames");
        return CutStretch(outputFolder, job, notify, why, stop);
    }

    const std::string output = FreeName(CutOutputPath(outputFolder, job.source, platform::separator()));
    // The two ends are encoded at once: one report at a time.
    std::mutex reporting;
    const auto report = [&](int soFar) {
        const std::lock_guard lock(reporting);
        notify(5, job.source, output, soFar);
    };
    // Encodes one end piece; false when it came out with other headers than
    // the copied stream's, so that the two would not join.
    struct Piece {
        std::string path;
        std::string failure;
        int status = RunEnded;
        bool matched = true;
    };
    const auto encode = [&](Piece& piece, std::int64_t from, int frames) {
        piece.status = RunJobStep(BuildPieceCommandLine(PrepareTool(), job.source,
                                                        TicksToSeconds(from, plan.ticksPerSecond), frames, params,
                                                        plan.ticksPerSecond, piece.path),
                                  report, &piece.failure, stop);
        piece.matched = piece.status != RunEnded || headerCheckOf(piece.path) == nearStart.headerCheck;
    };
    Piece head;
    Piece tail;
    if (plan.headFrames > 0)
        head.path = FreeName(output + ".head.mp4");
    if (plan.tailFrames > 0)
        tail.path = FreeName(output + ".tail.mp4");
    {
        // Both ends at once: each is short, and mostly the encoder's start.
        const std::jthread first = platform::startWorker([&] {
            if (!head.path.empty())
                encode(head, plan.first, plan.headFrames);
        });
        if (!tail.path.empty())
            encode(tail, plan.copyUntil, plan.tailFrames);
    }
    const bool matched = head.matched && tail.matched;
    int status = head.status != RunEnded ? head.status : tail.status;
    std::string failure = head.status != RunEnded ? head.failure : tail.failure;
    const std::string list = FreeName(output + ".list.txt");
    if (matched && status == RunEnded) {
        if (!platform::replaceFileContent(list, BuildExactCutList(plan, job.source, head.path, tail.path)))
            status = RunInvalidData;
        else
            status = RunJobStep(BuildExactJoinCommandLine(PrepareTool(), list, plan, job.source, output), report,
                                &failure, stop);
        platform::removeFile(list);
    }
    removeIfSet(head.path);
    removeIfSet(tail.path);
    if (!matched) {
        DebugLog("no exact cut: the frames encoded again did not match the recording's headers");
        return CutStretch(outputFolder, job, notify, why, stop);
    }
    // Every kept frame is there, to a frame's rounding; a copy that started
    // or ended elsewhere than planned (a container that seeks otherwise)
    // is no exact cut, and the cut is made at keyframes instead.
    if (status == RunEnded) {
        const Mp4Tracks tracks = ReadMp4Tracks(output);
        const std::int64_t expected = plan.length() * 1000000 / plan.ticksPerSecond;
        const std::int64_t frame = plan.frame * 1000000 / plan.ticksPerSecond;
        if (!tracks.readable || !tracks.video || std::llabs(tracks.videoMicroseconds - expected) > frame) {
            DebugLog("no exact cut: the joined pieces did not hold the marked frames");
            platform::removeFile(output);
            return CutStretch(outputFolder, job, notify, why, stop);
        }
    }
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    if (status != RunEnded)
        platform::removeFile(output);
    notify(100, job.source, output, status);
    return status;
}

} // namespace encoder
