#pragma once
// How a cut keeps exactly the marked frames yet copies most of the stream:
// the stretch from the first keyframe after the start mark to the last one
// before the end mark is copied, and only the frames on either side of it
// are encoded again, with the source's own x264 options so that their
// headers equal the copied stream's and the pieces join by stream copy.
// The sound is copied from the start mark, moved so that the mark is at
// zero. Pure and Qt-free: the plan, the encoder's lists and command lines.
#include <cstdint>
#include <string>
#include <vector>

namespace editing {

// One video packet as the encoder's frame listing (framecrc) gives it, in
// ticks of the stream's time base.
struct CutPacket {
    std::int64_t dts = 0;
    std::int64_t pts = 0;
    std::int64_t duration = 0;
    bool key = false;
};

// The first stream's packets from a frame listing, in the order listed.
struct PacketScan {
    std::int64_t ticksPerSecond = 0; // 0: the listing gave no time base
    // A frame's duration where the whole stream's table tells it (see
    // Mp4Track::grid); 0 when unknown.
    std::int64_t grid = 0;
    std::string headerCheck;         // the codec header's size and checksum
    std::vector<CutPacket> packets;
};
PacketScan ParsePacketScan(const std::string& listing);

// The codec header's size and checksum in an MP4 written by the encoder,
// as the frame listing gives them (PacketScan::headerCheck); empty when it
// holds none.
std::string HeaderCheckOfMp4(const std::string& bytes);

// The x264 settings that give the stream's headers again, from the options
// text x264 writes into the stream ("cabac=1 ref=3 ..."), with a quality
// cap so that the encoded frames stay close to the ones they replace.
// Empty when they cannot be given again (no options, interlacing, a rate
// control that is not named).
std::string X264ParamsFor(const std::string& options);
// The options text in a stream's first bytes ("options: ..."), empty when
// x264 wrote none.
std::string X264OptionsIn(const std::string& bytes);

// What an exact cut does. Times are in ticks of the video's time base.
struct ExactCutPlan {
    bool possible = false;
    std::int64_t ticksPerSecond = 0;
    std::int64_t first = 0;  // presentation time of the first frame kept
    std::int64_t last = 0;   // that of the last frame kept
    std::int64_t frame = 0;  // a frame's duration
    // Where the cut starts and ends. A frame that stands for many (a still
    // screen's recording writes one only when something changed) is kept
    // from the mark's instant, not from its own start, and until the end
    // mark's instant; otherwise these are `first` and the end of `last`.
    std::int64_t start = 0;
    std::int64_t end = 0;
    int headFrames = 0;      // frames encoded from `first` up to `copyFrom`
    bool copies = false;     // a stretch is copied
    std::int64_t copyFrom = 0;  // the keyframe the copy starts at
    std::int64_t copyUntil = 0; // the keyframe it ends before (presentation time)
    std::int64_t copyUntilDts = 0; // and its decoding time
    int tailFrames = 0;      // frames encoded from the end of the copy to `last`

    std::int64_t length() const { return end - start; }
};

// The plan for marks in milliseconds, from the packets listed from the
// keyframe at or before each mark. A mark picks the frame on screen at
// that instant. Not possible when either listing does not reach its mark.
ExactCutPlan PlanExactCut(const PacketScan& nearStart, const PacketScan& nearEnd, std::int64_t startMs,
                          std::int64_t endMs);

// Seconds with six decimals, never rounded up past `ticks`: a time given
// to the encoder must not fall after the frame it names.
std::string TicksToSeconds(std::int64_t ticks, std::int64_t ticksPerSecond);

// Lists the video packets from the keyframe at or before `seconds`, with
// the source's own timestamps.
std::string BuildPacketScanCommandLine(const std::string& quotedTool, const std::string& source,
                                       const std::string& seconds);
// The first video packet as a raw stream, to read x264's options from.
std::string BuildOptionsProbeCommandLine(const std::string& quotedTool, const std::string& source);
// `frames` frames from `seconds` encoded again at the plan's rate (which
// the headers carry), keeping their timestamps but the first's, which
// starts `shownFrom` ticks later (see ExactCutPlan::start).
std::string BuildPieceCommandLine(const std::string& quotedTool, const std::string& source,
                                  const std::string& seconds, int frames, const std::string& x264Params,
                                  const ExactCutPlan& plan, const std::string& output, std::int64_t shownFrom = 0);
// The encoder's list (ffconcat) of the pictures: the head piece, the copied
// stretch of `source`, the tail piece; an empty piece path is left out.
// Empty when a path cannot be listed (see ConcatListFile).
std::string BuildExactCutList(const ExactCutPlan& plan, const std::string& source, const std::string& head,
                              const std::string& tail);
// The pictures of `list` with the sound of `source` from the first frame
// for the cut's length, into `output`.
std::string BuildExactJoinCommandLine(const std::string& quotedTool, const std::string& list,
                                      const ExactCutPlan& plan, const std::string& source,
                                      const std::string& output);

} // namespace editing
