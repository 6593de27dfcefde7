// The media probe's parser on the encoder's own words, captured from its
// 5.1 release, and one run against the real encoder.
#include "media/media_probe.h"
#include "media/mp4_samples.h"
#include "encoder/tool.h"

#include "../support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

using encoder::EnsureToolFolder;
using media::MediaPictureStream;
using media::MediaProbe;
using media::MediaSoundStream;
using media::ParseMediaProbe;
using media::ProbeMedia;

using namespace testing_support;

namespace {

// A recording made with this program's options, as the encoder lists it:
// the input's description, the listing's header, the output's description,
// and the status line that ends without a line break before the packets.
const char* const kOurs = R"(Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'ours.mp4':
  Metadata:
    major_brand     : isom
  Duration: 00:00:02.00, start: 0.000000, bitrate: 6126 kb/s
  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, smpte170m/unknown/unknown, progressive), 1280x720 [SAR 1:1 DAR 16:9], 5982 kb/s, 60.97 fps, 60.97 tbr, 12194 tbn (default)
  Stream #0:1[0x2](und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, stereo, fltp, 127 kb/s (default)
#extradata 0:       47, 0x5b891057
#extradata 1:        5, 0x0366015d
#software: Lavf59.27.100
#tb 0: 1/12194
#media_type 0: video
#codec_id 0: h264
#dimensions 0: 1280x720
#sar 0: 1/1
#tb 1: 1/44100
#media_type 1: audio
#codec_id 1: aac
#sample_rate 1: 44100
#channel_layout_name 1: stereo
Output #0, framecrc, to 'pipe:':
  Stream #0:0(und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, smpte170m/unknown/unknown, progressive), 1280x720 [SAR 1:1 DAR 16:9], q=2-31, 5982 kb/s, 60.97 fps, 60.97 tbr, 12194 tbn (default)
    Metadata:
      handler_name    : VideoHandler
  Stream #0:1(und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, stereo, fltp, 127 kb/s (default)
Stream mapping:
  Stream #0:0 -> #0:0 (copy)
  Stream #0:1 -> #0:1 (copy)
frame=    0 fps=0.0 q=-1.0 size=       0kB time=00:00:00.00 bitrate=N/A speed=N/A    )"
                          "\r1,      -1024,      -1024,     1024,      340, 0x47659cb5, F=0x5, S=1,       10\n"
                          "0,          0,          0,      200,    28128, 0x456e5886\n";

// A transport stream with MPEG-2 pictures of non-square pixels, no sound.
const char* const kBroadcast = R"(Input #0, mpegts, from 'odd.mp4':
  Duration: 01:02:03.45, start: 1.440000, bitrate: 1227 kb/s
  Stream #0:0[0x100]: Video: mpeg2video (Main) ([2][0][0][0] / 0x0002), yuv420p(tv, progressive), 720x576 [SAR 16:15 DAR 4:3], 25 fps, 25 tbr, 90k tbn
#extradata 0:       22, 0x454b0591
#software: Lavf59.27.100
#tb 0: 1/90000
#media_type 0: video
#codec_id 0: mpeg2video
#dimensions 0: 720x576
#sar 0: 16/15
Output #0, framecrc, to 'pipe:':
  Stream #0:0: Video: mpeg2video (Main) ([2][0][0][0] / 0x0002), yuv420p(tv, progressive), 720x576 [SAR 16:15 DAR 4:3], q=2-31, 25 fps, 25 tbr, 90k tbn
Stream mapping:
  Stream #0:0 -> #0:0 (copy)
)";

// Sound alone, its layout named only in the description, of a container
// that tells no length.
const char* const kSoundOnly = R"(  Duration: N/A, start: 0.000000, bitrate: N/A
#tb 0: 1/48000
#media_type 0: audio
#codec_id 0: opus
#sample_rate 0: 48000
Output #0, framecrc, to 'pipe:':
  Stream #0:0: Audio: opus, 48000 Hz, 5.1(side), fltp
)";

// The captured words as the run gives them: the listing's lines ("#key" and
// packets) as its data, the rest as what it said.
MediaProbe parse(const std::string& words)
{
    std::string listing;
    std::string said;
    std::size_t from = 0;
    while (from < words.size()) {
        const std::size_t end = std::min(words.find_first_of("\r\n", from), words.size());
        const std::string line = words.substr(from, end - from) + "\n";
        (line[0] == '#' || (line[0] >= '0' && line[0] <= '9') ? listing : said) += line;
        from = end + 1;
    }
    return ParseMediaProbe(listing, said);
}

} // namespace

