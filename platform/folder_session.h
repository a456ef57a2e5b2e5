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

#include "platform/win32.h"

namespace platform {

class FolderSession {
public:
    // Opens the existing folder at a Windows path (CP932) through the resolver
    // that follows no link below the drive root. Null with *error (3 when it is
    // missing or no folder) when it cannot be.
    static std::unique_ptr<FolderSession> Open(std::string_view winFolder, DWORD* error);
    ~FolderSession();
    FolderSession(const FolderSession&) = delete;
    FolderSession& operator=(const FolderSession&) = delete;

    int Fd() const { return m_fd; }
    const std::string& Host() const { return m_host; }
    dev_t Device() const { return m_st.st_dev; }

    // The name in this folder of the host name `name`: the exact name when
    // something has it (a link too: a copy replaces it, never follows it), else
    // the entry equal to it ignoring case, else `name` itself. *exists tells
    // whether it names something; *st gets its lstat then.
    std::string NameFor(const std::string& name, struct stat* st, bool* exists);

    // Opens the regular file `name` (or the one equal to it ignoring case) for
    // reading, as OpenRegularFile does. -1 with *error set (2 when missing or a
    // link, 5 for a folder or device).
    int OpenFile(const std::string& name, struct stat* st, std::string* found, DWORD* error);

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
    int m_fd = -1;
    struct stat m_st {};
    bool m_indexed = false;
    struct Entry {
        std::string name;   // the smallest name of its fold
        bool ours = false;  // made by this run: may be waiting for its rename
    };
    std::unordered_map<std::u32string, Entry> m_index;  // by folded name
};

}  // namespace platform
