// Replacing a file whole on POSIX: links, modes, owners and a write that
// fails half-way.
#include "platform/files.h"

#include "../support/test_support.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st { };
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::size_t entriesIn(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// A file-size limit is a fault even root meets: the write stops part-way.
bool replacedUnderSizeLimit(const std::string& path, const std::string& content, rlim_t limit)
{
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit tight = old;
    tight.rlim_cur = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tight);
    const bool replaced = platform::replaceFileContent(path, content);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return replaced;
}

} // namespace

TEST(ReplaceFile, KeepsModeOwnerAndLinksAndLeavesTheOldFileOnFailure)
{
    TempFolder dir;
    const std::string real = dir.file("real.ini");
    const std::string link = dir.file("link.ini");

    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(platform::replaceFileContent(real, "one"));
    EXPECT_EQ(modeOf(real), 0644 & ~mask);

    ::chmod(real.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.c_str(), 65534, 65534), 0);
    }
    fs::create_symlink(real, link);
    ASSERT_TRUE(platform::replaceFileContent(link, "two"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "two");
    EXPECT_EQ(modeOf(real), 0640u);
    if (root) {
        struct stat st { };
        ::stat(real.c_str(), &st);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }

    // Refused, leaving everything as it was: a link to nowhere, a folder,
    // and a write cut short.
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    EXPECT_FALSE(platform::replaceFileContent(dir.file("dangling"), "x"));
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    fs::create_directory(dir.file("folder"));
    EXPECT_FALSE(platform::replaceFileContent(dir.file("folder"), "x"));
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_FALSE(replacedUnderSizeLimit(link, std::string(100000, 'z'), 4096));
    EXPECT_EQ(readFile(real), "two");
    EXPECT_EQ(modeOf(real), 0640u);
    if (!root) {
        ::chmod(real.c_str(), 0440);
        EXPECT_FALSE(platform::replaceFileContent(real, "three"));
        EXPECT_EQ(readFile(real), "two");
    }

    EXPECT_EQ(entriesIn(dir.path()), 4u); // real, link, dangling, folder: no temporary left
}