TEST(MediaProbe, ReadsEveryFieldOfTheListingAndTheDescription)
{
    const MediaProbe ours = parse(kOurs);
    ASSERT_TRUE(ours.readable);
    ASSERT_TRUE(ours.hasPicture);
    ASSERT_TRUE(ours.hasSound);
    const MediaPictureStream& p = ours.picture;
    EXPECT_EQ(p.codec, "h264");
    EXPECT_EQ(p.profile, "High");
    EXPECT_EQ(p.width, 1280);
    EXPECT_EQ(p.height, 720);
    EXPECT_EQ(p.sarNum, 1);
    EXPECT_EQ(p.sarDen, 1);
    EXPECT_EQ(p.pixelFormat, "yuv420p");
    EXPECT_DOUBLE_EQ(p.frameRate, 60.97);
    EXPECT_EQ(p.frameRateText, "60.97");
    EXPECT_EQ(p.timeBaseNum, 1);
    EXPECT_EQ(p.timeBaseDen, 12194);
    EXPECT_EQ(p.headerBytes, 47);
    EXPECT_EQ(p.headerCrc, 0x5b891057u);
    const MediaSoundStream& s = ours.sound;
    EXPECT_EQ(s.codec, "aac");
    EXPECT_EQ(s.profile, "LC");
    EXPECT_EQ(s.sampleRate, 44100);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.layout, "stereo");
    EXPECT_EQ(s.timeBaseDen, 44100);
    EXPECT_EQ(s.headerBytes, 5);
    EXPECT_EQ(s.headerCrc, 0x0366015du);
    EXPECT_EQ(ours.durationMicros, 2000000);

    const MediaProbe broadcast = parse(kBroadcast);
    ASSERT_TRUE(broadcast.hasPicture);
    EXPECT_FALSE(broadcast.hasSound);
    EXPECT_EQ(broadcast.picture.codec, "mpeg2video");
    EXPECT_EQ(broadcast.picture.profile, "Main"); // not the tag "[2][0][0][0] / 0x0002"
    EXPECT_EQ(broadcast.picture.sarNum, 16);
    EXPECT_EQ(broadcast.picture.sarDen, 15);
    EXPECT_EQ(broadcast.picture.timeBaseDen, 90000);
    EXPECT_DOUBLE_EQ(broadcast.picture.frameRate, 25);
    EXPECT_EQ(broadcast.durationMicros, 3723450000);

    const MediaProbe sound = parse(kSoundOnly);
    EXPECT_TRUE(sound.readable);
    EXPECT_FALSE(sound.hasPicture);
    EXPECT_EQ(sound.sound.codec, "opus");
    EXPECT_EQ(sound.sound.profile, "");
    EXPECT_EQ(sound.sound.channels, 6);
    EXPECT_EQ(sound.sound.layout, "5.1(side)");
    EXPECT_EQ(sound.sound.headerBytes, 0);
    EXPECT_EQ(sound.durationMicros, -1);

    // What the encoder says of a file that is no recording.
    EXPECT_FALSE(parse("n.mp4: Invalid data found when processing input\n").readable);
    EXPECT_FALSE(parse("").readable);
}

// The real encoder: a file with a name that must survive the command line,
// and a missing one.
TEST(MediaProbe, ProbesARealFileInOneRun)
{
    EnsureToolFolder();
    TempFolder folder;
    const std::string path = folder.file("-it's $HOME 录像.mp4");
    ASSERT_EQ(makeRecording(path, 2), "");
    const MediaProbe probe = ProbeMedia(path);
    ASSERT_TRUE(probe.readable);
    EXPECT_EQ(probe.picture.codec, "h264");
    EXPECT_EQ(probe.picture.width, 320);
    EXPECT_EQ(probe.picture.timeBaseDen, 15360);
    EXPECT_GT(probe.picture.headerBytes, 0);
    EXPECT_EQ(probe.sound.codec, "aac");
    EXPECT_EQ(probe.sound.sampleRate, 44100);
    EXPECT_EQ(probe.durationMicros, 2000000);

    std::string said;
    EXPECT_FALSE(ProbeMedia(folder.file("missing.mp4"), &said).readable);
    EXPECT_NE(said.find("No such file or directory"), std::string::npos) << said;
}

// A recording of a still screen has a picture only where something changed:
// its rate is the grid its pictures lie on, not the few a second ffprobe
// guesses, or a join would convert a moving part down to that.
TEST(MediaProbe, APictureThatStandsForManyFramesKeepsTheGridsRate)
{
    const auto movie = [](std::uint32_t timescale, std::vector<std::uint32_t> durations) {
        media::Mp4Movie m;
        m.readable = true;
        media::Mp4Track t;
        t.handler = media::Mp4Tag("vide");
        t.timescale = timescale;
        for (const std::uint32_t d : durations)
            t.samples.push_back({0, 1, 0, d, false});
        m.tracks.push_back(t);
        return m;
    };
    MediaPictureStream still;
    still.frameRate = 3.67;
    still.frameRateText = "3.67";
    media::UseSampleGrid(movie(12194, {200, 3000, 600, 200}), still);
    EXPECT_NEAR(still.frameRate, 60.97, 1e-9);
    EXPECT_EQ(still.frameRateText, "60.97");
    MediaPictureStream even;
    even.frameRate = 30;
    media::UseSampleGrid(movie(15360, {512, 512, 1024}), even);
    EXPECT_EQ(even.frameRateText, "30");
    // Timestamps that jitter lie on no grid a screen has: the rate stands.
    MediaPictureStream phone;
    phone.frameRate = 29.97;
    phone.frameRateText = "29.97";
    media::UseSampleGrid(movie(90000, {3003, 3002, 3004}), phone);
    EXPECT_EQ(phone.frameRateText, "29.97");
}
