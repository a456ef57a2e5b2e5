// Every text the command line puts into its JSON: valid UTF-8 whatever a stick,
// a catalogue or an argument holds. A text that does not decode is written with
// U+FFFD in place of the bad bytes, and its bytes as they are in "<key>_raw_hex".
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli/installation_view.h"

namespace cli_json {

// The version of the documents' shape (docs/cli-json.md), in every document as
// "schema": raised when a field changes meaning or goes; new fields keep it.
inline constexpr int kSchema = 1;

// Lower-case hex of the bytes: "8140".
std::string Hex(std::string_view bytes);

// UTF-8 text with every byte sequence that is not UTF-8 replaced by U+FFFD;
// *ok (if given) says whether the text was valid.
std::string ValidUtf8(std::string_view bytes, bool* ok = nullptr);

// object[key] = the CP932 text as UTF-8, plus key + "_raw_hex" when it does not decode.
void PutCp932(nlohmann::json& object, const std::string& key, std::string_view cp932);
// object[key] = the UTF-8 text, plus key + "_raw_hex" when it is not valid UTF-8.
void PutUtf8(nlohmann::json& object, const std::string& key, std::string_view utf8);

// The records of `drives`, `folders` and `list`, the same in every command.
nlohmann::json DriveRecord(const DriveInfo& drive);
nlohmann::json FolderRecord(const FolderInfo& folder);
// Data set `index` (0-based) named `cp932Name`.
nlohmann::json SetRecord(int32_t index, std::string_view cp932Name);

// One message as shown (UTF-8 text), its stable code ("write_error"), with its
// question and answer.
nlohmann::json MessageRecord(std::string_view utf8, std::string_view code, bool question, bool accepted);

// The document as text; a string that still is not UTF-8 is replaced, never thrown on.
std::string Dump(const nlohmann::json& document);

}  // namespace cli_json
