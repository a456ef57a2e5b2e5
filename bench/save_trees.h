// The trees the save benchmarks copy: folders of random files of one size, and
// one large file, written with plain system calls so that their making costs
// little beside what is measured.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace bench {

inline std::vector<char> RandomBytes(std::mt19937& random, size_t n) {
    std::vector<char> v(n);
    for (auto& b : v) b = static_cast<char>(random());
    return v;
}

inline void WriteFile(const std::filesystem::path& p, const std::vector<char>& bytes) {
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror(p.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// `sets` folders <prefix>0, <prefix>1 ... below `root`, each of `files` files
// f<i>.dat of `size` random bytes; returns the folders' names in that order.
inline std::vector<std::string> MakeFolders(const std::filesystem::path& root, std::mt19937& random, const char* prefix,
                                            int sets, int files, size_t size) {
    std::vector<std::string> names;
    for (int d = 0; d < sets; ++d) {
        const std::string folder = prefix + std::to_string(d);
        std::filesystem::create_directories(root / folder);
        for (int f = 0; f < files; ++f)
            WriteFile(root / folder / ("f" + std::to_string(f) + ".dat"), RandomBytes(random, size));
        names.push_back(folder);
    }
    return names;
}

// `file` of `mib` MiB, one random MiB repeated.
inline void MakeLargeFile(const std::filesystem::path& file, std::mt19937& random, int mib) {
    std::filesystem::create_directories(file.parent_path());
    const std::vector<char> chunk = RandomBytes(random, 1 << 20);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int i = 0; i < mib; ++i)
        if (fd < 0 || ::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) {
            std::perror(file.c_str());
            std::exit(1);
        }
    ::close(fd);
}

}  // namespace bench
