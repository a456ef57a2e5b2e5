#include "platform/profile_snapshot.h"

#include <mutex>

#include "platform/profile_cache.h"
#include "platform/profile_names.h"

namespace platform {

ProfileSnapshot::ProfileSnapshot(LPCSTR fileName) : m_memo(std::make_unique<profile::SectionMemo>()) {
    std::lock_guard<std::mutex> lock(profile::CacheMutex());
    m_file = profile::ShareLocked(profile::ReadLocked(fileName, &m_error));
    if (!m_file && !m_error) m_error = ERROR_FILE_NOT_FOUND;
}

ProfileSnapshot::~ProfileSnapshot() = default;

DWORD ProfileSnapshot::GetString(LPCSTR app, LPCSTR key, LPCSTR def, LPSTR out, DWORD size) const {
    if (!out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return profile::ReadStringFrom(m_file.get(), m_error, app, key, def, out, size, m_memo.get());
}

std::string_view ProfileSnapshot::GetValue(LPCSTR app, LPCSTR key, LPCSTR def) const {
    return profile::ValueFrom(m_file.get(), app, key, def, m_memo.get());
}

void ProfileSnapshot::ForEachKey(LPCSTR app,
                                 const std::function<void(std::string_view key, std::string_view value)>& each) const {
    profile::ForEachKeyFrom(m_file.get(), app, m_memo.get(), each);
}

UINT ProfileSnapshot::IntOf(std::string_view value, INT def) { return profile::IntFromValue(value, def); }

bool ProfileSnapshot::SameName(std::string_view a, std::string_view b) { return profile::NamesEqual(a, b); }

UINT ProfileSnapshot::GetInt(LPCSTR app, LPCSTR key, INT def) const {
    return profile::ReadIntFrom(m_file.get(), m_error, app, key, def, m_memo.get());
}

}  // namespace platform
