#include "platform/settings_defaults.h"

#include "platform/paths.h"

namespace platform {

std::string defaultSaveFolder()
{
    std::string home = homeFolder();
    while (!home.empty() && home.back() == '/')
        home.pop_back(); // a home of "/" must not give "//VantreelSave"
    if (home.empty() && homeFolder().empty())
        home = "/tmp"; // without a home folder, somewhere every user may write
    return home + "/VantreelSave";
}

} // namespace platform
