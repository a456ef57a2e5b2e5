#include "catalogue/catalogue_entry.h"

#include <cstring>

#include "platform/cp932.h"

void CatalogueEntry::Set(int slot, std::string_view text) {
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    text = text.substr(0, platform::Cp932SafeCut(text, kTextSize - 1));
    if (text.empty()) {
        m_at[slot] = 0;
        return;
    }
    // Replaced texts stay behind in the buffer; before the offsets could overflow,
    // the buffer is laid out anew with the live texts only (at most 28 x 80 bytes).
    if (m_text.size() + text.size() + 2 > UINT16_MAX) {
        std::string live;
        for (int s = 0; s < kTextCount; ++s) {
            if (m_at[s] == 0 || s == slot) continue;
            const char* t = Text(s);
            const size_t at = live.size();
            live.append(t, std::strlen(t) + 1);
            m_at[s] = static_cast<uint16_t>(at + 1);
        }
        m_text.swap(live);
    }
    m_at[slot] = static_cast<uint16_t>(m_text.size() + 1);
    m_text.append(text);
    m_text.push_back('\0');
}
