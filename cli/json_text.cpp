#include "cli/json_text.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/cp932_walk.h"

namespace cli_json {

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

namespace {
// Length of the well-formed UTF-8 sequence at s[i] (RFC 3629: no overlongs, no
// surrogates, nothing above U+10FFFF), 0 when there is none.
size_t SequenceLength(std::string_view s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = at(i);
    if (b < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size() || at(i + 1) < low || at(i + 1) > high) return 0;
    for (size_t k = 2; k < length; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
    return length;
}
}  // namespace

std::string ValidUtf8(std::string_view bytes, bool* ok) {
    std::string text;
    text.reserve(bytes.size());
    bool valid = true;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            valid = false;
            ++i;
            continue;
        }
        text.append(bytes.substr(i, length));
        i += length;
    }
    if (ok) *ok = valid;
    return text;
}

void PutCp932(nlohmann::json& object, const std::string& key, std::string_view cp932) {
    bool ok = true;
    std::string text = ValidUtf8(platform::Cp932ToUtf8(cp932, &ok));
    object[key] = std::move(text);
    if (!ok) object[key + "_raw_hex"] = Hex(cp932);
}

void PutUtf8(nlohmann::json& object, const std::string& key, std::string_view utf8) {
    bool ok = true;
    object[key] = ValidUtf8(utf8, &ok);
    if (!ok) object[key + "_raw_hex"] = Hex(utf8);
}

nlohmann::json DriveRecord(const DriveInfo& drive) {
    nlohmann::json record = {{"letter", std::string(1, drive.letter) + ":"}, {"type", DriveTypeName(drive.type)}};
    PutUtf8(record, "label", drive.label);
    record["medium"] = drive.medium;
    record["free_bytes"] = drive.freeBytes;
    record["total_bytes"] = drive.totalBytes;
    return record;
}

nlohmann::json FolderRecord(const FolderInfo& folder) {
    nlohmann::json record = nlohmann::json::object();
    PutCp932(record, "name", folder.boxText);
    PutCp932(record, "dir", folder.name);
    return record;
}

nlohmann::json SetRecord(int32_t index, std::string_view cp932Name) {
    nlohmann::json record = {{"number", index + 1}, {"index", index}};
    PutCp932(record, "name", cp932Name);
    return record;
}

nlohmann::json MessageRecord(std::string_view utf8, std::string_view code, bool question, bool accepted) {
    nlohmann::json record = nlohmann::json::object();
    PutUtf8(record, "text", utf8);
    record["code"] = std::string(code);
    record["question"] = question;
    record["accepted"] = accepted;
    return record;
}

std::string Dump(const nlohmann::json& document) {
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

namespace {

// Indents of a record in a top-level array, of its fields, and of the array's close.
constexpr std::string_view kRecordIndent = "    ";
constexpr std::string_view kFieldIndent = "      ";
constexpr std::string_view kFieldOfTopIndent = "  ";

bool NeedsEscape(char c) { return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20; }

// `utf8` (valid UTF-8) escaped as Dump escapes the text of a JSON string.
void AppendEscaped(std::string& out, std::string_view utf8) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < utf8.size();) {
        // What needs no escape goes in as a run.
        const size_t run = static_cast<size_t>(
            std::find_if(utf8.begin() + static_cast<ptrdiff_t>(i), utf8.end(), NeedsEscape) - utf8.begin());
        out.append(utf8.substr(i, run - i));
        if (run == utf8.size()) return;
        const char c = utf8[run];
        i = run + 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        default:
            out += "\\u00";
            out += kDigits[static_cast<unsigned char>(c) >> 4];
            out += kDigits[static_cast<unsigned char>(c) & 0x0F];
        }
    }
}

// `utf8` (valid UTF-8) as a JSON string, as Dump writes it.
void AppendString(std::string& out, std::string_view utf8) {
    out += '"';
    AppendEscaped(out, utf8);
    out += '"';
}

// `text` (as Dump writes a value) placed with `indent` before each of its lines after the first.
void AppendIndented(std::string& out, std::string_view text, std::string_view indent) {
    for (size_t start = 0;;) {
        const size_t end = text.find('\n', start);
        out.append(text.substr(start, end == std::string_view::npos ? end : end + 1 - start));
        if (end == std::string_view::npos) return;
        out.append(indent);
        start = end + 1;
    }
}

}  // namespace

