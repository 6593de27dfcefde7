#include "platform/paths.h"

#include "platform/files.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string programFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

std::string userDataFolder()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return data;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string userSettingsFolder()
{
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        base = config;
    else if (const std::string home = homeFolder(); !home.empty())
        base = home + "/.config";
    else
        return programFolder();
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return (base == "/" ? "" : base) + "/vantreel-screen-recorder";
}

std::size_t maxFolderPathChars() { return 0; }

bool isWritable(const std::string& path)
{
    if (fileExists(path))
        return ::access(path.c_str(), W_OK) == 0;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return ::access(folder.c_str(), W_OK) == 0;
}

std::string userCacheFolder()
{
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return cache;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.cache";
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0 && !isFolder(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

std::string toolSource()
{
    const std::string shipped = programFolder() + "/tool";
    if (fileExists(shipped))
        return shipped;
    return findOnPath("ffmpeg");
}

std::string toolCopyName() { return "tool"; }

bool installToolCopy(const std::string& source, const std::string& copy)
{
    // Write beside the copy and rename over it: an encoder that is running
    // from the old copy keeps its file, and a run that starts meanwhile never
    // sees half a file.
    static std::atomic<unsigned> serial{0};
    const std::string temp = copy + ".part" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    if (source.empty() || !copyFile(source, temp)) {
        removeFile(temp);
        return false;
    }
    if (::chmod(temp.c_str(), 0755) != 0 || ::rename(temp.c_str(), copy.c_str()) != 0) {
        removeFile(temp);
        return false;
    }
    return true;
}

} // namespace platform
