// The runtime library's file calls on Windows paths: _access, _mkdir, fopen, remove.
// errno follows the Microsoft runtime: ENOENT for a missing file or folder,
// EACCES for a read-only file or a folder where a file was expected, EEXIST.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/beneath.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/win32.h"

namespace platform {
namespace {

// errno for a path that could not be resolved or does not exist.
int ErrnoForMissing(const HostPath& r) { return r.ok || r.error != ERROR_INVALID_NAME ? ENOENT : EINVAL; }

bool ReadOnlyFile(const struct stat& st) { return !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR); }

}  // namespace
}  // namespace platform

int _access(const char* path, int mode) {
    using namespace platform;
    if (!path || (mode & ~6)) {
        errno = EINVAL;
        return -1;
    }
    HostPath r = ResolvePath(path);
    if (!r.ok || !r.exists || !IsPlainFileOrFolder(r.info) || (r.trailingSeparator && !S_ISDIR(r.info.st_mode))) {
        errno = ErrnoForMissing(r);
        return -1;
    }
    // Windows refuses writing to a read-only file; the host also knows read-only
    // mounts and folders (checked with access(), which root passes otherwise).
    if ((mode & 2) && (ReadOnlyFile(r.info) || access(r.host.c_str(), W_OK) != 0)) {
        errno = EACCES;
        return -1;
    }
    if ((mode & 4) && access(r.host.c_str(), R_OK) != 0) {
        errno = EACCES;
        return -1;
    }
    return 0;
}

int _mkdir(const char* path) {
    using namespace platform;
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    HostPath r = ResolvePath(path);
    if (!r.ok) {
        errno = ErrnoForMissing(r);
        return -1;
    }
    if (r.exists) {
        errno = EEXIST;
        return -1;
    }
    if (!r.parentExists || IsDriveRoot(r)) {
        errno = ENOENT;
        return -1;
    }
    // Made in its parent as reached without following links, not by path.
    std::string name;
    int parent = OpenParentFolder(r.host, &name);
    int rc = parent >= 0 ? mkdirat(parent, name.c_str(), 0777) : -1;
    int err = errno;
    if (parent >= 0) close(parent);
    if (rc != 0) {
        errno = (err == EROFS || err == EPERM) ? EACCES : err == ELOOP ? ENOENT : err;
        return -1;
    }
    return 0;
}

namespace win32 {

FILE* fopen(const char* path, const char* mode) {
    using namespace platform;
    if (!path || !mode || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) {
        errno = EINVAL;
        return nullptr;
    }
    // Keep what the C library understands; 't', 'c', 'n', 'S', 'R', 'T', 'D' and
    // ",ccs=" are Microsoft extensions (files are always opened as bytes here).
    std::string hostMode(1, mode[0]);
    bool plus = false, exclusive = false;
    for (const char* m = mode + 1; *m && *m != ','; ++m) {
        if (*m == '+') plus = true;
        if (*m == 'x') exclusive = true;
    }
    if (plus) hostMode += '+';
    hostMode += 'b';
    if (exclusive && mode[0] == 'w') hostMode += 'x';
    hostMode += 'e';
    bool writes = mode[0] != 'r' || plus;

    HostPath r = ResolvePath(path);
    if (!r.ok || r.trailingSeparator) {
        errno = r.ok ? ENOENT : ErrnoForMissing(r);
        return nullptr;
    }
    if (r.exists) {
        if (S_ISDIR(r.info.st_mode) || !S_ISREG(r.info.st_mode)) {
            errno = EACCES;  // folders, and devices or pipes that could block
            return nullptr;
        }
        if (writes && ReadOnlyFile(r.info)) {
            errno = EACCES;
            return nullptr;
        }
    } else if (mode[0] == 'r' || !r.parentExists) {
        errno = ENOENT;
        return nullptr;
    }
    int flags = plus ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY;
    if (mode[0] == 'w') flags |= O_CREAT | O_TRUNC | (exclusive ? O_EXCL : 0);
    if (mode[0] == 'a') flags |= O_CREAT | O_APPEND;
    int fd = OpenUnderDrive(r.host, flags | O_NOCTTY, 0666);
    if (fd < 0) {
        if (errno == EROFS || errno == EPERM || errno == EISDIR) errno = EACCES;
        if (errno == ELOOP) errno = ENOENT;
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EACCES;
        return nullptr;
    }
    for (char drop : {'x', 'e'}) hostMode.erase(std::remove(hostMode.begin(), hostMode.end(), drop), hostMode.end());
    FILE* f = fdopen(fd, hostMode.c_str());
    if (!f) close(fd);
    return f;
}

int remove(const char* path) {
    using namespace platform;
    if (!path) {
        errno = EINVAL;
        return -1;
    }
    HostPath r = ResolvePath(path);
    if (!r.ok || !r.exists || r.trailingSeparator) {
        errno = r.ok ? ENOENT : ErrnoForMissing(r);
        return -1;
    }
    if (!IsPlainFileOrFolder(r.info)) {
        errno = ENOENT;
        return -1;
    }
    if (S_ISDIR(r.info.st_mode) || ReadOnlyFile(r.info)) {
        errno = EACCES;  // remove() deletes files only; read-only files are refused
        return -1;
    }
    std::string name;
    int parent = OpenParentFolder(r.host, &name);
    int rc = parent >= 0 ? unlinkat(parent, name.c_str(), 0) : -1;
    int err = errno;
    if (parent >= 0) close(parent);
    if (rc != 0) {
        errno = (err == EROFS || err == EPERM) ? EACCES : err == ELOOP ? ENOENT : err;
        return -1;
    }
    return 0;
}

}  // namespace win32
