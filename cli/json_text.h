// Every text the command line puts into its JSON: valid UTF-8 whatever a stick,
// a catalogue or an argument holds. A text that does not decode is written with
// U+FFFD in place of the bad bytes, and its bytes as they are in "<key>_raw_hex".
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

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

// A long array of records written straight as the text Dump gives for it as a
// field of a document's top level, without building it as a tree first. The
// fields of each record come in Dump's order: sorted by key.
class RecordsText {
public:
    void Begin();  // the next record
    void Unsigned(std::string_view key, uint64_t value);
    void Signed(std::string_view key, int64_t value);
    // The CP932 text as PutCp932 puts it: UTF-8, then key + "_raw_hex" when it does not decode.
    void Cp932(std::string_view key, std::string_view cp932);
    void Value(std::string_view key, const nlohmann::json& value);
    // The array's text ("[]" without records); the writer starts anew.
    std::string Finish();

private:
    struct Piece {
        std::string text;  // escaped UTF-8
        bool ok = true;    // decoded
    };
    static constexpr size_t kMaxPieces = 4096;

    void Key(std::string_view key);
    void CloseRecord();
    // Appends a piece of a CP932 text, escaped; whether it decoded.
    bool AppendPiece(std::string_view cp932, bool ascii);

    std::string m_text;
    size_t m_records = 0;
    size_t m_fields = 0;                              // of the current record
    std::unordered_map<std::string, Piece> m_pieces;  // converted pieces of texts that are not ASCII
};

// SetRecord(index, cp932Name) as the next record of `records`.
void PutSetRecord(RecordsText& records, int32_t index, std::string_view cp932Name);

// Dump of `document` (an object) with each top-level field named in `texts`
// written as the text given for it (a RecordsText's).
std::string DumpWith(const nlohmann::json& document, const std::vector<std::pair<std::string, std::string>>& texts);

}  // namespace cli_json
