#pragma once
// An exact cut of a file whose pictures are shown in the order they are
// decoded (our recordings), written without the encoder's copy: the frames
// from the first keyframe after the start mark to the end mark, and the
// sound, are copied as bytes of the source, the frames before that keyframe
// come from a piece encoded again, and a new movie box tells where each
// sample lies. The copy needs nothing from the piece, so the two run at
// once. The file is laid out as the file type, the media data (the source's
// bytes, then the piece's) and the movie box. Pure and Qt-free.
#include "editing/exact_cut_plan.h"
#include "media/mp4_samples.h"

#include <cstdint>
#include <string>
#include <vector>

namespace editing {

// Whether a cut of `movie` can be spliced: a picture track shown as decoded
// from its start, perhaps late, and sound tracks (any number: a recording
// may hold the mix and each source alone) each with a plain edit.
bool CanSplice(const media::Mp4Movie& movie);

// How late the pictures are shown, in their time scale (the track's empty
// edit): the encoder's readers add it to every time.
std::int64_t ShownLate(const media::Mp4Movie& movie);

// The packets of the picture track's samples [from, until), as the frame
// listing would give them (shown late by the track's empty edit), for
// planning.
PacketScan ScanOfSamples(const media::Mp4Movie& movie, std::size_t from, std::size_t until);

struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// What a spliced cut takes of one sound track.
struct SoundSpan {
    std::size_t track = 0;   // its place in the source's tracks
    std::size_t from = 0;    // the source samples copied: [from, until)
    std::size_t until = 0;
    std::int64_t skip = 0;   // sound before the cut's start, in the sound's time scale
    std::uint64_t delay = 0; // silence before the sound starts, in the movie's time scale
};

// What a spliced cut takes from its source.
struct SpliceSource {
    bool possible = false;
    std::size_t firstFrame = 0;  // the source sample of the cut's first frame
    std::size_t videoFrom = 0;   // the source samples copied: [videoFrom, videoUntil)
    std::size_t videoUntil = 0;
    std::vector<SoundSpan> sounds; // one for each sound track with samples, in the source's order
    std::int64_t length = 0;     // of the pictures, in their time scale
    // The first frame's time before the cut starts, and the last one's time
    // in the cut: a picture may stand for many frames.
    std::int64_t firstCut = 0;
    std::int64_t lastDuration = 0;
    std::vector<ByteRange> ranges; // the source's bytes to copy, in the order of the file
};
SpliceSource PlanSplice(const media::Mp4Movie& source, const ExactCutPlan& plan);

// The bytes that start the file: the file type and the media data's header,
// whose size `payload` may be given once known (SpliceMediaHeader again).
std::string SpliceFileStart(const media::Mp4Movie& source, std::uint64_t payload);
std::string SpliceMediaHeader(std::uint64_t payload);

// The byte ranges of all samples of `track`, merged where they touch.
std::vector<ByteRange> RangesOfSamples(const media::Mp4Track& track);

// The movie box, with the source's ranges copied from `sourceAt` on in the
// file and the piece's (the frames before the copy, `head`, may be null when
// there are none) from `headAt` on. Empty when the piece does not fit: other
// codec headers, another count of frames, no keyframe first.
std::string SplicedMovie(const media::Mp4Movie& source, const SpliceSource& part, std::uint64_t sourceAt,
                         const media::Mp4Track* head, std::uint64_t headAt);

} // namespace editing
