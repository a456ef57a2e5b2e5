// One data set of the system catalogue. Texts are CP932, at most 79 bytes.
// The 28 texts sit in one buffer of their own, each ending in a NUL, with an
// offset per text: a data set of the usual short names costs about 200 bytes
// rather than 28 fixed fields of 80, and an entry still copies as a value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CatalogueEntry {
public:
    static constexpr int kTextSize = 80;  // a text holds at most kTextSize - 1 bytes
    static constexpr int kMaxNames = 20;
    static constexpr int kMaxFolders = 5;

    int32_t type = 0;
    int32_t typeIndex = 0;
    int32_t nameCount = 0;    // stored as read; users stop at kMaxNames
    int32_t folderCount = 0;  // stored as read; users stop at kMaxFolders

    // Each text ends in a NUL; a slot never set is "". An index out of range reads "".
    const char* name() const { return Text(kName); }
    const char* path() const { return Text(kPath); }
    const char* backupPath() const { return Text(kBackupPath); }
    const char* names(int k) const { return k >= 0 && k < kMaxNames ? Text(kFirstName + k) : ""; }
    const char* folders(int j) const { return j >= 0 && j < kMaxFolders ? Text(kFirstFolder + j) : ""; }

    // Texts are kept up to their first NUL and cut to kTextSize - 1 bytes, never
    // leaving half a double-byte character. An index out of range changes nothing.
    void SetName(std::string_view text) { Set(kName, text); }
    void SetPath(std::string_view text) { Set(kPath, text); }
    void SetBackupPath(std::string_view text) { Set(kBackupPath, text); }
    void SetNames(int k, std::string_view text) {
        if (k >= 0 && k < kMaxNames) Set(kFirstName + k, text);
    }
    void SetFolders(int j, std::string_view text) {
        if (j >= 0 && j < kMaxFolders) Set(kFirstFolder + j, text);
    }
    // Gives back the buffer's spare room once every text is set.
    void ShrinkToFit() { m_text.shrink_to_fit(); }

    int UsedNames() const { return nameCount < 0 ? 0 : (nameCount > kMaxNames ? kMaxNames : nameCount); }
    int UsedFolders() const { return folderCount < 0 ? 0 : (folderCount > kMaxFolders ? kMaxFolders : folderCount); }

private:
    enum : int { kName, kPath, kBackupPath, kFirstName, kFirstFolder = kFirstName + kMaxNames };
    static constexpr int kTextCount = kFirstFolder + kMaxFolders;

    const char* Text(int slot) const {
        const uint16_t at = m_at[slot];
        return at == 0 ? "" : m_text.c_str() + (at - 1);
    }
    void Set(int slot, std::string_view text);

    std::string m_text;              // the texts set, each with its NUL
    uint16_t m_at[kTextCount] = {};  // 1 + a text's offset in m_text; 0 for ""
};
