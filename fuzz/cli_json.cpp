// The command line's JSON records of `drives`, `folders` and `list` over any
// label, folder name and data set name: the document always parses back as
// UTF-8, and a text that was not valid keeps its bytes in "<key>_raw_hex".
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "catalogue/folder_names.h"
#include "cli/json_text.h"
#include "platform/cp932.h"

namespace {
// The recorded text is the input itself when it was valid, else replaced and kept as hex.
void ExpectKept(const nlohmann::json& record, const std::string& key, std::string_view raw, bool valid) {
    const std::string hexKey = key + "_raw_hex";
    if (!record.at(key).is_string()) __builtin_trap();
    if (valid != !record.contains(hexKey)) __builtin_trap();
    if (!valid && record.at(hexKey).get<std::string>() != cli_json::Hex(raw)) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Three texts, split at the first two zero bytes: a label, a folder name, a data set name.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view parts[3];
    std::string_view rest = input;
    for (int i = 0; i < 3; ++i) {
        const size_t end = i < 2 ? rest.find('\0') : std::string_view::npos;
        parts[i] = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    DriveInfo drive;
    drive.letter = 'E';
    drive.type = size > 0 ? data[0] % 7u : 0u;
    drive.label = std::string(parts[0]);
    const std::string dir(parts[1]);
    const FolderInfo folder{FolderEntryText(dir.c_str()), dir};

    nlohmann::json document = nlohmann::json::object();
    document["drives"] = nlohmann::json::array({cli_json::DriveRecord(drive)});
    document["folders"] = nlohmann::json::array({cli_json::FolderRecord(folder)});
    document["sets"] = nlohmann::json::array({cli_json::SetRecord(0, parts[2])});
    cli_json::PutUtf8(document, "argument", input);
    // A document written directly, with a string no helper saw, is still written.
    nlohmann::json unchecked = {{"text", std::string(input)}};

    const nlohmann::json back = nlohmann::json::parse(cli_json::Dump(document));  // throws on bad UTF-8
    (void)nlohmann::json::parse(cli_json::Dump(unchecked));

    bool labelValid = true, dirValid = true, nameValid = true;
    cli_json::ValidUtf8(parts[0], &labelValid);
    platform::Cp932ToUtf8(dir, &dirValid);
    platform::Cp932ToUtf8(parts[2], &nameValid);
    ExpectKept(back["drives"][0], "label", parts[0], labelValid);
    ExpectKept(back["folders"][0], "dir", dir, dirValid);
    ExpectKept(back["sets"][0], "name", parts[2], nameValid);
    if (labelValid && back["drives"][0]["label"].get<std::string>() != parts[0]) __builtin_trap();
    return 0;
}
