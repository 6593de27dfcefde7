#include "platform/open_page.h"

#include <sys/wait.h>
#include <unistd.h>

namespace platform {

bool openPage(const std::string& url)
{
    // Started from a short-lived middle child, so that the opener is nobody's
    // child of ours to wait for and never lingers as a zombie.
    const pid_t middle = ::fork();
    if (middle < 0)
        return false;
    if (middle == 0) {
        if (::fork() == 0) {
            ::setsid();
            const char* const argv[] = {"xdg-open", url.c_str(), nullptr};
            ::execvp(argv[0], const_cast<char* const*>(argv));
            ::_exit(127);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) { }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace platform
