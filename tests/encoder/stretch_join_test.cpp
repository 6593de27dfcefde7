// The lists that join a paused take's stretches, and a join that fails.
#include "media/stretch_join.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <vector>

using media::BuildStretchJoinCommandLine;
using media::BuildStretchJoinLists;
using media::StretchLists;
using media::StretchTiming;

namespace {

// The outpoints of a list, in microseconds.
std::vector<long long> outpoints(const std::string& list)
{
    std::vector<long long> found;
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("outpoint ", 0) == 0)
            found.push_back(std::llround(std::stod(line.substr(9)) * 1e6));
    return found;
}

} // namespace

// Each stretch's sound keeps whole packets, and where its end falls between
// packets the next stretch makes up for it: over many stretches every
// stretch's sound starts within half a packet of its pictures.
TEST(StretchJoin, SoundKeepsToThePicturesAcrossManyStretches)
{
    constexpr double packet = 1024e6 / 44100;
    std::vector<StretchTiming> stretches;
    for (int i = 0; i < 40; ++i) {
        const std::int64_t video = 1000000 + 37777 * i; // never a whole number of packets
        // More sound than pictures, as every stretch has: priming and a tail.
        const auto units = static_cast<std::uint64_t>((video / 1e6 + 0.2) * 44100) + 1024;
        stretches.push_back({"/r/take-part" + std::to_string(i + 1) + ".mp4", video, 44100, units});
    }
    const StretchLists lists = BuildStretchJoinLists(stretches);
    const std::vector<long long> pictures = outpoints(lists.picture);
    const std::vector<long long> sounds = outpoints(lists.sound);
    ASSERT_EQ(pictures.size(), stretches.size());
    ASSERT_EQ(sounds.size(), stretches.size());
    long long pictureStart = 0, soundStart = 0;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        EXPECT_EQ(pictures[i], stretches[i].videoMicroseconds);
        pictureStart += pictures[i];
        soundStart += sounds[i];
        EXPECT_LE(std::llabs(soundStart - pictureStart), packet / 2 + 2) << "after stretch " << i + 1;
        // A whole number of packets, just short of the next one.
        const double packets = (sounds[i] + 1) / packet;
        EXPECT_NEAR(packets, std::round(packets), 1e-4);
    }
}

// A stretch whose sound is short keeps what it has; a take without sound
// has no sound list.
TEST(StretchJoin, ShortOrMissingSound)
{
    const StretchLists shortSound = BuildStretchJoinLists({{"/a.mp4", 2000000, 44100, 1024 + 10 * 1024}});
    EXPECT_EQ(outpoints(shortSound.sound), std::vector<long long>{std::llround(std::ceil(10 * 1024e6 / 44100)) - 1});
    const StretchLists silent = BuildStretchJoinLists({{"/a.mp4", 2000000, 0, 0}, {"/b.mp4", 1000000, 0, 0}});
    EXPECT_TRUE(silent.sound.empty());
    EXPECT_EQ(outpoints(silent.picture), (std::vector<long long>{2000000, 1000000}));
}

// Hostile names reach the encoder as they are: the list quotes them, and
// the command line quotes the lists.
TEST(StretchJoin, NamesRoundTrip)
{
    const std::string name = "/v/-it's $HOME \"新建\".mp4";
    const StretchLists lists = BuildStretchJoinLists({{name, 1000000, 44100, 100000}});
    EXPECT_NE(lists.picture.find("file 'file:/v/-it'\\''s $HOME \"新建\".mp4'\n"), std::string::npos) << lists.picture;
    const std::string line = BuildStretchJoinCommandLine("\"tool\"", "/v/a b.txt", "/v/c.txt", "/v/-out $.mp4");
    EXPECT_NE(line.find(" -i \"/v/a b.txt\" "), std::string::npos) << line;
    EXPECT_NE(line.find(" -map 0:v -map 1:a -codec copy -y -f mp4 \"/v/-out $.mp4\""), std::string::npos) << line;
}

// A join that cannot be made leaves neither the target the caller made for
// it nor a list, and says why.
TEST(StretchJoin, AFailedJoinLeavesNothing)
{
    testing_support::TempFolder dir;
    const std::string target = dir.file("joined.mp4");
    const std::string notMp4 = dir.file("a.mp4");
    testing_support::writeFile(notMp4, "no boxes here");
    testing_support::writeFile(target, "");
    EXPECT_FALSE(media::JoinStretches({notMp4}, target));
    EXPECT_FALSE(std::filesystem::exists(target)) << "an unreadable stretch left the empty target behind";

    testing_support::writeFile(target, "");
    std::string why;
    EXPECT_EQ(media::JoinByStreamCopy({{dir.file("b\nfile 'pipe:0'\n.mp4"), 1000000, 0, 0}}, target, {}, &why),
              encoder::RunInvalidData);
    EXPECT_NE(why.find("line break"), std::string::npos) << why;
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "only the stretch is left";
}
