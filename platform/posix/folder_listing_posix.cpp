#include "platform/folder_listing.h"

#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

namespace platform {

bool listFolder(const std::string& folder, const std::function<void(const FolderEntry&)>& visit)
{
    const std::string base = folder.empty() ? "/" : folder;
    DIR* dir = ::opendir(base.c_str());
    if (!dir)
        return false;
    const std::string prefix = base.back() == '/' ? base : base + "/";
    while (const dirent* e = ::readdir(dir)) {
        FolderEntry entry;
        entry.name = e->d_name;
        struct stat st { };
        // Through links, as a file dialog shows them; a broken link is kept
        // with what it is itself.
        if (::stat((prefix + entry.name).c_str(), &st) != 0 && ::lstat((prefix + entry.name).c_str(), &st) != 0)
            continue; // gone since it was listed
        entry.size = static_cast<std::uint64_t>(st.st_size);
        entry.isFolder = S_ISDIR(st.st_mode);
        entry.isDevice = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
        entry.lastWriteStamp = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        std::tm local{};
        const std::time_t written = st.st_mtime;
        if (::localtime_r(&written, &local))
            entry.lastWrite = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour,        local.tm_min,     local.tm_sec};
        visit(entry);
    }
    ::closedir(dir);
    return true;
}

} // namespace platform
