#include "platform/profile_file.h"

#include <algorithm>
#include <cstring>

#include "platform/cp932.h"

namespace platform::profile {

namespace {

constexpr uint32_t kEmpty = 0xFFFFFFFFu;

inline bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Length of the character at p: 2 for a lead byte followed by a valid trail byte.
inline size_t CharLen(const unsigned char* p, size_t remaining) {
    return (remaining >= 2 && IsLeadByte(p[0]) && IsTrailByte(p[1])) ? 2 : 1;
}

// Upper-case form of one character, as a 16-bit CP932 code.
inline uint32_t FoldChar(const unsigned char* p, size_t len) {
    if (len == 1) {
        unsigned char c = p[0];
        return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
    }
    uint32_t code = (uint32_t(p[0]) << 8) | p[1];
    if (code >= 0x8281 && code <= 0x829A) return code - 0x21;  // full-width a-z
    if (code >= 0x83BF && code <= 0x83D6) return code - 0x20;  // Greek
    if (code >= 0x8470 && code <= 0x8491 && code != 0x847F) {  // Cyrillic (0x7F is no trail byte)
        uint32_t index = p[1] < 0x7F ? p[1] - 0x70u : p[1] - 0x71u;
        return 0x8440 + index;
    }
    return code;
}

inline uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

void TrimRange(const std::string& text, uint32_t* begin, uint32_t* end) {
    while (*begin < *end && IsBlank(text[*begin])) ++*begin;
    while (*end > *begin && IsBlank(text[*end - 1])) --*end;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    auto pa = reinterpret_cast<const unsigned char*>(a.data());
    auto pb = reinterpret_cast<const unsigned char*>(b.data());
    size_t ia = 0, ib = 0;
    while (ia < a.size() && ib < b.size()) {
        size_t la = CharLen(pa + ia, a.size() - ia);
        size_t lb = CharLen(pb + ib, b.size() - ib);
        if (FoldChar(pa + ia, la) != FoldChar(pb + ib, lb)) return false;
        ia += la;
        ib += lb;
    }
    return ia == a.size() && ib == b.size();
}

uint64_t NameHash(std::string_view name, uint64_t seed) {
    auto p = reinterpret_cast<const unsigned char*>(name.data());
    uint64_t h = 0xcbf29ce484222325ULL ^ Mix(seed + 1);
    size_t i = 0;
    while (i < name.size()) {
        size_t len = CharLen(p + i, name.size() - i);
        h ^= FoldChar(p + i, len);
        h *= 0x100000001b3ULL;
        i += len;
    }
    return Mix(h);
}

ProfileFile::ProfileFile(std::string bytes) {
    if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
        // Only FF FE switches a profile to UTF-16LE; it is edited as code page 932
        // text and written back as UTF-16LE.
        m_utf16 = true;
        m_text = Utf8ToCp932(Utf16LeToUtf8(std::string_view(bytes).substr(2)));
    } else {
        m_text = std::move(bytes);
    }
    if (!ParseLines()) {
        m_indexed = false;
        std::vector<Line>().swap(m_lines);
        std::vector<Section>().swap(m_sections);
        std::vector<uint32_t>().swap(m_keyLines);
        return;
    }
    BuildIndexes();
}

std::string ProfileFile::Encode(const std::string& text) const {
    if (!m_utf16) return text;
    return "\xFF\xFE" + Utf8ToUtf16Le(Cp932ToUtf8(text));
}

namespace {

// The kind of the line whose content is t[s, e) (s after the leading blanks),
// with its name and value ranges.
void ClassifyLine(const std::string& t, uint32_t s, uint32_t e, Line* line) {
    if (s == e) {
        line->kind = LineKind::Blank;
    } else if (t[s] == ';') {
        line->kind = LineKind::Comment;
    } else if (t[s] == '[') {
        // The name runs to the first ']' (a trail byte 0x5D of ゾ is no bracket),
        // or to the end of the line when there is none.
        line->kind = LineKind::Section;
        auto p = reinterpret_cast<const unsigned char*>(t.data());
        uint32_t close = s + 1;
        while (close < e && p[close] != ']') close += static_cast<uint32_t>(CharLen(p + close, e - close));
        if (close > e) close = e;
        line->nameBegin = s + 1;
        line->nameEnd = close;
        TrimRange(t, &line->nameBegin, &line->nameEnd);
    } else if (const void* eq = std::memchr(t.data() + s, '=', e - s)) {
        // '=' (0x3D) is never a trail byte, so the first one is a real one.
        line->kind = LineKind::Key;
        line->equals = static_cast<uint32_t>(static_cast<const char*>(eq) - t.data());
        line->nameBegin = s;
        line->nameEnd = line->equals;
        line->valueBegin = line->equals + 1;
        line->valueEnd = e;
        TrimRange(t, &line->nameBegin, &line->nameEnd);
        TrimRange(t, &line->valueBegin, &line->valueEnd);
    } else {
        line->kind = LineKind::Text;
    }
}

// The line starting at t[pos]: its content, its line break (CRLF, CR or LF) and kind.
Line ScanLine(const std::string& t, uint32_t pos) {
    const auto n = static_cast<uint32_t>(t.size());
    Line line;
    line.begin = pos;
    uint32_t e = pos;
    while (e < n && t[e] != '\r' && t[e] != '\n') ++e;
    line.end = e;
    if (e == n)
        line.next = n;
    else if (t[e] == '\r' && e + 1 < n && t[e + 1] == '\n')
        line.next = e + 2;
    else
        line.next = e + 1;
    uint32_t s = pos;
    while (s < e && IsBlank(t[s])) ++s;
    ClassifyLine(t, s, e, &line);
    return line;
}

}  // namespace

bool ProfileFile::ParseLines() {
    const std::string& t = m_text;
    const uint32_t n = static_cast<uint32_t>(t.size());
    // What a held line costs with its share of the indexes (hash tables are at most
    // three slots per entry), against what the file may take.
    const size_t budget = t.size() + kIndexAllowance;
    constexpr size_t kLineCost = sizeof(Line) + sizeof(uint32_t) + 3 * sizeof(Slot);
    constexpr size_t kSectionCost = sizeof(Section) + 3 * sizeof(Slot) + sizeof(std::string_view);
    const size_t maxLines = budget / kLineCost;
    size_t used = 0;
    uint32_t pos = 0;
    while (pos < n) {
        const Line line = ScanLine(t, pos);
        pos = line.next;
        // Blank and comment lines are the gaps between held lines.
        if (line.kind == LineKind::Blank || line.kind == LineKind::Comment) continue;
        used += kLineCost + (line.kind == LineKind::Section ? kSectionCost : 0);
        if (used > budget) return false;
        if (m_lines.size() == m_lines.capacity())
            m_lines.reserve(std::min(maxLines + 1, std::max<size_t>(64, m_lines.capacity() * 2)));
        m_lines.push_back(line);
    }
    return true;
}

// Adds `slot` to an open-addressed table unless a slot of an equal name is there:
// only the first section of a name, and the first key of a name in it, can be
// reached. One probe serves both the look-up and the insertion.
template <typename SlotT, typename NameOfSlot>
static bool InsertFirst(SlotT* table, size_t size, const SlotT& slot, std::string_view name, NameOfSlot nameOf) {
    size_t mask = size - 1;
    size_t i = slot.hash & mask;
    for (; table[i].item != kEmpty; i = (i + 1) & mask)
        if (table[i].hash == slot.hash && NamesEqual(nameOf(table[i]), name)) return false;
    table[i] = slot;
    return true;
}

static size_t TableSize(size_t count, size_t least = 16) {
    size_t size = least;
    while (size < count + count / 2 + 1) size <<= 1;
    return size;
}

void ProfileFile::BuildIndexes() {
    // Sections and their key lines; lines before the first section belong to none.
    for (uint32_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Section) {
            if (!m_sections.empty()) m_sections.back().endLine = i;
            Section s;
            s.header = i;
            s.lastContent = i;
            s.firstKey = static_cast<uint32_t>(m_keyLines.size());
            m_sections.push_back(s);
        } else if (!m_sections.empty()) {
            if (line.kind == LineKind::Key) {
                m_keyLines.push_back(i);
                ++m_sections.back().keyCount;
            }
            if (line.kind == LineKind::Key || line.kind == LineKind::Text) m_sections.back().lastContent = i;
        }
    }
    if (!m_sections.empty()) m_sections.back().endLine = static_cast<uint32_t>(m_lines.size());

