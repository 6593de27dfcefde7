#include "platform/files.h"
#include "platform/paths.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Files, FoldersOneLevelAndWithParents)
{
    TempFolder dir;
    const std::string deep = dir.file("a/b/c");
    EXPECT_FALSE(platform::makeFolder(deep)); // parent missing
    EXPECT_TRUE(platform::makeFolderPath(deep));
    EXPECT_TRUE(platform::isFolder(deep));
    EXPECT_TRUE(platform::makeFolderPath(deep)); // already there
    EXPECT_TRUE(platform::makeFolder(dir.file("a/b/d")));
    EXPECT_FALSE(platform::makeFolder(dir.file("a/b/d")));
}

TEST(Files, CopyRemoveAndSize)
{
    TempFolder dir;
    const std::string src = dir.file("源 file $x.bin");
    writeFile(src, std::string(100000, 'z'));
    EXPECT_EQ(platform::fileSize(src), 100000);
    EXPECT_TRUE(platform::copyFile(src, dir.file("copy")));
    EXPECT_EQ(readFile(dir.file("copy")), readFile(src));
    EXPECT_FALSE(platform::copyFile(dir.file("missing"), dir.file("copy")));
    EXPECT_EQ(platform::fileSize(dir.file("copy")), 100000); // a failed copy keeps the old file
    EXPECT_TRUE(platform::removeFile(dir.file("copy")));
    EXPECT_FALSE(platform::fileExists(dir.file("copy")));
    EXPECT_EQ(platform::fileSize(dir.file("copy")), -1);
    EXPECT_EQ(platform::fileSize(dir.path().string()), -1);
}

TEST(Files, FreeSpaceOfRealAndMissingFolders)
{
    TempFolder dir;
    std::uint64_t real = 0;
    EXPECT_EQ(platform::freeSpace(dir.path().string(), real), 0);
    EXPECT_GT(real, 0u);
    // A folder yet to be made answers for the file system it would land on.
    std::uint64_t missing = 0;
    EXPECT_EQ(platform::freeSpace(dir.file("not/yet/made"), missing), 0);
    EXPECT_GT(missing, 0u);
    std::uint64_t untouched = 7;
    EXPECT_NE(platform::freeSpace("", untouched), 0);
    EXPECT_EQ(untouched, 7u);
}

TEST(Paths, ToolCopyIsRunnable)
{
    TempFolder dir;
    const std::string copy = dir.file("tool");
    ASSERT_FALSE(platform::toolSource().empty());
    ASSERT_TRUE(platform::installToolCopy(platform::toolSource(), copy));
    int code = -1;
    const std::string out = runAndCapture("\"" + copy + "\" -version", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(out.find("ffmpeg version"), std::string::npos);
    // No executable-signature write on this platform: the copy is byte-identical.
    EXPECT_EQ(readFile(copy), readFile(platform::toolSource()));
    EXPECT_FALSE(platform::installToolCopy(dir.file("missing"), copy));
    EXPECT_TRUE(platform::fileExists(copy));
}
