#include "platform/open_page.h"

#include "platform/win32/wide.h"

#include <shellapi.h>

namespace platform {

bool openPage(const std::string& url)
{
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", win32::widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

} // namespace platform
