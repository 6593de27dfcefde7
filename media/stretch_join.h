#pragma once
// A paused take is recorded as stretches, one encoder run each, and joined
// into one recording at Stop without re-encoding. Every stretch has the same
// settings and starts on a keyframe, so its pictures join exactly; its sound
// starts with the encoder's priming and ends wherever the encoder was told
// to quit, so each stretch's sound is cut at whole packets to keep to its
// pictures. Qt-free.
#include "encoder/runner.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace media {

// A file's line in the encoder's list (ffconcat): in single quotes, where
// only a quote needs care, with the protocol prefix that keeps a name with a
// colon a plain file. Empty for a path with a line break, which would end
// the line and make the rest of the name lines of the list: whoever builds a
// list must then give it another name (ListablePath) or fail.
std::string ConcatListFile(const std::string& path);
bool ListablePath(const std::string& path);

// One stretch as its recording's boxes tell it.
struct StretchTiming {
    std::string path;
    std::int64_t videoMicroseconds = 0;
    std::uint32_t soundRate = 0;  // 0: no sound
    std::uint64_t soundUnits = 0; // samples, the priming included
    int soundTracks = 1;          // with sound: how many tracks, all of one length
};

// The encoder's lists (ffconcat) of the pictures and of the sound. Each
// stretch's pictures are placed right after the last; its sound drops the
// priming packet and keeps the whole packets that bring the sound's end
// nearest the pictures' end, so that no error adds up across stretches:
// every stretch's sound starts within half a packet (12 ms) of its pictures.
// `sound` is empty when the stretches have none; both are empty when a
// path cannot be listed. Pure.
struct StretchLists {
    std::string picture;
    std::string sound;
};
StretchLists BuildStretchJoinLists(const std::vector<StretchTiming>& stretches);

// The join by stream copy of the two lists' files into `target`.
std::string BuildStretchJoinCommandLine(const std::string& quotedTool, const std::string& pictureList,
                                        const std::string& soundList, const std::string& target);

// The one join by stream copy: `parts` (as their boxes tell them) into
// `target`, a file the caller made new for it (util::ClaimFreeName), through
// list files made new beside it and removed afterwards. Ends well only when
// the joined file holds every part's pictures, to a frame's rounding each,
// and, when they all have sound, the first part's sound tracks in their
// order (the list cuts them alike); else the target is removed. `onFrame`,
// `why` and `stop` as for encoder::RunJobStep. Blocks while the encoder copies.
encoder::RunStatus JoinByStreamCopy(const std::vector<StretchTiming>& parts, const std::string& target,
                                    const std::function<void(int)>& onFrame = {}, std::string* why = nullptr,
                                    const std::stop_token& stop = {});

// Joins the recordings `stretches` of one take into `target` as
// JoinByStreamCopy does, and puts the joined file on the disk. True when it
// was joined; a failed join (also one of stretches that cannot be read)
// removes the target.
bool JoinStretches(const std::vector<std::string>& stretches, const std::string& target);

} // namespace media