    // Only the first section of a name and the first key of a name in it can be
    // reached, so later duplicates are left out of the indexes.
    Slot empty;
    empty.item = kEmpty;
    m_sectionTable.assign(TableSize(m_sections.size()), empty);
    // Each section's keys have a table of their own, side by side: the keys of one
    // section, read one after another, then share a few cache lines.
    m_keyRegions.assign(m_sections.size() + 1, 0);
    size_t slots = 0;
    for (uint32_t si = 0; si < m_sections.size(); ++si) {
        m_keyRegions[si] = static_cast<uint32_t>(slots);
        if (m_sections[si].keyCount > 0) slots += TableSize(m_sections[si].keyCount, 4);
    }
    m_keyRegions.back() = static_cast<uint32_t>(slots);
    m_keyTable.assign(slots, empty);
    auto sectionName = [this](const Slot& slot) { return NameOf(m_lines[m_sections[slot.item].header]); };
    auto keyName = [this](const Slot& slot) { return NameOf(m_lines[slot.item]); };
    for (uint32_t si = 0; si < m_sections.size(); ++si) {
        std::string_view name = NameOf(m_lines[m_sections[si].header]);
        if (!InsertFirst(m_sectionTable.data(), m_sectionTable.size(), Slot{NameHash(name, 0), 0, si}, name,
                         sectionName))
            continue;
        const Section& s = m_sections[si];
        Slot* keys = m_keyTable.data() + m_keyRegions[si];
        size_t size = m_keyRegions[si + 1] - m_keyRegions[si];
        for (uint32_t k = 0; k < s.keyCount; ++k) {
            uint32_t li = m_keyLines[s.firstKey + k];
            std::string_view key = NameOf(m_lines[li]);
            InsertFirst(keys, size, Slot{NameHash(key, 1), si, li}, key, keyName);
        }
    }
}

