#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void lowerThisThreadPriority()
{
    // On Linux the nice value belongs to the thread.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    const int now = ::getpriority(PRIO_PROCESS, thread);
    ::setpriority(PRIO_PROCESS, thread, now + 10 > 19 ? 19 : now + 10);
}

} // namespace platform
