#include "encoder/shutdown.h"

#include "platform/live_children.h"

namespace encoder {

bool EndOurEncoders(int graceMs)
{
    platform::askLiveChildrenToQuit();
    if (platform::waitLiveChildren(graceMs))
        return true;
    platform::killLiveChildren();
    return false;
}

} // namespace encoder
