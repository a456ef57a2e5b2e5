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
#include "platform/unique_fd.h"
#include "platform/win32.h"

namespace platform {
namespace {

// errno for a path that could not be resolved or does not exist.
int ErrnoForMissing(const HostPath& r) { return r.ok || r.error != ERROR_INVALID_NAME ? ENOENT : EINVAL; }

bool ReadOnlyFile(const struct stat& st) { return !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR); }

// The runtime library's errno for a failed change in a folder.
int ChangeErrno(int err) { return (err == EROFS || err == EPERM) ? EACCES : err == ELOOP ? ENOENT : err; }

// Runs `change(parentFd, name)` in the parent folder of `host`, reached without
// following links, not by path. 0 or an errno value.
template <typename Change>
[[nodiscard]] int ChangeInParent(const std::string& host, Change change) {
    std::string name;
    UniqueFd parent(OpenParentFolder(host, &name));
    if (!parent.Valid()) return errno;
    return change(parent.Get(), name.c_str()) == 0 ? 0 : errno;
}

// How fopen opens a file: the open(2) flags and the mode fdopen is given.
struct OpenMode {
    int flags = 0;
    std::string fdopenMode;
    bool writes = false;
};

OpenMode ParseOpenMode(const char* mode) {
    // Keep what the C library understands; 't', 'c', 'n', 'S', 'R', 'T', 'D' and
    // ",ccs=" are Microsoft extensions (files are always opened as bytes here).
    bool plus = false, exclusive = false;
    for (const char* m = mode + 1; *m && *m != ','; ++m) {
        if (*m == '+') plus = true;
        if (*m == 'x') exclusive = true;
    }
    OpenMode o;
    o.fdopenMode = std::string(1, mode[0]) + (plus ? "+b" : "b");
    o.writes = mode[0] != 'r' || plus;
    o.flags = plus ? O_RDWR : mode[0] == 'r' ? O_RDONLY : O_WRONLY;
    if (mode[0] == 'w') o.flags |= O_CREAT | O_TRUNC | (exclusive ? O_EXCL : 0);
    if (mode[0] == 'a') o.flags |= O_CREAT | O_APPEND;
    return o;
}

// errno for a path fopen must not open in `mode`; 0 when it may.
[[nodiscard]] int FopenRefusal(const HostPath& r, char mode, bool writes) {
    if (!r.ok || r.trailingSeparator) return r.ok ? ENOENT : ErrnoForMissing(r);
    if (r.exists) {
        if (!S_ISREG(r.info.st_mode)) return EACCES;  // folders, and devices or pipes that could block
        return writes && ReadOnlyFile(r.info) ? EACCES : 0;
    }
    return mode == 'r' || !r.parentExists ? ENOENT : 0;
}

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
    const int err = ChangeInParent(r.host, [](int dir, const char* name) { return mkdirat(dir, name, 0777); });
    if (err != 0) {
        errno = ChangeErrno(err);
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
    const OpenMode o = ParseOpenMode(mode);
    HostPath r = ResolvePath(path);
    if (const int refusal = FopenRefusal(r, mode[0], o.writes)) {
        errno = refusal;
        return nullptr;
    }
    UniqueFd fd(OpenUnderDrive(r.host, o.flags | O_NOCTTY, 0666));
    if (!fd.Valid()) {
        if (errno == EROFS || errno == EPERM || errno == EISDIR) errno = EACCES;
        if (errno == ELOOP) errno = ENOENT;
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        fd.Reset();
        errno = EACCES;
        return nullptr;
    }
    FILE* f = fdopen(fd.Get(), o.fdopenMode.c_str());
    if (f) (void)fd.Release();  // the stream owns it now
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
    const int err = ChangeInParent(r.host, [](int dir, const char* name) { return unlinkat(dir, name, 0); });
    if (err != 0) {
        errno = ChangeErrno(err);
        return -1;
    }
    return 0;
}

}  // namespace win32
