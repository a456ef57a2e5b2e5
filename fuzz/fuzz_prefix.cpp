#include "fuzz/fuzz_prefix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fuzz {

const std::string& DriveC() {
    static const std::string drive = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-prefix-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        std::filesystem::create_directories(pattern + "/drive_c/windows");
        std::filesystem::create_directories(pattern + "/dosdevices");
        std::filesystem::create_directory_symlink("../drive_c", pattern + "/dosdevices/c:");
        setenv("WINEPREFIX", pattern.c_str(), 1);
        // Removed at exit; a crash leaves it in TMPDIR for the reproducer.
        static std::string toRemove = pattern;
        std::atexit([] { std::filesystem::remove_all(toRemove); });
        return pattern + "/drive_c";
    }();
    return drive;
}

void WriteFile(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = DriveC() + "/" + name;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n <= 0) std::abort();
        data += n;
        size -= static_cast<size_t>(n);
    }
    close(fd);
}

}  // namespace fuzz
