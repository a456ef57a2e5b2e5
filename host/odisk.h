// Host utility library: drive free space, file sizes and plain copies.
#pragma once

#include <cstdint>
#include <string>

class ODiskSize {
public:
    ODiskSize() = default;
    explicit ODiskSize(uint64_t bytes) : m_bytes(bytes) {}

    ODiskSize& operator+=(const ODiskSize& other);
    bool operator<(const ODiskSize& other) const { return m_bytes < other.m_bytes; }
    uint64_t Bytes() const { return m_bytes; }

    // Display text of the size (CP932). The argument is always 0xFFFFFFFF in this
    // program; see host/odisk.cpp for the format.
    std::string ToString(unsigned flags) const;

private:
    uint64_t m_bytes = 0;
};

class ODiskNo {
public:
    explicit ODiskNo(unsigned char drive);  // 0 = A:
    // Free space for an ordinary user; zero when the drive has no medium.
    ODiskSize GetFreeSize() const;
    // The allocation unit of the drive's file system in bytes: what the smallest
    // file takes (a FAT cluster, a bigalloc cluster); 0 when the drive cannot be read.
    uint64_t GetAllocationUnit() const;

private:
    unsigned char m_drive;
};

// Size of a file named by a Windows path; zero when it cannot be read.
ODiskSize O_FileSize(const char* path);

// Copies `from` to `to`, replacing an existing file atomically (as CopyFileA with
// bFailIfExists FALSE). True on success.
[[nodiscard]] bool O_CopyFile(const char* from, const char* to);
