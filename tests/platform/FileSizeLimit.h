#pragma once

// Makes writes beyond a number of bytes fail for the lifetime of the object, the way a full disk
// does, even for root (which ignores permissions). Writes then fail with EFBIG instead of the
// process being stopped by SIGXFSZ.

#include <csignal>
#include <sys/resource.h>

namespace Tonlyra::Test {

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &Old);
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

} // namespace Tonlyra::Test
