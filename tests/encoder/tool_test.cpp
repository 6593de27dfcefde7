#include "encoder/tool.h"

#include "platform/command_line.h"
#include "platform/files.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

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
