#include "platform/folder_session.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/beneath.h"
#include "platform/copy_file.h"
#include "platform/host_fs.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

namespace platform {

namespace {

// The process's umask, read without changing it (a umask() pair would give a
// file created meanwhile by another thread no mask at all); -1 when unknown.
int ProcessUmask() {
    const UniqueFd status(open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    if (!status.Valid()) return -1;
    char text[8192];
    size_t size = 0;
    while (size < sizeof text - 1) {
        const ssize_t n = read(status.Get(), text + size, sizeof text - 1 - size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size += static_cast<size_t>(n);
    }
    text[size] = '\0';
    const char* line = std::strstr(text, "\nUmask:");
    if (!line) return -1;
    char* end = nullptr;
    const long mask = std::strtol(line + 7, &end, 8);
    return end == line + 7 || mask < 0 || mask > 0777 ? -1 : static_cast<int>(mask);
}

// A regular file the run's search listed a moment ago, opened by its name without
// a look first: O_NOFOLLOW refuses a link in its place, O_NONBLOCK keeps a FIFO
// from hanging the open, and the fstat refuses whatever is no regular file.
int OpenListedFileAt(int dirFd, const char* name, struct stat* st) {
    UniqueFd fd(openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) {
        if (errno == ELOOP) errno = ENOENT;
        return -1;
    }
    if (fstat(fd.Get(), st) != 0) return -1;
    if (!S_ISREG(st->st_mode)) {
        errno = S_ISDIR(st->st_mode) ? EISDIR : EACCES;
        return -1;
    }
    return fd.Release();
}

}  // namespace

std::unique_ptr<FolderSession> FolderSession::Open(std::string_view winFolder, DWORD* error) {
    const HostPath hp = ResolvePath(winFolder);
    if (!hp.ok) {
        *error = hp.error ? static_cast<DWORD>(hp.error) : ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    if (!hp.exists || !S_ISDIR(hp.info.st_mode)) {
        *error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    UniqueFd fd(OpenUnderDrive(hp.host, O_RDONLY | O_DIRECTORY));
    if (!fd.Valid()) {
        *error = errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                                       : static_cast<DWORD>(ErrnoToWin32(errno));
        return nullptr;
    }
    std::unique_ptr<FolderSession> s(new FolderSession);
    s->m_fd = std::move(fd);
    s->m_win.assign(winFolder);
    s->m_host = hp.host;
    if (fstat(s->m_fd.Get(), &s->m_st) != 0) {
        *error = static_cast<DWORD>(ErrnoToWin32(errno));
        return nullptr;
    }
    return s;
}

void FolderSession::BuildIndex() {
    m_indexed = true;
    UniqueFd fd(openat(m_fd.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.Valid()) return;
    DIR* d = fdopendir(fd.Get());
    if (!d) return;
    (void)fd.Release();  // the listing owns it now
    errno = 0;
    while (const dirent* e = readdir(d)) {
        const std::string_view n = e->d_name;
        bool link = e->d_type == DT_LNK;  // links below a drive root lead nowhere
        if (e->d_type == DT_UNKNOWN) {
            struct stat st {};
            link = fstatat(m_fd.Get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode);
        }
        if (link || IsTransferTempName(n) || !IsWindowsCompatibleName(n))
            m_unindexed.emplace(n);
        else
            Index(std::string(n), false);
        errno = 0;
    }
    m_listed = errno == 0;
    closedir(d);
}

void FolderSession::Index(const std::string& name, bool ours) {
    auto [it, inserted] = m_index.try_emplace(FoldName(name), Entry{name, ours});
    // Several candidates ("ABC" and "abc") resolve to the smallest, as the resolver does.
    if (!inserted && name < it->second.name) it->second = Entry{name, ours};
    if (!inserted && name == it->second.name) it->second.ours |= ours;
}

void FolderSession::Added(const std::string& name) { Index(name, true); }

const std::string* FolderSession::MatchIgnoringCase(const std::string& name) {
    if (!m_indexed) BuildIndex();
    const auto it = m_index.find(FoldName(name));
    return it == m_index.end() ? nullptr : &it->second.name;
}

std::string FolderSession::NameFor(const std::string& name, struct stat* st, bool* exists, bool* listedAbsent) {
    if (!m_indexed) BuildIndex();
    *listedAbsent = m_listed && m_index.find(FoldName(name)) == m_index.end() && m_unindexed.count(name) == 0;
    if (*listedAbsent) {
        *exists = false;
        return name;
    }
    *exists = fstatat(m_fd.Get(), name.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0;
    if (*exists || errno != ENOENT) return name;
    const std::string* other = MatchIgnoringCase(name);
    if (!other || *other == name) return name;
    // The listing may be older than the folder: the name found must still be
    // there, or be one this run is about to put there.
    if (fstatat(m_fd.Get(), other->c_str(), st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st->st_mode)) return name;
        *exists = true;
        return *other;
    }
    return m_index.find(FoldName(name))->second.ours ? *other : name;
}

int FolderSession::OpenFile(const std::string& name, struct stat* st, std::string* found, DWORD* error, bool listed) {
    *found = name;
    int fd = listed ? OpenListedFileAt(m_fd.Get(), name.c_str(), st) : OpenRegularFileAt(m_fd.Get(), name.c_str(), st);
    if (fd < 0 && errno == ENOENT) {
        const std::string* other = MatchIgnoringCase(name);
        if (other && *other != name) {
            *found = *other;
            fd = OpenRegularFileAt(m_fd.Get(), other->c_str(), st);
        }
    }
    if (fd < 0) {
        const int err = errno;
        *error = err == ENOENT || err == ELOOP ? ERROR_FILE_NOT_FOUND
                 : err == EISDIR               ? ERROR_ACCESS_DENIED
                                               : static_cast<DWORD>(ErrnoToWin32(err));
        errno = err;
    }
    return fd;
}

int FolderSession::CreateMask() {
    if (m_createMask != kMaskUnread) return m_createMask;
    // A default ACL gives new files their mode instead of the umask.
    const bool defaultAcl =
        fgetxattr(m_fd.Get(), "system.posix_acl_default", nullptr, 0) >= 0 || (errno != ENODATA && errno != ENOTSUP);
    m_createMask = defaultAcl ? -1 : ProcessUmask();
    return m_createMask;
}

bool FolderSession::StillInPlace() const {
    const HostPath hp = ResolvePath(m_win);
    return hp.ok && hp.exists && S_ISDIR(hp.info.st_mode) && hp.info.st_dev == m_st.st_dev &&
           hp.info.st_ino == m_st.st_ino;
}

}  // namespace platform
