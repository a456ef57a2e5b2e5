// The index file of a maintenance folder: which data sets it holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {
class ProfileSnapshot;
}

namespace FolderIndexFile {

// "%s\%s" of the maintenance folder path and the index file name.
std::string PathFor(const std::string& folderPath, const char* indexFileName);

// Flag i of section "データ存在フラグ", default 0; a negative value reads as 0.
// The one reader behind both the presence flags and the external list.
[[nodiscard]] int ReadFlag(const std::string& indexPath, int i);
[[nodiscard]] bool IsPresent(const std::string& indexPath, int i);

// The index file as it is now, for a run of flag reads that belong together (a
// whole list): one freshness check for the run rather than one per data set, and
// never flags half from an older file and half from a newer one. One thread only.
class FlagSnapshot {
public:
    explicit FlagSnapshot(const std::string& indexPath);
    ~FlagSnapshot();
    FlagSnapshot(const FlagSnapshot&) = delete;
    FlagSnapshot& operator=(const FlagSnapshot&) = delete;

    int ReadFlag(int i) const;  // as ReadFlag above
    bool IsPresent(int i) const { return ReadFlag(i) != 0; }

private:
    std::unique_ptr<platform::ProfileSnapshot> m_file;
};

// Writes "1" or "0" as flag i. A failure carries the profile write's error; each
// failure's text is the index file's path.
[[nodiscard]] platform::Status WriteFlag(const std::string& indexPath, int i, bool present);

// Writes "1" as the flag of every index in `present` and "0" as that of every
// index in `absent` the file lists, the section's other keys kept with their
// values, in one rewrite of the file: after a crash it holds all of them or none.
// A failure when the file could not be read whole (ERROR_MORE_DATA) or written.
[[nodiscard]] platform::Status WriteFlags(const std::string& indexPath, const std::vector<int>& present,
                                          const std::vector<int>& absent = {});

// A new folder's file: every flag "0" for i = 0..count-1, then "データ存在数"/"MAX" = "0".
// A failure carries the first failing write's error.
[[nodiscard]] platform::Status WriteNew(const std::string& indexPath, int count);

}  // namespace FolderIndexFile
