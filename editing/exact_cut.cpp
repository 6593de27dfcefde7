#include "editing/exact_cut.h"

#include "editing/exact_cut_plan.h"
#include "encoder/job_step.h"
#include "editing/mp4_splice.h"
#include "encoder/runner.h"
#include "media/stretch_join.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "platform/worker_thread.h"
#include "util/debug_log.h"
#include "util/files.h"
#include "media/mp4_duration.h"

#include <algorithm>
#include <memory>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace editing {

using util::ClaimFreeFile;
using util::ClaimFreeName;
using util::DebugLog;
using media::Mp4Tracks;
using media::ReadMp4Tracks;
using encoder::NoNewFileReason;
using encoder::PrepareTool;
using encoder::RunEnded;
using encoder::RunInvalidData;
using encoder::RunJobStep;
using encoder::RunStopRequested;
using encoder::RunToolApart;
using media::ListablePath;
using media::ReadMp4Movie;
using media::Mp4Movie;
using media::Mp4Tag;
using media::Mp4Track;

namespace {

// More than the first packet of any recording: its options sit at its start.
constexpr std::size_t kOptionsBytesMax = 64 * 1024;
// Packets listed past the end mark before its listing may stop: frames
// shown before the mark may be decoded that much after it.
constexpr int kReorderPackets = 16;
// More than the frames of two keyframe intervals encoded again take.
constexpr std::uint64_t kPieceBytesMax = 512ull * 1024 * 1024;

// The x264 settings that give `source`'s headers again; empty when none do.
// An MP4's first picture is read where its table says it lies.
std::string x264ParamsOf(const std::string& source, const Mp4Movie& movie)
{
    std::string bytes;
    if (const Mp4Track* video = movie.track(Mp4Tag("vide")); video && !video->samples.empty()) {
        platform::ReadOnlyFile file(source);
        bytes.resize(std::min<std::size_t>(video->samples.front().size, kOptionsBytesMax));
        const long long got = file.readAt(video->samples.front().offset, bytes.data(), bytes.size());
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return X264ParamsFor(X264OptionsIn(bytes));
    }
    // The stream alone: what the encoder says may repeat the file's name.
    RunToolApart(BuildOptionsProbeCommandLine(PrepareTool(), source), [&bytes](const char* chunk, std::size_t size) {
        bytes.append(chunk, size);
        return bytes.size() > kOptionsBytesMax;
    }, {});
    return X264ParamsFor(X264OptionsIn(bytes));
}

// Lists the video packets of `source` from the keyframe at or before
// `seconds` until `enough` says the listing holds what is needed.
PacketScan scanFrom(const std::string& source, const std::string& seconds,
                    const std::function<bool(const PacketScan&)>& enough)
{
    PacketScan scan;
    std::string pending;
    RunToolApart(BuildPacketScanCommandLine(PrepareTool(), source, seconds), [&](const char* chunk, std::size_t size) {
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
    }, {});
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

// Every kept frame is there, to a frame's rounding; a copy that started or
// ended elsewhere than planned (a container that seeks otherwise) is no
// exact cut.
bool holdsMarkedFrames(const std::string& output, const ExactCutPlan& plan)
{
    const Mp4Tracks tracks = ReadMp4Tracks(output);
    const std::int64_t expected = plan.length() * 1000000 / plan.ticksPerSecond;
    const std::int64_t frame = plan.frame * 1000000 / plan.ticksPerSecond;
    return tracks.readable && tracks.video && std::llabs(tracks.videoMicroseconds - expected) <= frame;
}

// The packets around each mark from the source's own tables: from the
// keyframe at or before the mark, past the frames it may need.
std::pair<PacketScan, PacketScan> scansOfTables(const Mp4Movie& movie, std::int64_t startMs, std::int64_t endMs)
{
    const Mp4Track& video = *movie.track(Mp4Tag("vide"));
    const auto& samples = video.samples;
    const std::int64_t late = ShownLate(movie);
    const auto sampleOfMark = [&](std::int64_t ms) {
        const std::size_t after = video.sampleAt((ms + 1) * video.timescale / 1000 + 1 - late);
        return after > 0 ? after - 1 : 0;
    };
    // A frame that starts within the mark's millisecond may be after it:
    // the listing starts before the frame the mark rounds to.
    const auto keyAtOrBefore = [&](std::size_t k) {
        k = k > 0 ? k - 1 : 0;
        while (k > 0 && !samples[k].key)
            --k;
        return k;
    };
    const std::size_t start = sampleOfMark(startMs);
    std::size_t nextKey = start + 1;
    while (nextKey < samples.size() && !samples[nextKey].key)
        ++nextKey;
    const std::size_t end = sampleOfMark(endMs);
    return {ScanOfSamples(movie, keyAtOrBefore(start), nextKey + 1),
            ScanOfSamples(movie, keyAtOrBefore(end), end + kReorderPackets + 1)};
}

// The source's bytes of `ranges` appended to `out`, a slice at a time so
// that a stop is seen within a few hundredths of a second.
bool copyRanges(platform::ReadOnlyFile& from, const std::vector<ByteRange>& ranges, platform::NewFile& out,
                const std::stop_token& stop)
{
    constexpr std::uint64_t kSlice = 64u << 20;
    for (const ByteRange& r : ranges)
        for (std::uint64_t done = 0; done < r.size; done += kSlice) {
            if (stop.stop_requested() || !out.appendFrom(from, r.offset + done, std::min(kSlice, r.size - done)))
                return false;
        }
    return true;
}

void removeIfSet(const std::string& path)
{
    if (!path.empty())
        platform::removeFile(path);
}

// A cut of a file whose pictures are shown as decoded, spliced (see
// mp4_splice.h): the frames before the first keyframe are encoded while the
// rest is copied. Empty when it could not be made, and nothing is left.
std::optional<int> spliceCut(const std::string& outputFolder, const CutJob& job, const Mp4Movie& movie,
                             const JobNotify& notify, std::stop_token stop)
{
    const std::string params = x264ParamsOf(job.source, movie);
    if (params.empty() || job.endMs <= job.startMs)
        return std::nullopt;
    const auto [nearStart, nearEnd] = scansOfTables(movie, job.startMs, job.endMs);
    const ExactCutPlan plan = PlanExactCut(nearStart, nearEnd, job.startMs, job.endMs);
    const SpliceSource part = PlanSplice(movie, plan);
    if (!part.possible)
        return std::nullopt;

    std::unique_ptr<platform::NewFile> made;
    const std::string output = ClaimFreeFile(CutOutputPath(outputFolder, job.source, platform::separator()), made);
    if (output.empty())
        return std::nullopt; // the keyframe cut says why
    notify(5, job.source, output, RunEnded);
    const int headFrames = static_cast<int>(part.videoFrom - part.firstFrame);
    const std::string head = headFrames > 0 ? ClaimFreeName(output + ".head.mp4") : std::string();
    int headStatus = headFrames > 0 && head.empty() ? RunInvalidData : RunEnded;
    bool written = false;
    {
        platform::NewFile& out = *made;
        platform::ReadOnlyFile from(job.source);
        const std::uint64_t sourceAt = SpliceFileStart(movie, 0).size();
        {
            const std::jthread encoding = platform::startWorker([&] {
                if (!head.empty() && headStatus == RunEnded)
                    headStatus = RunJobStep(BuildPieceCommandLine(PrepareTool(), job.source,
                                                                  TicksToSeconds(plan.first, plan.ticksPerSecond),
                                                                  headFrames, params, plan, head),
                                            [](int) {}, nullptr, stop);
            });
            written = out.isOpen() && out.append(SpliceFileStart(movie, 0).data(), sourceAt)
                && copyRanges(from, part.ranges, out, stop);
        }
        const Mp4Movie piece = head.empty() ? Mp4Movie{} : ReadMp4Movie(head);
        const Mp4Track* pieceVideo = piece.track(Mp4Tag("vide"));
        written = written && headStatus == RunEnded && (head.empty() || pieceVideo);
        const std::uint64_t headAt = out.size();
        if (written && pieceVideo) {
            platform::ReadOnlyFile pieceFile(head);
            written = copyRanges(pieceFile, RangesOfSamples(*pieceVideo), out, stop);
        }
        const std::string moov = written ? SplicedMovie(movie, part, sourceAt, pieceVideo, headAt) : std::string();
        const std::uint64_t payload = out.size() - sourceAt;
        const std::string mdat = SpliceMediaHeader(payload);
        written = !moov.empty() && out.append(moov.data(), moov.size())
            && out.writeAt(sourceAt - mdat.size(), mdat.data(), mdat.size());
        made.reset();
    }
    removeIfSet(head);
    const std::string& ours = output; // made new above
    if (stop.stop_requested()) {
        removeIfSet(ours);
        notify(100, job.source, output, RunStopRequested);
        return RunStopRequested;
    }
    if (!written || !holdsMarkedFrames(output, plan)) {
        DebugLog("no spliced cut: the piece encoded again did not fit, or the file could not be written");
        removeIfSet(ours);
        return std::nullopt;
    }
    notify(100, job.source, output, RunEnded);
    return RunEnded;
}

} // namespace

bool CanCutExactly(const std::string& source) { return !x264ParamsOf(source, ReadMp4Movie(source)).empty(); }

int CutExactly(const std::string& outputFolder, const CutJob& job, const JobNotify& notify, std::string* why,
               std::stop_token stop)
{
    const Mp4Movie movie = ReadMp4Movie(job.source);
    if (CanSplice(movie)) {
        if (const auto spliced = spliceCut(outputFolder, job, movie, notify, stop))
            return *spliced;
        return CutStretch(outputFolder, job, notify, why, stop);
    }
    // The three looks at the source are independent: at once, they cost
    // the longest of them. An MP4's options come from its tables, read above.
    std::string params;
    PacketScan nearStart;
    PacketScan nearEnd;
    {
        const std::jthread options = platform::startWorker([&] { params = x264ParamsOf(job.source, movie); });
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
    if (!ListablePath(job.source) || !ListablePath(outputFolder)) {
        DebugLog("no exact cut: a name with a line break cannot be listed for the join");
        return CutStretch(outputFolder, job, notify, why, stop);
    }

    const std::string output = ClaimFreeName(CutOutputPath(outputFolder, job.source, platform::separator()));
    if (output.empty())
        return CutStretch(outputFolder, job, notify, why, stop); // it says why
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
    const auto encode = [&](Piece& piece, std::int64_t from, int frames, std::int64_t shownFrom) {
        piece.status = RunJobStep(BuildPieceCommandLine(PrepareTool(), job.source,
                                                        TicksToSeconds(from, plan.ticksPerSecond), frames, params,
                                                        plan, piece.path, shownFrom),
                                  report, &piece.failure, stop);
        piece.matched = piece.status != RunEnded || headerCheckOf(piece.path) == nearStart.headerCheck;
    };
    Piece head;
    Piece tail;
    const auto claim = [&output](Piece& piece, const char* suffix) {
        piece.path = ClaimFreeName(output + suffix);
        if (piece.path.empty()) {
            piece.status = RunInvalidData;
            piece.failure = NoNewFileReason(output + suffix);
        }
    };
    if (plan.headFrames > 0)
        claim(head, ".head.mp4");
    if (plan.tailFrames > 0)
        claim(tail, ".tail.mp4");
    {
        // Both ends at once: each is short, and mostly the encoder's start.
        const std::jthread first = platform::startWorker([&] {
            if (!head.path.empty())
                encode(head, plan.first, plan.headFrames, plan.start - plan.first);
        });
        if (!tail.path.empty())
            encode(tail, plan.copyUntil, plan.tailFrames, 0);
    }
    const bool matched = head.matched && tail.matched;
    int status = head.status != RunEnded ? head.status : tail.status;
    std::string failure = head.status != RunEnded ? head.failure : tail.failure;
    if (matched && status == RunEnded) {
        const std::string list =
            ClaimFreeName(output + ".list.txt", BuildExactCutList(plan, job.source, head.path, tail.path));
        if (list.empty()) {
            status = RunInvalidData;
            failure = NoNewFileReason(output + ".list.txt");
        } else {
            status = RunJobStep(BuildExactJoinCommandLine(PrepareTool(), list, plan, job.source, output), report,
                                &failure, stop);
            platform::removeFile(list);
        }
    }
    removeIfSet(head.path);
    removeIfSet(tail.path);
    if (!matched) {
        DebugLog("no exact cut: the frames encoded again did not match the recording's headers");
        platform::removeFile(output);
        return CutStretch(outputFolder, job, notify, why, stop);
    }
    // Otherwise the cut is made at keyframes.
    if (status == RunEnded && !holdsMarkedFrames(output, plan)) {
        DebugLog("no exact cut: the joined pieces did not hold the marked frames");
        platform::removeFile(output);
        return CutStretch(outputFolder, job, notify, why, stop);
    }
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    if (status != RunEnded)
        platform::removeFile(output);
    notify(100, job.source, output, status);
    return status;
}

} // namespace editing
