// One profile file taken once for a run of look-ups that belong together (a whole
// catalogue), answering exactly as GetPrivateProfileStringA and GetPrivateProfileIntA
// answer for the file as it was when the snapshot was taken: one freshness check for
// the run instead of one per look-up, and no change half-way through it.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/win32.h"

namespace platform {

namespace profile {
class ProfileFile;
struct SectionMemo;
}  // namespace profile

// Not for use by several threads at once (it remembers the last section looked up).
class ProfileSnapshot {
public:
    // A missing or unreadable file answers every look-up with its default (and the
    // error the profile functions would set).
    explicit ProfileSnapshot(LPCSTR fileName);
    ~ProfileSnapshot();
    ProfileSnapshot(const ProfileSnapshot&) = delete;
    ProfileSnapshot& operator=(const ProfileSnapshot&) = delete;

    DWORD GetString(LPCSTR app, LPCSTR key, LPCSTR def, LPSTR out, DWORD size) const;
    UINT GetInt(LPCSTR app, LPCSTR key, INT def) const;
    // What GetString would copy for that key with a buffer large enough, without
    // the copy: the file's own bytes (its quotes stripped) or `def` (its trailing
    // spaces stripped), valid while the snapshot and `def` live. Sets no error.
    std::string_view GetValue(LPCSTR app, LPCSTR key, LPCSTR def) const;
    // Every key line of the section GetString would look in, in file order
    // (duplicates included: the first of a name is the one a look-up finds), with
    // the value GetValue would give for it. Nothing for a missing section.
    void ForEachKey(LPCSTR app, const std::function<void(std::string_view key, std::string_view value)>& each) const;
    // GetInt's reading of a value GetValue or ForEachKey gave.
    static UINT IntOf(std::string_view value, INT def);
    // Whether two key names are the same name to a look-up.
    static bool SameName(std::string_view a, std::string_view b);

private:
    std::shared_ptr<const profile::ProfileFile> m_file;
    DWORD m_error = 0;
    std::unique_ptr<profile::SectionMemo> m_memo;
};

}  // namespace platform
