#include "cli/json_text.h"

#include "platform/cp932.h"

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

}  // namespace cli_json
