#include "platform/folder_listing.h"

#include "platform/win32/wide.h"

namespace platform {

bool listFolder(const std::string& folder, const std::function<void(const FolderEntry&)>& visit)
{
    // A folder ending in a backslash gives a doubled one, which the search
    // accepts; an empty folder searches the root of the current drive.
    const std::wstring pattern = win32::widen(folder) + L"\\*.*";
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        FolderEntry entry;
        entry.name = win32::narrow(found.cFileName);
        entry.size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isDevice = (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0;
        entry.lastWriteStamp =
            static_cast<std::int64_t>((static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32)
                                      | found.ftLastWriteTime.dwLowDateTime);
        SYSTEMTIME utc{}, local{};
        if (::FileTimeToSystemTime(&found.ftLastWriteTime, &utc)
            && ::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
            entry.lastWrite = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
        visit(entry);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return true;
}

} // namespace platform
