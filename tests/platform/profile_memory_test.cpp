// Memory of a profile read is bounded by the file's size, whatever its shape. Each
// read runs in a child process that measures its own peak resident memory (reset
// through /proc/self/clear_refs) and, outside sanitizer builds, cannot take more
// address space than the bound allows, so a regression fails instead of swapping.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "tests/platform/profile_fixture.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr size_t kMiB = size_t(1) << 20;

// A value of /proc/self/status in bytes ("VmRSS", "VmHWM", "VmSize").
size_t StatusBytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, std::strlen(field), field) == 0 && line[std::strlen(field)] == ':')
            return std::stoull(line.substr(std::strlen(field) + 1)) * 1024;
    return 0;
}

struct ChildResult {
    bool exitedCleanly = false;
    size_t peakGrowth = 0;  // bytes of resident memory the read added at its peak
    DWORD error = 0;
    char value[32] = {};
};

// Reads [s] k of `win` in a child whose address space may grow by at most `limit`.
ChildResult ReadInChild(const char* win, size_t limit) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!kSanitized) {
            struct rlimit rl {};
            rl.rlim_cur = rl.rlim_max = StatusBytes("VmSize") + limit;
            setrlimit(RLIMIT_AS, &rl);
        }
        FILE* clear = std::fopen("/proc/self/clear_refs", "w");
        if (clear) {
            std::fputs("5", clear);  // resets the peak to the current resident size
            std::fclose(clear);
        }
        size_t before = StatusBytes("VmRSS");
        ChildResult r;
        try {
            GetPrivateProfileStringA("s", "k", "none", r.value, sizeof r.value, win);
        } catch (...) {
            _exit(3);  // out of memory: the parent sees no result
        }
        r.error = GetLastError();
        size_t peak = StatusBytes("VmHWM");
        r.peakGrowth = peak > before ? peak - before : 0;
        r.exitedCleanly = true;
        ssize_t n = write(fds[1], &r, sizeof r);
        _exit(n == sizeof r ? 0 : 1);
    }
    close(fds[1]);
    ChildResult r;
    ssize_t n = read(fds[0], &r, sizeof r);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n != sizeof r || !WIFEXITED(status) || WEXITSTATUS(status) != 0) r.exitedCleanly = false;
    return r;
}

class ProfileMemory : public ProfileTest {};

TEST_F(ProfileMemory, CostsAtMostTwiceTheFileAndAConstantWhateverItsShape) {
    struct Shape {
        const char* name;
        std::function<std::string()> make;
        const char* expected;  // value of [s] k
        DWORD error;
    };
    const size_t big = 50 * kMiB;
    const Shape shapes[] = {
        {"50 MiB of empty lines", [&] { return "[s]\r\nk=found\r\n" + std::string(big, '\n'); }, "found", 0},
        {"one line of 50 MiB", [&] { return "[s]\r\nk=found\r\n;" + std::string(big, 'x'); }, "found", 0},
        {"100,000 sections",
         [] {
             std::string t;
             for (int i = 0; i < 100000; ++i) t += "[S" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
             return t + "[s]\r\nk=found\r\n";
         },
         "found", 0},
        // Two bytes a line: more lines than the size allows index memory for. The
        // file is refused as unreadable (default value, error 8), never an abort.
        {"50 MiB of one-character lines",
         [&] {
             std::string t = "[s]\r\nk=found\r\n";
             t.reserve(big + t.size());
             while (t.size() < big) t += "a\n";
             return t;
         },
         "none", ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const std::string text = shape.make();
        Put(text);
        const size_t bound = 2 * text.size() + 64 * kMiB;
        ChildResult r = ReadInChild(win, bound + 64 * kMiB);
        ASSERT_TRUE(r.exitedCleanly);
        EXPECT_STREQ(r.value, shape.expected);
        if (shape.error) {
            EXPECT_EQ(r.error, shape.error);
        }
        if (!kSanitized) {
            EXPECT_LE(r.peakGrowth, bound) << "file of " << text.size() << " bytes";
        }
        if (std::getenv("PROFILE_MEMORY_REPORT"))
            std::printf("%s: file %zu bytes, peak growth %zu bytes\n", shape.name, text.size(), r.peakGrowth);
    }
}

}  // namespace
