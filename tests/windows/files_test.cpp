// Files, folders, drives and the encoder copy on the Win32 file calls.
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "util/files.h"

#include "../support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

using encoder::EnsureToolFolder;
using encoder::PrepareTool;
using encoder::RunEnded;
using encoder::RunTool;
using encoder::ToolCopyPath;
using encoder::ToolFolder;
using util::GetDriveFreeSpace;
using util::MakeUniqueFileName;

using namespace testing_support;

namespace {

// A drive letter that names no drive on this machine.
std::string missingDrive()
{
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":\\VantreelSave";
    return {};
}

} // namespace

TEST(WinGetDriveFreeSpace, RealDriveMissingDriveAndNetworkPath)
{
    std::uint64_t bytes = 0;
    EXPECT_EQ(GetDriveFreeSpace("C:", bytes), 0);
    EXPECT_GT(bytes, 0u);
    bytes = 0;
    // Only the letter counts: a folder that does not exist yet is on C: too.
    EXPECT_EQ(GetDriveFreeSpace("C:\\VantreelSave\\not\\made", bytes), 0);
    EXPECT_GT(bytes, 0u);

    const std::string missing = missingDrive();
    ASSERT_FALSE(missing.empty());
    std::uint64_t untouched = 0;
    EXPECT_NE(GetDriveFreeSpace(missing, untouched), 0) << missing;
    EXPECT_EQ(untouched, 0u); // the caller's preset stays, so 0 bytes show
    untouched = 7;
    EXPECT_NE(GetDriveFreeSpace("\\\\server\\share\\videos", untouched), 0);
    EXPECT_NE(GetDriveFreeSpace("", untouched), 0);
    EXPECT_EQ(untouched, 7u);
}

TEST(WinFiles, FoldersCopiesAndNonLatinNames)
{
    TempFolder dir;
    const std::string deep = dir.file("录像\\a b\\c");
    EXPECT_FALSE(platform::makeFolder(deep)); // one level only
    EXPECT_TRUE(platform::makeFolderPath(deep));
    EXPECT_TRUE(platform::isFolder(deep));
    EXPECT_TRUE(platform::makeFolderPath(deep)); // already there
    // A file where the folder should be is no folder.
    writeFile(dir.file("plain"), "x");
    EXPECT_FALSE(platform::makeFolderPath(dir.file("plain")));

    const std::string src = dir.file("源 file $x.bin");
    writeFile(src, std::string(100000, 'z'));
    EXPECT_EQ(platform::fileSize(src), 100000);
    EXPECT_TRUE(platform::copyFile(src, deep + "\\copy"));
    EXPECT_EQ(readFile(deep + "\\copy"), readFile(src));
    EXPECT_FALSE(platform::copyFile(dir.file("missing"), deep + "\\copy"));
    EXPECT_EQ(platform::fileSize(deep + "\\copy"), 100000);
    EXPECT_EQ(platform::fileSize(deep), -1);
    EXPECT_TRUE(platform::removeFile(deep + "\\copy"));
    EXPECT_FALSE(platform::fileExists(deep + "\\copy"));

    std::string unique;
    EXPECT_EQ(MakeUniqueFileName(src, unique), 0);
    EXPECT_EQ(unique, dir.file("源 file $x(1).bin"));
}

TEST(WinPrepareTool, CopiesToolAndWritesTheExecutableSignature)
{
    // The shipped `tool` carries no signature: here the fault child with its
    // first two bytes spoiled, beside this test program.
    const std::string shipped = platform::toolSource();
    ASSERT_EQ(shipped, platform::programFolder() + "\\tool");
    std::string image = readFile(faultChild());
    ASSERT_EQ(image.substr(0, 2), "MZ");
    image[0] = 'X';
    image[1] = 'X';
    writeFile(shipped, image);

    EnsureToolFolder();
    EXPECT_TRUE(platform::isFolder(ToolFolder() + "viewInstall"));
    const std::string quoted = PrepareTool();
    EXPECT_EQ(ToolCopyPath(), ToolFolder() + "\\tool.exe"); // the doubled separator is kept
    EXPECT_EQ(platform::splitCommandLine(quoted + " -version"), (std::vector<std::string>{ToolCopyPath(), "-version"}));
    const std::string copy = readFile(ToolCopyPath());
    ASSERT_EQ(copy.size(), image.size());
    EXPECT_EQ(copy.substr(0, 2), "MZ");
    EXPECT_EQ(copy.substr(2), image.substr(2));
    // The copy runs: the encoder path heads every command line.
    EXPECT_EQ(RunTool(quoted + " exit-now"), RunEnded);
    int code = -1;
    EXPECT_EQ(runAndCapture(quoted + " exit-code 4", &code), "");
    EXPECT_EQ(code, 4);

    // A copy in use by a running encoder cannot be replaced; it still runs.
    platform::ChildProcess running;
    ASSERT_TRUE(running.start(quoted + " deaf 1000"));
    EXPECT_EQ(PrepareTool(), quoted);
    EXPECT_EQ(readFile(ToolCopyPath()).substr(0, 2), "MZ");
    EXPECT_EQ(RunTool(quoted + " exit-now"), RunEnded);
    EXPECT_TRUE(running.waitForExit(10000));

    // Without `tool` the earlier copy stays and runs.
    ASSERT_TRUE(platform::removeFile(shipped));
    PrepareTool();
    EXPECT_EQ(readFile(ToolCopyPath()), copy);
    EXPECT_EQ(RunTool(quoted + " exit-now"), RunEnded);
}

// A take's working file as the recorder holds it: made new, seen as held by
// every other handle, this process's too, and still written by the encoder
// through a handle of its own. One folder is one however it is spelled.
TEST(WinFileLock, HeldForEveryAskerAndStillWritable)
{
    TempFolder dir;
    const std::string file = dir.file("take.recording.ts");
    writeFile(dir.file("taken.recording.ts"), "taken");
    EXPECT_FALSE(platform::FileLock::makeNew(dir.file("taken.recording.ts")).held());
    {
        const platform::FileLock held = platform::FileLock::makeNew(file);
        ASSERT_TRUE(held.held());
        EXPECT_TRUE(platform::isLockedByAnyone(file));
        EXPECT_FALSE(platform::FileLock::takeExisting(file).held());
        writeFile(file, "written by the encoder");
        EXPECT_EQ(readFile(file), "written by the encoder");
        EXPECT_TRUE(platform::isLockedByAnyone(file));
    }
    EXPECT_FALSE(platform::isLockedByAnyone(file));
    EXPECT_TRUE(platform::FileLock::takeExisting(file).held());
    EXPECT_FALSE(platform::FileLock::takeExisting(dir.path().string()).held());
    const std::string folder = dir.path().string();
    EXPECT_TRUE(platform::sameFile(folder + "\\", folder));
    EXPECT_TRUE(platform::sameFile(folder + "\\.\\", folder));
    EXPECT_FALSE(platform::sameFile(file, folder));
}
