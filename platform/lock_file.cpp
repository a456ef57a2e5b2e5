// Lock files raced for by processes here and on other machines.
#include "platform/lock_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/beneath.h"
#include "platform/host_fs.h"

namespace platform {

namespace {

// The folder of a lock's name, opened once without links below the drive root.
struct Folder {
    std::string name;  // before fd: the constructor fills it
    int fd = -1;
    explicit Folder(const std::string& host) : fd(OpenParentFolder(host, &name)) {}
    ~Folder() {
        if (fd >= 0) close(fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
};

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

std::string FirstLineOf(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

bool IsFolderLockName(std::string_view name) {
    if (name.size() > kFolderLockName.size() && name.substr(kFolderLockName.size()) == kTakeOverSuffix)
        name = name.substr(0, kFolderLockName.size());
    return NamesEqualIgnoringCase(name, kFolderLockName);
}

int CreateExclusiveFile(const std::string& host, std::string_view bytes) {
    Folder folder(host);
    if (folder.fd < 0) return errno;
    const int fd = openat(folder.fd, folder.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    int err = WriteAll(fd, bytes);
    if (err == 0 && fsync(fd) != 0 && errno != EINVAL) err = errno;
    if (close(fd) != 0 && err == 0) err = errno;
    if (err != 0) unlinkat(folder.fd, folder.name.c_str(), 0);
    return err;
}

int ReadLockEntry(const std::string& host, size_t limit, std::string* bytes, struct stat* st) {
    bytes->clear();
    Folder folder(host);
    if (folder.fd < 0) return errno;
    if (fstatat(folder.fd, folder.name.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (!S_ISREG(st->st_mode)) return 0;
    const int fd = openat(folder.fd, folder.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ENOENT : 0;  // unreadable: judged by its entry alone
    struct stat opened {};
    // The entry stat and the bytes must be of one file: a lock replaced in between reads again.
    if (fstat(fd, &opened) != 0 || opened.st_ino != st->st_ino || opened.st_dev != st->st_dev) {
        close(fd);
        return EAGAIN;
    }
    bytes->resize(limit);
    size_t got = 0;
    while (got < limit) {
        const ssize_t n = read(fd, bytes->data() + got, limit - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    bytes->resize(got);
    close(fd);
    return 0;
}

int RemoveFileEntry(const std::string& host) {
    Folder folder(host);
    if (folder.fd < 0) return errno;
    return unlinkat(folder.fd, folder.name.c_str(), 0) == 0 ? 0 : errno;
}

int RemoveEmptyFolder(const std::string& host) {
    Folder folder(host);
    if (folder.fd < 0) return errno;
    return unlinkat(folder.fd, folder.name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

std::string ThisHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string ThisBootId() { return FirstLineOf("/proc/sys/kernel/random/boot_id"); }

int64_t ProcessStartTicks(int pid) {
    if (pid <= 0) return -1;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return -1;
    // The command name (field 2) may hold spaces and parentheses: count after its last ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n)
        if (n == 22) return std::strtoll(field.c_str(), nullptr, 10);
    return -1;
}

}  // namespace platform
