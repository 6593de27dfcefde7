#include "media/media_match.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

bool producible(const MediaPictureStream& p)
{
    static const char* const profiles[] = {"High", "Main", "Constrained Baseline", "Baseline"};
    return p.codec == "h264" && p.pixelFormat == "yuv420p"
        && std::any_of(std::begin(profiles), std::end(profiles), [&](const char* q) { return p.profile == q; });
}

bool producible(const MediaSoundStream& s) { return s.codec == "aac" && s.profile == "LC"; }

// An unknown aspect is square pixels.
bool sameAspect(const MediaPictureStream& a, const MediaPictureStream& b)
{
    const auto num = [](const MediaPictureStream& p) { return p.sarNum > 0 && p.sarDen > 0 ? p.sarNum : 1; };
    const auto den = [](const MediaPictureStream& p) { return p.sarNum > 0 && p.sarDen > 0 ? p.sarDen : 1; };
    return static_cast<long long>(num(a)) * den(b) == static_cast<long long>(num(b)) * den(a);
}

// A part whose probe did not count its sound tracks has the one it read.
int soundTracksOf(const MediaProbe& p) { return std::max(1, p.soundTracks); }

// Rates the encoder prints to two decimals ("29.97" for 30000/1001).
bool sameRate(double a, double b) { return std::fabs(a - b) <= 0.005 + 1e-4 * std::max(a, b); }

void comparePicture(const MediaProbe& part, const JoinForm& form, PartMatch& m)
{
    if (!form.picture)
        return;
    if (!part.hasPicture) {
        m.reasons.push_back(PartMismatch::NoPicture);
        m.encodePicture = true;
        return;
    }
    const MediaPictureStream& p = part.picture;
    const MediaPictureStream& f = form.pictureForm;
    const std::size_t before = m.reasons.size();
    if (p.codec != f.codec)
        m.reasons.push_back(PartMismatch::PictureCodec);
    else if (p.profile != f.profile)
        m.reasons.push_back(PartMismatch::PictureProfile);
    if (p.width != f.width || p.height != f.height)
        m.reasons.push_back(PartMismatch::PictureSize);
    if (!sameAspect(p, f))
        m.reasons.push_back(PartMismatch::PixelAspect);
    if (p.pixelFormat != f.pixelFormat)
        m.reasons.push_back(PartMismatch::PixelFormat);
    if (!sameRate(p.frameRate, f.frameRate))
        m.reasons.push_back(PartMismatch::FrameRate);
    // A rewritten form has no header of its own yet: its parts are all made
    // by this program's encoder.
    if (form.pictureRewritten || p.headerBytes != f.headerBytes || p.headerCrc != f.headerCrc)
        m.reasons.push_back(PartMismatch::PictureHeader);
    m.encodePicture = m.reasons.size() > before;
    if (p.timeBaseNum != f.timeBaseNum || p.timeBaseDen != f.timeBaseDen) {
        m.reasons.push_back(PartMismatch::PictureTimeBase);
        m.retime = !m.encodePicture;
    }
}

void compareSound(const MediaProbe& part, const JoinForm& form, PartMatch& m)
{
    if (!form.sound)
        return;
    if (!part.hasSound) {
        m.reasons.push_back(PartMismatch::NoSound);
        m.encodeSound = true;
        return;
    }
    const MediaSoundStream& s = part.sound;
    const MediaSoundStream& f = form.soundForm;
    const std::size_t before = m.reasons.size();
    if (s.codec != f.codec || s.profile != f.profile)
        m.reasons.push_back(PartMismatch::SoundCodec);
    if (s.sampleRate != f.sampleRate)
        m.reasons.push_back(PartMismatch::SoundRate);
    if (s.channels != f.channels || s.layout != f.layout)
        m.reasons.push_back(PartMismatch::SoundChannels);
    if (form.soundRewritten || s.headerBytes != f.headerBytes || s.headerCrc != f.headerCrc)
        m.reasons.push_back(PartMismatch::SoundHeader);
    if (soundTracksOf(part) != form.soundTracks)
        m.reasons.push_back(PartMismatch::SoundTracks);
    m.encodeSound = m.reasons.size() > before;
}

std::vector<PartMatch> compareAll(const std::vector<MediaProbe>& parts, const JoinForm& form)
{
    std::vector<PartMatch> matches;
    for (const MediaProbe& part : parts) {
        PartMatch m;
        comparePicture(part, form, m);
        compareSound(part, form, m);
        m.matches = m.reasons.empty();
        matches.push_back(std::move(m));
    }
    return matches;
}

} // namespace

bool JoinPlan::converts() const
{
    return std::any_of(parts.begin(), parts.end(), [](const PartMatch& m) { return !m.matches; });
}

JoinPlan PlanJoin(const std::vector<MediaProbe>& parts)
{
    JoinPlan plan;
    JoinForm& form = plan.form;
    for (const MediaProbe& part : parts) {
        if (!form.picture && part.hasPicture) {
            form.picture = true;
            form.pictureForm = part.picture;
        }
        if (!form.sound && part.hasSound) {
            form.sound = true;
            form.soundForm = part.sound;
            form.soundTracks = soundTracksOf(part);
        }
    }
    plan.parts = compareAll(parts, form);
    const bool pictureEncoded =
        std::any_of(plan.parts.begin(), plan.parts.end(), [](const PartMatch& m) { return m.encodePicture; });
    const bool soundEncoded =
        std::any_of(plan.parts.begin(), plan.parts.end(), [](const PartMatch& m) { return m.encodeSound; });
    if (pictureEncoded && !producible(form.pictureForm)) {
        form.pictureRewritten = true;
        form.pictureForm.codec = "h264";
        form.pictureForm.profile = "High";
        form.pictureForm.pixelFormat = "yuv420p";
    }
    if (soundEncoded && !producible(form.soundForm)) {
        form.soundRewritten = true;
        form.soundForm.codec = "aac";
        form.soundForm.profile = "LC";
    }
    if (form.pictureRewritten || form.soundRewritten)
        plan.parts = compareAll(parts, form);
    return plan;
}

} // namespace media
