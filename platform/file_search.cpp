// FindFirstFileA / FindNextFileA / FindClose over host folders, with the
// Windows wildcard rules. Only names a Windows file system could hold are shown;
// symbolic links and our own temporary files are never shown.
#include "platform/file_search.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <mutex>
#include <set>
#include <vector>

#include "platform/beneath.h"
#include "platform/copy_file.h"
#include "platform/cp932.h"
#include "platform/cp932_walk.h"
#include "platform/host_fs.h"
#include "platform/lock_file.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"
#include "platform/win32.h"

namespace platform {
namespace {

// Mask code points with a DOS meaning after the rewrite.
constexpr char32_t kDosStar = 0x110001;  // '*' that stops before the last dot
constexpr char32_t kDosQm = 0x110002;    // '?' that matches nothing at a dot or the end
constexpr char32_t kDosDot = 0x110003;   // '.' that also matches the end of the name

// Windows' rewrite of a mask: strip trailing dots and spaces; a final '*' of a
// mask that ended in '.' stops before an extension; '.' before '*' or '?'
// matches a dot or the end; '?' matches nothing at a dot or the end.
std::u32string RewriteMask(std::string_view utf8Mask) {
    std::string m(utf8Mask);
    bool strippedDot = false;
    while (!m.empty() && (m.back() == '.' || m.back() == ' ')) {
        if (m.back() == '.') strippedDot = true;
        m.pop_back();
    }
    std::u32string f = FoldName(m);
    std::u32string out;
    for (size_t i = 0; i < f.size(); ++i) {
        char32_t c = f[i];
        if (c == '?') {
            out += kDosQm;
        } else if (c == '.' && i + 1 < f.size() && (f[i + 1] == '*' || f[i + 1] == '?')) {
            out += kDosDot;
        } else if (c == '*' && strippedDot && i + 1 == f.size()) {
            out += kDosStar;
        } else {
            out += c;
        }
    }
    return out;
}

// DOS wildcard match of a folded name against a rewritten mask (memoised, so
// masks with many '*' stay linear in practice).
class MaskMatcher {
public:
    MaskMatcher(const std::u32string& mask, const std::u32string& name)
        : m_mask(mask), m_name(name), m_lastDot(name.rfind(U'.')), m_memo((mask.size() + 1) * (name.size() + 1), -1) {}

    // Whether mask[p...] matches name[n...].
    bool Matches(size_t p, size_t n) {
        signed char& slot = m_memo[p * (m_name.size() + 1) + n];
        if (slot < 0) slot = Step(p, n) ? 1 : 0;
        return slot == 1;
    }

private:
    bool Step(size_t p, size_t n) {
        const size_t N = m_name.size();
        if (p == m_mask.size()) return n == N;
        const char32_t c = m_mask[p];
        if (c == '*') return RestMatchesFromAny(p, n, N);
        if (c == kDosStar) {
            const bool dotAhead = m_lastDot != std::u32string::npos && m_lastDot >= n;
            return RestMatchesFromAny(p, n, dotAhead ? m_lastDot : N);
        }
        if (c == kDosQm) return (n == N || m_name[n] == '.') ? Matches(p + 1, n) : Matches(p + 1, n + 1);
        if (c == kDosDot) return n == N ? Matches(p + 1, n) : (m_name[n] == '.' && Matches(p + 1, n + 1));
        return n < N && m_name[n] == c && Matches(p + 1, n + 1);
    }

    // Whether the mask after p matches the name from some position in [from, last].
    bool RestMatchesFromAny(size_t p, size_t from, size_t last) {
        for (size_t k = from; k <= last; ++k)
            if (Matches(p + 1, k)) return true;
        return false;
    }

