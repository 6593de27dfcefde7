#pragma once
// Whether the parts of a merge can be joined by stream copy: each part
// against the form of the joined file, which the first part sets. What
// differs is named, so that the merge page can say why a part is converted,
// and the merge knows what to re-encode. Pure and Qt-free.
#include "media/media_probe.h"

#include <vector>

namespace media {

enum class PartMismatch {
    PictureCodec,
    PictureProfile,
    PictureSize,
    PixelAspect,
    PixelFormat,
    FrameRate,
    PictureTimeBase,
    PictureHeader, // the codec header data (for H.264 the SPS and PPS: level and coding tools)
    NoPicture,
    SoundCodec, // the codec or its profile
    SoundRate,
    SoundChannels,
    SoundHeader,
    NoSound,
    SoundTracks, // another count of sound tracks
};

// The form of the joined file: the picture of the first part that has one,
// the sound of the first part that has some, all its sound tracks (a part
// with other tracks is converted to that many). Where a part must be
// re-encoded into a form this program's encoders cannot write (a picture
// not H.264 4:2:0, sound not AAC-LC), the form becomes H.264 High 4:2:0 or
// AAC-LC with the same size, rate and layout, and every part is re-encoded.
struct JoinForm {
    bool picture = false;
    MediaPictureStream pictureForm;
    bool sound = false;
    MediaSoundStream soundForm;
    int soundTracks = 0; // with sound: the first part's count, at least 1
    bool pictureRewritten = false; // the first part's own codec could not be kept
    bool soundRewritten = false;
};

struct PartMatch {
    bool matches = true; // joined as it is
    std::vector<PartMismatch> reasons;
    bool encodePicture = false; // re-encoded picture (or black pictures made for it)
    bool encodeSound = false;   // re-encoded sound (or silence made for it)
    bool retime = false;        // only its picture's time base differs: copied into the form's
};

struct JoinPlan {
    JoinForm form;
    std::vector<PartMatch> parts; // one for each probe, in order
    // True when at least one part is converted: the merge page asks first.
    bool converts() const;
};

// Every probe must be readable.
JoinPlan PlanJoin(const std::vector<MediaProbe>& parts);

} // namespace media
