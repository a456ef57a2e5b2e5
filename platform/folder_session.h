// A folder a transfer writes into or reads from, opened once for the whole run:
// every file in it is opened, created and renamed relative to the folder's
// descriptor by its bare name (never following a link), so a run of thousands of
// files resolves each folder's path once, not each file's.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/unique_fd.h"
#include "platform/win32.h"

namespace platform {

class FolderSession {
public:
    // Opens the existing folder at a Windows path (CP932) through the resolver
    // that follows no link below the drive root. Null with *error (3 when it is
    // missing or no folder) when it cannot be.
    static std::unique_ptr<FolderSession> Open(std::string_view winFolder, DWORD* error);
    FolderSession(const FolderSession&) = delete;
    FolderSession& operator=(const FolderSession&) = delete;

    int Fd() const { return m_fd.Get(); }
    const std::string& Host() const { return m_host; }
    dev_t Device() const { return m_st.st_dev; }

    // The name in this folder of the host name `name`: the exact name when
    // something has it (a link too: a copy replaces it, never follows it), else
    // the entry equal to it ignoring case, else `name` itself. *exists tells
    // whether it names something; *st gets its lstat then. A name the folder's
    // listing holds nothing like (ignoring case) is absent without a look of its
    // own: *listedAbsent tells so, and a write to it must not replace what may
    // have come there since the listing.
    std::string NameFor(const std::string& name, struct stat* st, bool* exists, bool* listedAbsent);

    // Opens the regular file `name` (or the one equal to it ignoring case) for
    // reading, as OpenRegularFile does. -1 with *error set (2 when missing or a
    // link, 5 for a folder or device). With `listed`, the run's search has just
    // seen a regular file of that name: it is opened at once (never following a
    // link) and its fstat is the only look at it.
    int OpenFile(const std::string& name, struct stat* st, std::string* found, DWORD* error, bool listed = false);

    // The permission bits a create in this folder takes away: the process's
    // umask, unless a default ACL of the folder decides instead (then -1, as when
    // it cannot be read). Read at the first need.
    int CreateMask();

    // A name this run makes or renames into the folder (also one still waiting
    // in a batch): later look-ups ignoring case find it.
    void Added(const std::string& name);

    // Whether the folder's Windows path still leads to this very folder (same
    // device and inode, no link on the way): one resolve from the drive root.
    bool StillInPlace() const;

    // Whether the folder's filesystem takes O_DIRECT reads, learnt at the first try.
    enum class Direct { Unknown, Yes, No };
    Direct direct = Direct::Unknown;

private:
    FolderSession() = default;
    // The entry equal to `name` ignoring case, from one listing of the folder
    // made at the first need; empty when none.
    const std::string* MatchIgnoringCase(const std::string& name);
    void BuildIndex();
    void Index(const std::string& name, bool ours);

    std::string m_win, m_host;
    UniqueFd m_fd;
    struct stat m_st {};
    bool m_indexed = false;
    bool m_listed = false;  // the listing was read to its end
    static constexpr int kMaskUnread = -2;
    int m_createMask = kMaskUnread;
    struct Entry {
        std::string name;   // the smallest name of its fold
        bool ours = false;  // made by this run: may be waiting for its rename
    };
    std::unordered_map<std::u32string, Entry> m_index;  // by folded name
    std::unordered_set<std::string> m_unindexed;        // listed, but never matched: links, other names
};

}  // namespace platform
