// WritePrivateProfileStringA, editing the file in place as Windows does: lines that
// are not touched keep their bytes; the file is then replaced atomically.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/copy_file.h"
#include "platform/profile_cache.h"
#include "platform/win32.h"

using platform::profile::Line;
using platform::profile::ProfileFile;
using platform::profile::Section;
using platform::profile::TrimSpaces;

namespace {


// The edited text; false when the edit changes nothing.
//  - A NULL key removes the first section of the name: its header, key lines and
//    other text lines go; its ';' comments and blank lines stay (with the section above).
//  - A NULL value removes the first key of the name in that section.
//  - An existing key keeps its line up to and including '=' (case, spacing); the
//    value after it is replaced by the value as given.
//  - A new key goes straight after the last key or text line of the section (before
//    trailing comments and blank lines), or after the header when it has none. A key
//    starting with ';' is a comment: every write adds such a line there.
//  - A new section goes at the end with no blank line before it, after a CRLF when
//    the file does not end in a line break. New lines end in CRLF.
bool Edit(const ProfileFile& f, std::string_view section, const char* key, const char* value, std::string* out) {
    const std::string& t = f.Text();
    const auto& lines = f.Lines();
    const Section* s = f.FindSection(section);
    if (!key) {
        if (!s) return false;
        out->assign(t, 0, lines[s->header].begin);
        // The comments and blank lines are the gaps after each of its lines.
        for (uint32_t i = s->header; i < s->endLine; ++i) out->append(t, lines[i].next, f.GapEnd(i) - lines[i].next);
        size_t tail = s->endLine < lines.size() ? lines[s->endLine].begin : t.size();
        out->append(t, tail, std::string::npos);
        return true;
    }
    std::string_view k = TrimSpaces(key);
    const Line* line = s ? f.FindKey(*s, k) : nullptr;
    if (!value) {
        if (!line) return false;
        out->assign(t, 0, line->begin);
        out->append(t, line->next, std::string::npos);
        return true;
    }
    std::string newLine = std::string(k) + "=" + value + "\r\n";
    if (line) {
        out->assign(t, 0, line->equals + 1);
        out->append(value);
        out->append(t, line->end, std::string::npos);
        return *out != t;
    }
    if (s) {
        const Line& after = lines[s->lastContent];
        out->assign(t, 0, after.next);
        if (after.next == after.end) out->append("\r\n");  // the file's last line had no line break
        out->append(newLine);
        out->append(t, after.next, std::string::npos);
        return true;
    }
    *out = t;
    if (!out->empty() && out->back() != '\n' && out->back() != '\r') out->append("\r\n");
    out->append("[").append(section).append("]\r\n").append(newLine);
    return true;
}

// The edited text for a whole section: its key and other text lines are replaced
// by `entries` (a list of "key=value" strings, each ending in a NUL, the list in
// one more); its ';' comments and blank lines stay after them. A missing section
// goes at the end, as a single key would.
bool EditSection(const ProfileFile& f, std::string_view section, const char* entries, std::string* out) {
    std::string block;
    for (const char* p = entries; p && *p; p += std::strlen(p) + 1) block.append(p).append("\r\n");
    const std::string& t = f.Text();
    const auto& lines = f.Lines();
    const Section* s = f.FindSection(section);
    if (!s) {
        *out = t;
        if (!out->empty() && out->back() != '\n' && out->back() != '\r') out->append("\r\n");
        out->append("[").append(section).append("]\r\n").append(block);
        return true;
    }
    const Line& header = lines[s->header];
    out->assign(t, 0, header.next);
    if (header.next == header.end) out->append("\r\n");  // the header was the file's unterminated last line
    out->append(block);
    for (uint32_t i = s->header; i < s->endLine; ++i) out->append(t, lines[i].next, f.GapEnd(i) - lines[i].next);
    size_t tail = s->endLine < lines.size() ? lines[s->endLine].begin : t.size();
    out->append(t, tail, std::string::npos);
    return *out != t;
}

// Writes `bytes` to a temporary file beside `host` and renames it over `host`,
// keeping the old file's owner and permissions. Returns 0 or an errno value.
[[nodiscard]] int ReplaceFile(const std::string& host, const std::string& bytes, const struct stat* old) {
    std::string temp;
    int fd = platform::CreateTempBeside(host, &temp);
    if (fd < 0) return errno;
    if (old) {
        if (geteuid() == 0 && fchown(fd, old->st_uid, old->st_gid) != 0) {
            // FAT keeps no owners; the file is still good.
        }
        fchmod(fd, old->st_mode & 07777);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            platform::DiscardTemp(fd, temp);
            return err;
        }
        done += static_cast<size_t>(n);
    }
    return platform::CommitTemp(fd, temp, host, false);
}

// Applies `edit` to the file and replaces it atomically, with the error codes of
// the Windows profile writer.
template <typename EditFn>
BOOL WriteEdited(LPCSTR lpFileName, EditFn edit) {
    auto target = platform::profile::ResolveProfileName(lpFileName);
    if (target.error) {
        SetLastError(target.error);
        return FALSE;
    }
    if (!target.exists && !target.parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);  // the folder is never created
        return FALSE;
    }

    std::lock_guard<std::mutex> lock(platform::profile::CacheMutex());
    const ProfileFile* current = nullptr;
    if (target.exists) {
        DWORD error = 0;
        current = platform::profile::LoadLocked(target, &error);
        if (!current) {
            SetLastError(error);
            return FALSE;
        }
        // A read-only file is not replaced, although the folder would allow it.
        if (!(target.info.st_mode & S_IWUSR)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (access(target.host.c_str(), W_OK) != 0) {
            SetLastError(platform::WriteErrorOf(errno));
            return FALSE;
        }
    }
    const ProfileFile empty{std::string()};
    const ProfileFile& f = current ? *current : empty;
    std::string text;
    bool changed = edit(f, &text);
    if (target.exists && !changed) return TRUE;
    // A missing file is created even when there is nothing to write (as Windows does).
    std::string bytes = changed ? f.Encode(text) : std::string();
    int err = ReplaceFile(target.host, bytes, target.exists ? &target.info : nullptr);
    if (err != 0) {
        platform::profile::DropLocked(target.host);
        SetLastError(platform::WriteErrorOf(err));
        return FALSE;
    }
    platform::profile::StoreLocked(target.host, std::move(bytes));
    // Windows reports the failed open of a file that it then created; after
    // rewriting an existing file we report success (0).
    SetLastError(target.exists ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    return TRUE;
}

}  // namespace

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
    if (!lpAppName && !lpKeyName && !lpString && !lpFileName) {
        // Windows flushes its cache here and answers FALSE.
        platform::profile::ClearCache();
        return FALSE;
    }
    if (!lpAppName) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return WriteEdited(lpFileName, [&](const ProfileFile& f, std::string* text) {
        return Edit(f, TrimSpaces(lpAppName), lpKeyName, lpString, text);
    });
}

BOOL WritePrivateProfileSectionA(LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName) {
    if (!lpAppName) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return WriteEdited(lpFileName, [&](const ProfileFile& f, std::string* text) {
        // A NULL list deletes the section, as a NULL key does.
        if (!lpString) return Edit(f, TrimSpaces(lpAppName), nullptr, nullptr, text);
        return EditSection(f, TrimSpaces(lpAppName), lpString, text);
    });
}
