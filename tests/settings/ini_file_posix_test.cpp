// The INI module on POSIX systems: file modes, links and folders the user may
// not write into.
#include "settings/ini_file.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

std::vector<std::string> folderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// Runs `attempt` as a user who may not write into `folder`: root writes
// anywhere, so as root the attempt runs in a child that has given root up.
bool triedWithoutWriteAccess(const fs::path& folder, bool (*attempt)(const std::string&), const std::string& file)
{
    if (::geteuid() != 0) {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const bool wrote = attempt(file);
        fs::permissions(folder, fs::perms::owner_all);
        return wrote;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(!dropped ? 2 : attempt(file) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not drop root";
    return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

TEST(IniFile, WriteInReadOnlyFolderFailsAndKeepsTheFile)
{
    TempFolder folder;
    const fs::path locked = folder.path() / "locked";
    fs::create_directory(locked);
    // Others may enter and read, not write.
    fs::permissions(locked,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                        | fs::perms::others_exec);
    fs::permissions(folder.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    const std::string file = (locked / "ScreenRecord.ini").string();
    const std::string old = "[screen_record]\r\nsave_path=/old\r\n";
    writeFile(file, old);

    EXPECT_FALSE(triedWithoutWriteAccess(
        locked, [](const std::string& f) { return ini::WriteString(u"screen_record", u"save_path", u"/new", f); },
        file));
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(folderNames(locked).size(), 1u);
}

TEST(IniFile, AFileThatCannotBeReadIsNeverOverwritten)
{
    TempFolder folder;
    // Anyone may write the folder and the file, nobody but root may read it.
    fs::permissions(folder.path(), fs::perms::all);
    const std::string file = folder.file("ScreenRecord.ini");
    const std::string old = "[screen_record]\r\nsave_path=/old\r\n[other]\r\nkeep=1\r\n";
    writeFile(file, old);
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);

    // The folder stays writable: the attempt fails for the unreadable file.
    const fs::path here = folder.path();
    bool wrote = false;
    if (::geteuid() != 0) {
        wrote = ini::WriteString(u"screen_record", u"save_path", u"/new", file);
    } else {
        const pid_t child = ::fork();
        if (child == 0) {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(!dropped ? 2 : ini::WriteString(u"screen_record", u"save_path", u"/new", file) ? 1 : 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not drop root";
        wrote = WEXITSTATUS(status) != 0;
    }
    fs::permissions(file, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(folderNames(here).size(), 1u);
}

TEST(IniFile, WritesReplaceTheFileWithoutDebrisAndKeepItsModeAndLinks)
{
    TempFolder folder;
    const std::string real = folder.file("real.ini");
    const std::string link = folder.file("link.ini");
    writeFile(real, "[S]\r\na=1\r\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, link);

    ASSERT_TRUE(ini::WriteString(u"S", u"a", u"2", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "[S]\r\na=2\r\n");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(folderNames(folder.path()).size(), 2u);
}

} // namespace
