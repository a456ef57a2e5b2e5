// A descriptor closed when it goes out of scope.
#pragma once

#include <unistd.h>

namespace platform {

struct UniqueFd {
    int fd = -1;
    explicit UniqueFd(int f) : fd(f) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (fd >= 0) close(fd);
    }
    // Hands the descriptor over to the caller.
    int Release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

}  // namespace platform
