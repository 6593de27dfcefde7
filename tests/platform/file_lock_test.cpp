// A take's working files as the recorder holds them: made new, locked for
// anyone who asks, and files told apart by what they are, not how their
// path is spelled.
#include "platform/file_lock.h"
#include "platform/files.h"

#include "../support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::FileLock;
using platform::isLockedByAnyone;

using namespace testing_support;
namespace fs = std::filesystem;

TEST(FileLock, MadeNewNeverOverANameOrThroughALinkAndSeenByEveryOtherHolder)
{
    TempFolder dir;
    const std::string file = dir.file("take.recording.ts");
    writeFile(dir.file("target"), "the user's");
    fs::create_symlink(dir.file("target"), dir.file("link.recording.ts"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.recording.ts"));
    writeFile(dir.file("taken.recording.ts"), "taken");
    for (const char* name : {"link.recording.ts", "dangling.recording.ts", "taken.recording.ts"})
        EXPECT_FALSE(FileLock::makeNew(dir.file(name)).held()) << name;
    EXPECT_EQ(readFile(dir.file("target")), "the user's");
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));

    {
        const FileLock held = FileLock::makeNew(file);
        ASSERT_TRUE(held.held());
        EXPECT_EQ(fs::file_size(file), 0u);
        // Held means held for another part of this same process too.
        EXPECT_TRUE(isLockedByAnyone(file));
        EXPECT_FALSE(FileLock::takeExisting(file).held());
        // Others still read and write it: the encoder writes what we hold.
        writeFile(file, "written by the encoder");
        EXPECT_TRUE(isLockedByAnyone(file));
        // Asking does not take it: still held afterwards.
        EXPECT_FALSE(FileLock::takeExisting(file).held());
    }
    EXPECT_FALSE(isLockedByAnyone(file));
    FileLock taken = FileLock::takeExisting(file);
    EXPECT_TRUE(taken.held());
    EXPECT_TRUE(isLockedByAnyone(file));
    taken = {};
    EXPECT_FALSE(isLockedByAnyone(file));

    // A link, a pipe and a folder are never taken, nor is the file behind a link.
    ASSERT_EQ(::mkfifo(dir.file("pipe.recording.ts").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.recording.ts"));
    for (const char* name : {"link.recording.ts", "pipe.recording.ts", "folder.recording.ts", "missing"})
        EXPECT_FALSE(FileLock::takeExisting(dir.file(name)).held()) << name;
    const FileLock target = FileLock::takeExisting(dir.file("target"));
    EXPECT_FALSE(isLockedByAnyone(dir.file("link.recording.ts")));
}

TEST(FileIdentity, OneFolderHoweverSpelledAndOnlyOwnPlainFiles)
{
    TempFolder dir;
    const std::string folder = dir.path().string();
    fs::create_directory(dir.file("other"));
    fs::create_directory_symlink(folder, dir.file("other/via-link"));
    for (const std::string& spelling : {folder + "/", folder + "/./", folder + "//", dir.file("other/via-link"),
                                        dir.file("other/..")})
        EXPECT_TRUE(platform::sameFile(spelling, folder)) << spelling;
    EXPECT_FALSE(platform::sameFile(dir.file("other"), folder));
    EXPECT_FALSE(platform::sameFile(dir.file("missing"), dir.file("missing")));

    writeFile(dir.file("mine"), "x");
    fs::create_symlink(dir.file("mine"), dir.file("link"));
    EXPECT_TRUE(platform::isOwnPlainFile(dir.file("mine")));
    EXPECT_FALSE(platform::isOwnPlainFile(dir.file("link")));
    EXPECT_FALSE(platform::isOwnPlainFile(dir.file("other")));
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    writeFile(dir.file("theirs"), "x");
    ASSERT_EQ(::chown(dir.file("theirs").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(platform::isOwnPlainFile(dir.file("theirs")));
    EXPECT_FALSE(FileLock::takeExisting(dir.file("theirs")).held());
}
