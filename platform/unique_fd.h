#pragma once

#include <unistd.h>

#include <utility>

namespace platform {

// Owns one open file descriptor, or none (-1), and closes it when it goes out of
// scope, so an early return on an error path cannot leak it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    ~UniqueFd() { Reset(); }

    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    [[nodiscard]] int Get() const noexcept { return m_fd; }
    [[nodiscard]] bool Valid() const noexcept { return m_fd >= 0; }

    // Gives the descriptor up without closing it.
    [[nodiscard]] int Release() noexcept { return std::exchange(m_fd, -1); }

    // Closes the descriptor held (unless it is `fd` itself) and holds `fd` instead.
    void Reset(int fd = -1) noexcept {
        const int old = std::exchange(m_fd, fd);
        if (old >= 0 && old != fd) ::close(old);
    }

private:
    int m_fd = -1;
};

}  // namespace platform
