#include "encoder/tool.h"

#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/paths.h"

#include "../support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using encoder::EnsureToolFolder;
using encoder::PrepareTool;
using encoder::ToolCopyPath;
using encoder::ToolFolder;

using namespace testing_support;

TEST(Tool, FolderCopyAndQuotedPath)
{
    EnsureToolFolder();
    EXPECT_TRUE(platform::isFolder(ToolFolder() + "viewInstall"));
    EXPECT_NE(ToolFolder().find("VantreelScreenRecorder"), std::string::npos);

    const std::string quoted = PrepareTool();
    const auto args = platform::splitCommandLine(quoted + " -version");
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0], ToolCopyPath());
    EXPECT_TRUE(platform::fileExists(ToolCopyPath()));
    int code = -1;
    EXPECT_NE(runAndCapture(quoted + " -version", &code).find("ffmpeg"), std::string::npos);
    EXPECT_EQ(code, 0);
}

TEST(Tool, CopyIsRewrittenOnlyWhenTheSourceChangedOrTheCopyWentMissing)
{
    // Each rewrite makes a new file, so a rewrite shows as a new inode.
    const auto inode = [] {
        struct stat st { };
        return ::stat(ToolCopyPath().c_str(), &st) == 0 ? st.st_ino : 0;
    };
    EnsureToolFolder();
    PrepareTool();
    const ino_t first = inode();
    PrepareTool();
    EXPECT_EQ(inode(), first) << "rewritten for every run";

    // Another encoder first on PATH stands for a changed shipped one.
    TempFolder bin;
    const std::string other = bin.file("ffmpeg");
    ASSERT_TRUE(platform::copyFile(platform::findOnPath("ffmpeg"), other));
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (bin.path().string() + ":" + oldPath).c_str(), 1);
    ASSERT_EQ(platform::toolSource(), other);
    PrepareTool();
    const ino_t second = inode();
    ::setenv("PATH", oldPath.c_str(), 1);
    EXPECT_NE(second, first);

    PrepareTool();
    EXPECT_NE(inode(), second);
    platform::removeFile(ToolCopyPath());
    PrepareTool();
    EXPECT_NE(inode(), 0u);
}