void RecordsText::CloseRecord() {
    if (m_fields == 0) {
        m_text += '}';
        return;
    }
    m_text += '\n';
    m_text += kRecordIndent;
    m_text += '}';
}

void RecordsText::Begin() {
    if (m_records++ == 0) {
        m_text = "[\n";
    } else {
        CloseRecord();
        m_text += ",\n";
    }
    m_text += kRecordIndent;
    m_text += '{';
    m_fields = 0;
}

void RecordsText::Key(std::string_view key) {
    m_text += m_fields++ == 0 ? "\n" : ",\n";
    m_text += kFieldIndent;
    AppendString(m_text, key);
    m_text += ": ";
}

void RecordsText::Unsigned(std::string_view key, uint64_t value) {
    Key(key);
    m_text += std::to_string(value);
}

void RecordsText::Signed(std::string_view key, int64_t value) {
    Key(key);
    m_text += std::to_string(value);
}

void RecordsText::Cp932(std::string_view key, std::string_view cp932) {
    // CP932 converts character by character: a path converts piece by piece, each
    // piece ending at a backslash of its own, and the pieces that are not ASCII
    // (a folder name on every row) are converted once.
    Key(key);
    m_text += '"';
    bool ok = true, ascii = true;
    size_t start = 0;
    platform::ForEachCp932Char(cp932, [&](size_t i, size_t len) {
        ascii = ascii && static_cast<unsigned char>(cp932[i]) < 0x80;
        if (len != 1 || cp932[i] != '\\') return;
        ok = AppendPiece(cp932.substr(start, i + 1 - start), ascii) && ok;
        start = i + 1;
        ascii = true;
    });
    ok = AppendPiece(cp932.substr(start), ascii) && ok;
    m_text += '"';
    if (ok) return;
    Key(std::string(key) + "_raw_hex");
    AppendString(m_text, Hex(cp932));
}

bool RecordsText::AppendPiece(std::string_view cp932, bool ascii) {
    if (ascii) {
        AppendEscaped(m_text, cp932);
        return true;
    }
    auto known = m_pieces.find(std::string(cp932));
    if (known == m_pieces.end()) {
        if (m_pieces.size() >= kMaxPieces) m_pieces.clear();
        bool ok = true;
        std::string text;
        AppendEscaped(text, ValidUtf8(platform::Cp932ToUtf8(cp932, &ok)));
        known = m_pieces.emplace(std::string(cp932), Piece{std::move(text), ok}).first;
    }
    m_text += known->second.text;
    return known->second.ok;
}

void RecordsText::Value(std::string_view key, const nlohmann::json& value) {
    Key(key);
    AppendIndented(m_text, Dump(value), kFieldIndent);
}

std::string RecordsText::Finish() {
    std::string text;
    if (m_records == 0) {
        text = "[]";
    } else {
        CloseRecord();
        m_text += '\n';
        m_text += kFieldOfTopIndent;
        m_text += ']';
        text = std::move(m_text);
    }
    m_text.clear();
    m_records = m_fields = 0;
    return text;
}

void PutSetRecord(RecordsText& records, int32_t index, std::string_view cp932Name) {
    records.Begin();
    records.Signed("index", index);
    records.Cp932("name", cp932Name);
    records.Signed("number", int64_t{index} + 1);
}

std::string DumpWith(const nlohmann::json& document, const std::vector<std::pair<std::string, std::string>>& texts) {
    if (!document.is_object() || document.empty()) return Dump(document);
    std::string out = "{\n";
    bool first = true;
    for (auto it = document.begin(); it != document.end(); ++it) {
        out += first ? "" : ",\n";
        first = false;
        out += kFieldOfTopIndent;
        out += Dump(nlohmann::json(it.key()));
        out += ": ";
        const auto given = std::find_if(texts.begin(), texts.end(), [&](const auto& t) { return t.first == it.key(); });
        if (given != texts.end())
            out += given->second;
        else
            AppendIndented(out, Dump(it.value()), kFieldOfTopIndent);
    }
    out += "\n}";
    return out;
}

}  // namespace cli_json
