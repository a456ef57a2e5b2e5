#include "platform/profile_snapshot.h"

#include <mutex>

#include "platform/profile_cache.h"

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

UINT ProfileSnapshot::GetInt(LPCSTR app, LPCSTR key, INT def) const {
    return profile::ReadIntFrom(m_file.get(), m_error, app, key, def, m_memo.get());
}

}  // namespace platform
