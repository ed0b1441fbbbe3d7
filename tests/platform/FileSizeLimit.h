#pragma once

// Runs a save in a child process whose files may not grow beyond a number of bytes, the way a
// full disk stops them, even for root (which ignores permissions) and without a mount: writes
// beyond the limit fail with EFBIG, as SIGXFSZ is ignored there. The limit never touches the
// test process itself.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Tonlyra::Test {

// Runs save in the child and returns what it reported: 1 for success, 0 for failure, -1 when the
// child did not end normally (a crash, or SIGXFSZ).
inline int SaveUnderFileSizeLimit(rlim_t bytes, const std::function<bool()>& save)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(3);
        _exit(save() ? 1 : 0);
    }
    if (child < 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1 ? WEXITSTATUS(status) : -1;
}

} // namespace Tonlyra::Test
