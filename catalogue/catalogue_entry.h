// One data set of the system catalogue. Texts are CP932, at most 79 bytes.
#pragma once

#include <cstdint>

struct CatalogueEntry {
    static constexpr int kTextSize = 80;
    static constexpr int kMaxNames = 20;
    static constexpr int kMaxFolders = 5;

    int32_t type = 0;
    int32_t typeIndex = 0;
    char name[kTextSize] = {};
    char path[kTextSize] = {};
    char backupPath[kTextSize] = {};
    int32_t nameCount = 0;  // stored as read; users stop at kMaxNames
    char names[kMaxNames][kTextSize] = {};
    int32_t folderCount = 0;  // stored as read; users stop at kMaxFolders
    char folders[kMaxFolders][kTextSize] = {};

    int UsedNames() const { return nameCount < 0 ? 0 : (nameCount > kMaxNames ? kMaxNames : nameCount); }
    int UsedFolders() const { return folderCount < 0 ? 0 : (folderCount > kMaxFolders ? kMaxFolders : folderCount); }
};
