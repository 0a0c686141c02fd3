#include "OtherUser.h"

#include "platform/linux/SessionNames.h"

#include <sys/wait.h>
#include <unistd.h>

namespace tavrel::test
{

bool CanActAsOtherUser()
{
    return ::geteuid() == 0;
}

int RunAsOtherUser(const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
    {
        if (::setgid(kOtherUid) != 0 || ::setuid(kOtherUid) != 0)
            ::_exit(255);
        ::_exit(work());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

std::string SectionObjectPath(const std::string& name)
{
    return "/dev/shm/tavrel-" + detail::SessionKey() + "-" + detail::EncodeName(name);
}

} // namespace tavrel::test
