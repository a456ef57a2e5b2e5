// One profile (INI) file parsed for look-ups and for in-place edits.
// The text is kept byte for byte; lines, sections and keys are ranges into it,
// with hash indexes so that a look-up costs about the same in a file of 10,000
// sections as in one of ten. Only section, key and text lines are held: blank and
// comment lines are the gaps between them, so a file of empty lines costs its text
// alone. The indexes may take at most the file's size plus a constant
// (kIndexAllowance); a file that would need more is refused (Indexed() false).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp932.h"

namespace platform::profile {

enum class LineKind : uint8_t {
    Blank,    // empty or only blanks (never held)
    Comment,  // first non-blank character is ';' (never held)
    Section,  // first non-blank character is '['
    Key,      // holds '=': key before the first one, value after it
    Text,     // anything else: belongs to its section but is never a key
};

// A section, key or text line (blank and comment lines are not held).
struct Line {
    uint32_t begin = 0;      // first byte of the line
    uint32_t end = 0;        // end of its content (before the line break)
    uint32_t next = 0;       // start of the following line (after the line break)
    uint32_t nameBegin = 0;  // section name or key, blanks trimmed
    uint32_t nameEnd = 0;
    uint32_t valueBegin = 0;  // value of a key line, blanks trimmed
    uint32_t valueEnd = 0;
    uint32_t equals = 0;  // position of the '=' of a key line
    LineKind kind = LineKind::Blank;
};

struct Section {
    uint32_t header = 0;       // line index of "[name]"
    uint32_t endLine = 0;      // one past its last held line (the next header, or the end)
    uint32_t lastContent = 0;  // its last key or text line; the header when it has none
    uint32_t firstKey = 0;     // its key lines: keyLines[firstKey .. firstKey + keyCount)
    uint32_t keyCount = 0;
};

class ProfileFile {
public:
    // Parses `bytes` as read from disk: code page 932, or UTF-16LE when it starts
    // with FF FE (then held here converted to code page 932).
    explicit ProfileFile(std::string bytes);

    // Index memory a file may take: its own size again plus this constant, ample
    // for any real file (a catalogue of 10,000 data sets needs about 30 MB).
    static constexpr size_t kIndexAllowance = size_t(64) << 20;

    // False when the file has more lines than its size allows memory for: it
    // holds no lines and must not be used.
    bool Indexed() const { return m_indexed; }
    // Start of the next held line after line `i` (the end of the text after the
    // last): the blank and comment lines between are the bytes [lines[i].next, this).
    uint32_t GapEnd(uint32_t i) const {
        return i + 1 < m_lines.size() ? m_lines[i + 1].begin : uint32_t(m_text.size());
    }

    const std::string& Text() const { return m_text; }
    bool IsUtf16() const { return m_utf16; }
    const std::vector<Line>& Lines() const { return m_lines; }
    const std::vector<Section>& Sections() const { return m_sections; }

    // First section of that name (case-insensitive), or nullptr.
    const Section* FindSection(std::string_view name) const;
    // First key line of that name in `section`, or nullptr.
    const Line* FindKey(const Section& section, std::string_view key) const;
    // Key lines of a section in file order (duplicates included).
    std::vector<const Line*> KeysOf(const Section& section) const;

    std::string_view NameOf(const Line& line) const {
        return std::string_view(m_text).substr(line.nameBegin, line.nameEnd - line.nameBegin);
    }
    std::string_view ValueOf(const Line& line) const {
        return std::string_view(m_text).substr(line.valueBegin, line.valueEnd - line.valueBegin);
    }
    std::string_view LineText(const Line& line) const {
        return std::string_view(m_text).substr(line.begin, line.end - line.begin);
    }

    // The bytes to store for `text` in this file's encoding (a UTF-16 file stays UTF-16).
    std::string Encode(const std::string& text) const;

private:
    struct Slot {
        uint64_t hash = 0;
        uint32_t section = 0;  // section index (key table) or unused
        uint32_t item = 0;     // section index (section table) or line index (key table); ~0 = empty
    };
    [[nodiscard]] bool ParseLines();
    void BuildIndexes();

    std::string m_text;
    bool m_utf16 = false;
    bool m_indexed = true;
    std::vector<Line> m_lines;
    std::vector<Section> m_sections;
    std::vector<uint32_t> m_keyLines;
    std::vector<Slot> m_sectionTable;
    std::vector<Slot> m_keyTable;        // one table per section, side by side
    std::vector<uint32_t> m_keyRegions;  // section i's table: [m_keyRegions[i], m_keyRegions[i + 1])
};

// Names compare like Windows compares them: case-insensitively per character,
// CP932 double-byte characters taken whole (a trail byte 'A'..'Z' is never folded);
// full-width Latin, Greek and Cyrillic letters fold as well.
bool NamesEqual(std::string_view a, std::string_view b);
uint64_t NameHash(std::string_view name, uint64_t seed);

// Blanks trimmed from profile lines: space, tab and vertical tab.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

// Only spaces are stripped from the names a caller passes; a tab stays part of it.
inline std::string_view TrimSpaces(const char* s) {
    std::string_view v(s);
    while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return v;
}
inline bool IsLeadByte(unsigned char c) { return IsCp932LeadByte(c); }

}  // namespace platform::profile