const Section* ProfileFile::FindSection(std::string_view name) const {
    if (m_sectionTable.empty()) return nullptr;
    uint64_t h = NameHash(name, 0);
    size_t mask = m_sectionTable.size() - 1;
    for (size_t i = h & mask; m_sectionTable[i].item != kEmpty; i = (i + 1) & mask) {
        const Slot& slot = m_sectionTable[i];
        if (slot.hash == h && NamesEqual(NameOf(m_lines[m_sections[slot.item].header]), name))
            return &m_sections[slot.item];
    }
    return nullptr;
}

const Line* ProfileFile::FindKey(const Section& section, std::string_view key) const {
    uint32_t si = static_cast<uint32_t>(&section - m_sections.data());
    size_t size = m_keyRegions[si + 1] - m_keyRegions[si];
    if (size == 0) return nullptr;
    const Slot* table = m_keyTable.data() + m_keyRegions[si];
    uint64_t h = NameHash(key, 1);
    size_t mask = size - 1;
    for (size_t i = h & mask; table[i].item != kEmpty; i = (i + 1) & mask) {
        const Slot& slot = table[i];
        if (slot.hash == h && NamesEqual(NameOf(m_lines[slot.item]), key)) return &m_lines[slot.item];
    }
    return nullptr;
}

std::vector<const Line*> ProfileFile::KeysOf(const Section& section) const {
    std::vector<const Line*> keys;
    keys.reserve(section.keyCount);
    for (uint32_t k = 0; k < section.keyCount; ++k) keys.push_back(&m_lines[m_keyLines[section.firstKey + k]]);
    return keys;
}

}  // namespace platform::profile