    const std::u32string& m_mask;
    const std::u32string& m_name;
    const size_t m_lastDot;
    std::vector<signed char> m_memo;
};

bool MatchMask(const std::u32string& mask, const std::u32string& name) { return MaskMatcher(mask, name).Matches(0, 0); }

// One cell of the table of MatchDots: whether the mask from character c on
// matches name[n...], given `next`, the cells of the mask after c.
bool DotsCell(char32_t c, const std::u32string& name, const std::vector<char>& next, size_t n) {
    const size_t N = name.size();
    if (c == '*' || c == kDosStar)
        return std::any_of(next.begin() + static_cast<ptrdiff_t>(n), next.end(), [](char v) { return v != 0; });
    if (c == '?') return n < N ? next[n + 1] : next[n];
    if (c == kDosDot) return n == N ? next[n] : (name[n] == '.' && next[n + 1]);
    return n < N && name[n] == c && next[n + 1];
}

// "." and "..": Windows returns them whenever the mask matches them; a '?'
// there matches any one character (a dot too), or nothing at the end.
bool MatchDots(const std::u32string& mask, const std::u32string& name) {
    std::u32string plain = mask;
    for (char32_t& c : plain)
        if (c == kDosQm) c = '?';
    const size_t M = plain.size(), N = name.size();
    std::vector<std::vector<char>> ok(M + 1, std::vector<char>(N + 1, 0));
    ok[M][N] = 1;
    for (size_t p = M; p-- > 0;)
        for (size_t n = N + 1; n-- > 0;) ok[p][n] = DotsCell(plain[p], name, ok[p + 1], n);
    return ok[0][0];
}

struct FindState {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

std::mutex g_handlesLock;
std::set<FindState*> g_handles;

WIN32_FIND_DATAA MakeFindData(const std::string& cp932Name, const struct stat& st, std::string_view utf8Name) {
    WIN32_FIND_DATAA d;
    std::memset(&d, 0, sizeof d);
    d.dwFileAttributes = AttributesOf(st, utf8Name);
    d.ftCreationTime = CreationTimeOf(st);
    d.ftLastAccessTime = ToFileTime(st.st_atim);
    d.ftLastWriteTime = ToFileTime(st.st_mtim);
    if (!S_ISDIR(st.st_mode)) {
        uint64_t size = static_cast<uint64_t>(st.st_size);
        d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        d.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    size_t n = std::min(cp932Name.size(), static_cast<size_t>(MAX_PATH - 1));
    std::memcpy(d.cFileName, cp932Name.data(), n);
    return d;
}

// Splits "dir\mask" at the last separator outside double-byte characters.
// Returns the position just after it, 0 when there is none (or after "X:").
size_t MaskStart(std::string_view p) {
    const size_t last = LastCp932Separator(p);
    if (last != std::string::npos) return last + 1;
    return (p.size() >= 2 && p[1] == ':') ? 2 : 0;
}

bool MaskHasInvalidCharacters(std::string_view m) {
    bool invalid = false;
    ForEachCp932Char(m, [&](size_t i, size_t len) {
        const auto b = static_cast<unsigned char>(m[i]);
        invalid = len == 1 && (b < 0x20 || b == '"' || b == '<' || b == '>' || b == '|' || b == ':');
        return !invalid;
    });
    return invalid;
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// The folder part of a pattern as FindFirstFileA resolves it, and its mask.
std::string FolderPart(std::string_view pattern, std::string_view* mask) {
    const size_t ms = MaskStart(pattern);
    std::string dirPart(pattern.substr(0, ms));
    *mask = pattern.substr(ms);
    if (dirPart.empty())
        dirPart = ".";
    else if (dirPart.size() == 2 && dirPart[1] == ':')
        dirPart += '.';  // "X:mask": current folder of X:
    return dirPart;
}

// The error a mask gives before any folder entry is looked at, 0 when it can match.
[[nodiscard]] DWORD PrepareMask(std::string_view mask, std::u32string* rewritten) {
    // A trailing backslash names no file: "C:\" gives 2.
    if (mask.empty()) return ERROR_FILE_NOT_FOUND;
    if (MaskHasInvalidCharacters(mask)) return ERROR_INVALID_NAME;
    bool convertible = true;
    const std::string utf8Mask = Cp932ToUtf8(mask, &convertible);
    if (!convertible) return ERROR_INVALID_NAME;
    *rewritten = RewriteMask(utf8Mask);
    return rewritten->empty() ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND) : 0;
}

// The error for a search in `dir` as resolved, 0 when it is a folder to read.
[[nodiscard]] DWORD FolderError(const HostPath& dir) {
    if (!dir.ok) return static_cast<DWORD>(dir.error);
    if (!dir.exists || !IsPlainFileOrFolder(dir.info)) {
        // A missing folder is error 3 even when it is the last one named.
        const DWORD e = MissingPathError(dir);
        return e == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : e;
    }
    return S_ISDIR(dir.info.st_mode) ? 0 : static_cast<DWORD>(ERROR_DIRECTORY);
}

struct MaskQuery {
    size_t pattern;  // index into the caller's patterns
    std::u32string rewritten;
    bool valid = true;  // false: the mask's own error stands unless the folder has one
};

// "." and ".." where a mask matches them; a drive root has neither.
void AddDotEntries(const HostPath& dir, const std::vector<MaskQuery>& queries, std::vector<FileSearchResult>& results) {
    std::string parentHost = dir.host.substr(0, dir.host.rfind('/'));
    if (parentHost.empty()) parentHost = "/";
    struct stat parent {};
    bool parentRead = false, parentOk = false;
    for (const MaskQuery& q : queries) {
        if (!q.valid) continue;
        if (MatchDots(q.rewritten, U".")) results[q.pattern].entries.push_back(MakeFindData(".", dir.info, "."));
        if (!MatchDots(q.rewritten, U"..")) continue;
        if (!parentRead) {
            parentOk = stat(parentHost.c_str(), &parent) == 0;
            parentRead = true;
        }
        if (parentOk) results[q.pattern].entries.push_back(MakeFindData("..", parent, ".."));
    }
}

// The entries of one folder that the queries' masks match.
struct Matches {
    struct Found {
        std::u32string key;  // the folded name, for the listing order
        size_t data;         // into `datas`
    };
    std::vector<WIN32_FIND_DATAA> datas;    // each matched entry once
    std::vector<std::vector<Found>> found;  // per query
};

void MatchEntry(int dirFd, const char* entryName, const std::vector<MaskQuery>& queries, Matches& m) {
    const std::string_view name = entryName;
    if (name == "." || name == "..") return;
    if (!IsWindowsCompatibleName(name)) return;  // "a\b", "x:y", unconvertible names
    if (IsTransferTempName(name)) return;        // a copy under way, or one a kill left
    if (IsFolderLockName(name)) return;          // a run's lock on its maintenance folder, never data
    const std::u32string folded = FoldName(name);
    size_t data = SIZE_MAX;
    for (size_t q = 0; q < queries.size(); ++q) {
        if (!queries[q].valid || !MatchMask(queries[q].rewritten, folded)) continue;
        if (data == SIZE_MAX) {
            struct stat st {};
            // Links are not followed (nor shown), FIFOs and devices never shown.
            if (fstatat(dirFd, entryName, &st, AT_SYMLINK_NOFOLLOW) != 0 || !IsPlainFileOrFolder(st)) return;
            data = m.datas.size();
            m.datas.push_back(MakeFindData(Utf8ToCp932(name), st, name));
        }
        m.found[q].push_back({folded, data});
    }
}

// A folder of the same search named as a plain child of one searched before it
// (a data set's "S1\" and "S1\SUB\"): when the parent's listing holds no name
// equal to the child's ignoring case, the child is missing, as its resolution
// would find (a walk from the drive root and one more read of the parent).
struct ChildFolder {
    size_t folder = 0;   // into the search's folders
    std::string name;    // the child's host (UTF-8) name
    bool named = false;  // the parent holds a name equal to it ignoring case
};

bool IsPlainNameByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '$' || c == '#' || c == '@' || c == '!' || c == '~' || c == '&' || c == '+' || c == '(' || c == ')';
}

// The child `dirPart` names one level below `parent` (both as FolderPart gives
// them), when it is a plain ASCII name that no rule of the path resolution changes
// (no dots, blanks, wildcards or device names); else "".
std::string PlainChild(const std::string& parent, const std::string& dirPart) {
    if (parent.empty() || dirPart.size() < parent.size() + 2 || dirPart.compare(0, parent.size(), parent) != 0)
        return {};
    if (LastCp932Separator(parent) != parent.size() - 1 || !IsWindowsSeparator(dirPart.back())) return {};
    std::string child = dirPart.substr(parent.size(), dirPart.size() - parent.size() - 1);
    if (!std::all_of(child.begin(), child.end(), IsPlainNameByte) || IsReservedDeviceName(child)) return {};
    return child;
}

// Searches folder `dirPart` once for every query; fills the queries' results.
// `children` are told whether this folder's listing names them.
void SearchFolder(const std::string& dirPart, const std::vector<MaskQuery>& queries,
                  std::vector<FileSearchResult>& results, std::vector<ChildFolder>& children, bool* listed) {
    *listed = false;
    const HostPath dir = ResolvePath(dirPart);
    if (const DWORD e = FolderError(dir)) {
        for (const MaskQuery& q : queries) results[q.pattern].error = e;
        return;
    }

    if (!IsDriveRoot(dir)) AddDotEntries(dir, queries, results);

    Matches m;
    m.found.resize(queries.size());
    UniqueFd dirFd(OpenUnderDrive(dir.host, O_RDONLY | O_DIRECTORY));
    if (DIR* d = dirFd.Valid() ? fdopendir(dirFd.Get()) : nullptr) {
        (void)dirFd.Release();  // closedir closes it
        errno = 0;
        while (dirent* e = readdir(d)) {
            for (ChildFolder& c : children) c.named = c.named || NamesEqualIgnoringCase(e->d_name, c.name);
            MatchEntry(dirfd(d), e->d_name, queries, m);
            errno = 0;
        }
        *listed = errno == 0;  // the whole listing was read
        closedir(d);
    }
    for (size_t q = 0; q < queries.size(); ++q) {
        // Upper-case order, as NTFS lists a folder.
        std::vector<Matches::Found>& found = m.found[q];
        std::sort(found.begin(), found.end(), [&](const Matches::Found& a, const Matches::Found& b) {
            if (a.key != b.key) return a.key < b.key;
            return std::strcmp(m.datas[a.data].cFileName, m.datas[b.data].cFileName) < 0;
        });
        FileSearchResult& result = results[queries[q].pattern];
        for (const Matches::Found& f : found) result.entries.push_back(m.datas[f.data]);
        if (queries[q].valid && result.entries.empty()) result.error = ERROR_FILE_NOT_FOUND;
    }
}

// Patterns grouped by folder, folders in the order they are first named; a
// pattern with no folder to search gets its error in `results` at once.
using FolderQueries = std::vector<std::pair<std::string, std::vector<MaskQuery>>>;

FolderQueries GroupByFolder(const std::vector<std::string>& patterns, std::vector<FileSearchResult>& results) {
    FolderQueries folders;
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (patterns[i].empty()) {
            results[i].error = ERROR_PATH_NOT_FOUND;
            continue;
        }
        std::string_view mask;
        std::string dirPart = FolderPart(patterns[i], &mask);
        MaskQuery query{i, {}};
        if (const DWORD e = PrepareMask(mask, &query.rewritten)) {
            // The folder is still resolved for this pattern: its error comes first.
            results[i].error = e;
            query.valid = false;
        }
        auto it = std::find_if(folders.begin(), folders.end(), [&](const auto& f) { return f.first == dirPart; });
        if (it == folders.end()) {
            folders.emplace_back(std::move(dirPart), std::vector<MaskQuery>{});
            it = std::prev(folders.end());
        }
        it->second.push_back(std::move(query));
    }
    return folders;
}

// Each folder's plain children among the later folders (a child under its first parent).
std::vector<std::vector<ChildFolder>> PlainChildren(const FolderQueries& folders) {
    std::vector<std::vector<ChildFolder>> children(folders.size());
    for (size_t f = 0; f < folders.size(); ++f) {
        for (size_t p = 0; p < f; ++p) {
            std::string child = PlainChild(folders[p].first, folders[f].first);
            if (child.empty()) continue;
            children[p].push_back({f, std::move(child)});
            break;
        }
    }
    return children;
}

}  // namespace

std::vector<FileSearchResult> FindFilesForEach(const std::vector<std::string>& patterns) {
    std::vector<FileSearchResult> results(patterns.size());
    const FolderQueries folders = GroupByFolder(patterns, results);
    std::vector<std::vector<ChildFolder>> children = PlainChildren(folders);
    std::vector<bool> missing(folders.size());
    for (size_t f = 0; f < folders.size(); ++f) {
        const auto& [dirPart, queries] = folders[f];
        if (missing[f]) {
            // What the resolution gives a missing folder whose parent exists.
            for (const MaskQuery& q : queries) results[q.pattern].error = ERROR_PATH_NOT_FOUND;
            continue;
        }
        bool listed = false;
        SearchFolder(dirPart, queries, results, children[f], &listed);
        if (!listed) continue;
        for (const ChildFolder& c : children[f])
            if (!c.named) missing[c.folder] = true;
    }
    return results;
}

}  // namespace platform

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* data) {
    using namespace platform;
    if (!lpFileName || !*lpFileName || !data) return Fail(ERROR_PATH_NOT_FOUND);
    std::vector<FileSearchResult> results = FindFilesForEach({std::string(lpFileName)});
    if (results[0].error != ERROR_SUCCESS) return Fail(results[0].error);
    auto* state = new FindState;
    state->entries = std::move(results[0].entries);
    *data = state->entries[0];
    state->next = 1;
    {
        std::lock_guard<std::mutex> guard(g_handlesLock);
        g_handles.insert(state);
    }
    SetLastError(ERROR_SUCCESS);
    return state;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* data) {
    using namespace platform;
    auto* state = static_cast<FindState*>(hFindFile);
    std::lock_guard<std::mutex> guard(g_handlesLock);
    if (!g_handles.count(state) || !data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (state->next >= state->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = state->entries[state->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    using namespace platform;
    auto* state = static_cast<FindState*>(hFindFile);
    std::lock_guard<std::mutex> guard(g_handlesLock);
    if (!g_handles.erase(state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete state;
    return TRUE;
}
