#include "platform/text.h"
#include "util/files.h"

#include "../support/test_support.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

using util::GetDriveFreeSpace;
using util::MakeUniqueFileName;

using namespace testing_support;

TEST(MakeUniqueFileName, CountsUpPastEveryTakenName)
{
    TempFolder dir;
    std::string out;
    const std::string path = dir.file("2026-12-06-16-23-31.mp4");
    EXPECT_EQ(MakeUniqueFileName(path, out), 0);
    EXPECT_EQ(out, path); // nothing there yet

    writeFile(path, "x");
    EXPECT_EQ(MakeUniqueFileName(path, out), 0);
    EXPECT_EQ(out, dir.file("2026-12-06-16-23-31(1).mp4"));

    writeFile(dir.file("2026-12-06-16-23-31(1).mp4"), "x");
    EXPECT_EQ(MakeUniqueFileName(path, out), 0);
    EXPECT_EQ(out, dir.file("2026-12-06-16-23-31(2).mp4"));

    // Counters already in a name are not parsed: a second one follows.
    EXPECT_EQ(MakeUniqueFileName(dir.file("2026-12-06-16-23-31(1).mp4"), out), 0);
    EXPECT_EQ(out, dir.file("2026-12-06-16-23-31(1)(1).mp4"));
}

TEST(MakeUniqueFileName, FoldersDotsAndNonLatinNames)
{
    TempFolder dir;
    std::string out;
    // A folder of that name counts as taken.
    std::filesystem::create_directory(dir.path() / "clip.mp4");
    EXPECT_EQ(MakeUniqueFileName(dir.file("clip.mp4"), out), 0);
    EXPECT_EQ(out, dir.file("clip(1).mp4"));
    // The extension is taken from the name, not from a dot in a folder.
    std::filesystem::create_directory(dir.path() / "v1.0");
    writeFile(dir.file("v1.0/noext"), "x");
    EXPECT_EQ(MakeUniqueFileName(dir.file("v1.0/noext"), out), 0);
    EXPECT_EQ(out, dir.file("v1.0/noext(1)"));
    writeFile(dir.file("录像 $1.mp4"), "x");
    EXPECT_EQ(MakeUniqueFileName(dir.file("录像 $1.mp4"), out), 0);
    EXPECT_EQ(out, dir.file("录像 $1(1).mp4"));
}

TEST(MakeUniqueFileName, ResultMustFitTheBuffer)
{
    std::string out = "old";
    const std::string path = "/no/such/" + std::string(20, 'a') + ".mp4"; // 33 units
    EXPECT_EQ(MakeUniqueFileName(path, out, 34), 0);
    EXPECT_EQ(out, path);
    EXPECT_EQ(MakeUniqueFileName(path, out, 33), ERANGE);
    EXPECT_EQ(out, "");
    // Non-Latin letters count as one unit each, as in the Windows buffers.
    EXPECT_EQ(platform::utf16Length("录像"), 2u);
    EXPECT_EQ(platform::utf16Length("\xF0\x9F\x8E\xA5"), 2u); // outside the BMP: a surrogate pair
}

TEST(GetDriveFreeSpace, RealAndMissingFolders)
{
    TempFolder dir;
    std::uint64_t bytes = 0;
    EXPECT_EQ(GetDriveFreeSpace(dir.path().string(), bytes), 0);
    EXPECT_GT(bytes, 0u);
    bytes = 0;
    EXPECT_EQ(GetDriveFreeSpace(dir.file("missing/deeper"), bytes), 0);
    EXPECT_GT(bytes, 0u);
    bytes = 0;
    EXPECT_NE(GetDriveFreeSpace("", bytes), 0);
    EXPECT_EQ(bytes, 0u); // the caller's preset stays
}

TEST(ClaimFreeName, MakesANewFileAndNeverHandsBackOneThatExists)
{
    TempFolder dir;
    const std::string path = dir.file("cut $1 'x'.mp4");
    EXPECT_EQ(util::ClaimFreeName(path), path);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(util::ClaimFreeName(path), dir.file("cut $1 'x'(1).mp4")) << "the first claim holds its name";
    // A link, even one that leads nowhere, is a taken name: a writer that
    // follows links must never be handed it.
    std::error_code noLinks; // Wine's file system may refuse links
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("l.mp4"), noLinks);
    if (!noLinks) {
        EXPECT_EQ(util::ClaimFreeName(dir.file("l.mp4")), dir.file("l(1).mp4"));
        EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));
    }
    // No room in the name, or no folder: nothing rather than a taken path.
    EXPECT_EQ(util::ClaimFreeName(dir.file(std::string(600, 'a') + ".mp4")), "");
    EXPECT_EQ(util::ClaimFreeName(dir.file("missing/x.mp4")), "");
}

TEST(ClaimFirstFree, TakenNamesPassToTheNextNumberAFailureEndsTheClaim)
{
    TempFolder dir;
    std::vector<std::string> tried;
    const auto madeThird = [&tried](const std::string& name) {
        tried.push_back(name);
        return tried.size() < 3 ? util::NameClaim::Taken : util::NameClaim::Made;
    };
    EXPECT_EQ(util::ClaimFirstFree(dir.file("a b.mp4"), madeThird), dir.file("a b(2).mp4"));
    EXPECT_EQ(tried, (std::vector<std::string>{dir.file("a b.mp4"), dir.file("a b(1).mp4"), dir.file("a b(2).mp4")}));
    int calls = 0;
    EXPECT_EQ(util::ClaimFirstFree(dir.file("c.mp4"),
                                   [&calls](const std::string&) {
                                       ++calls;
                                       return util::NameClaim::Failed;
                                   }),
              "");
    EXPECT_EQ(calls, 1) << "no number mends a folder that cannot be written";
    // Folders by the same rule; a file of the name counts as taken.
    EXPECT_EQ(util::ClaimFreeFolder(dir.file("m.parts")), dir.file("m.parts"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("m.parts")));
    EXPECT_EQ(util::ClaimFreeFolder(dir.file("m.parts")), dir.file("m(1).parts"));
    EXPECT_EQ(util::ClaimFreeFolder(dir.file("missing/m.parts")), "");
}
