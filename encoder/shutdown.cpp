#include "encoder/shutdown.h"

#include "platform/live_children.h"

bool EndOurEncoders(int graceMs)
{
    platform::askLiveChildrenToQuit();
    if (platform::waitLiveChildren(graceMs))
        return true;
    platform::killLiveChildren();
    return false;
}
