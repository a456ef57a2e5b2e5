#include "platform/folder_session.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/beneath.h"
#include "platform/copy_file.h"
#include "platform/host_fs.h"
#include "platform/paths.h"

namespace platform {

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
    const int fd = OpenUnderDrive(hp.host, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        *error = errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                                                       : static_cast<DWORD>(ErrnoToWin32(errno));
        return nullptr;
    }
    std::unique_ptr<FolderSession> s(new FolderSession);
    s->m_fd = fd;
    s->m_win.assign(winFolder);
    s->m_host = hp.host;
    if (fstat(fd, &s->m_st) != 0) {
        *error = static_cast<DWORD>(ErrnoToWin32(errno));
        return nullptr;
    }
    return s;
}

FolderSession::~FolderSession() {
    if (m_fd >= 0) close(m_fd);
}

void FolderSession::BuildIndex() {
    m_indexed = true;
    const int fd = openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* d = fdopendir(fd);
    if (!d) {
        close(fd);
        return;
    }
    while (const dirent* e = readdir(d)) {
        const std::string_view n = e->d_name;
        if (IsTransferTempName(n) || !IsWindowsCompatibleName(n)) continue;
        if (e->d_type == DT_LNK) continue;  // links below a drive root lead nowhere
        if (e->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(m_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode)) continue;
        }
        Index(std::string(n), false);
    }
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

std::string FolderSession::NameFor(const std::string& name, struct stat* st, bool* exists) {
    *exists = fstatat(m_fd, name.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0;
    if (*exists || errno != ENOENT) return name;
    const std::string* other = MatchIgnoringCase(name);
    if (!other || *other == name) return name;
    // The listing may be older than the folder: the name found must still be
    // there, or be one this run is about to put there.
    if (fstatat(m_fd, other->c_str(), st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISLNK(st->st_mode)) return name;
        *exists = true;
        return *other;
    }
    return m_index.find(FoldName(name))->second.ours ? *other : name;
}

int FolderSession::OpenFile(const std::string& name, struct stat* st, std::string* found, DWORD* error) {
    *found = name;
    int fd = OpenRegularFileAt(m_fd, name.c_str(), st);
    if (fd < 0 && errno == ENOENT) {
        const std::string* other = MatchIgnoringCase(name);
        if (other && *other != name) {
            *found = *other;
            fd = OpenRegularFileAt(m_fd, other->c_str(), st);
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

bool FolderSession::StillInPlace() const {
    const HostPath hp = ResolvePath(m_win);
    return hp.ok && hp.exists && S_ISDIR(hp.info.st_mode) && hp.info.st_dev == m_st.st_dev &&
           hp.info.st_ino == m_st.st_ino;
}

}  // namespace platform
