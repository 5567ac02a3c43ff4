// A file descriptor that is closed when it goes out of scope.
#pragma once

#include <unistd.h>

namespace tarvix {

struct UniqueFd {
    int fd;
    explicit UniqueFd(int f = -1) : fd(f) {}
    ~UniqueFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    // Hands the descriptor over; the caller closes it.
    int Release()
    {
        int f = fd;
        fd = -1;
        return f;
    }
};

}  // namespace tarvix
