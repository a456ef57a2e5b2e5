// The index file of a maintenance folder: which data sets it holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {
class ProfileSnapshot;
}

namespace FolderIndexFile {

// "%s\%s" of the maintenance folder path and the index file name.
std::string PathFor(const std::string& folderPath, const char* indexFileName);

// Flag i of section "データ存在フラグ", default 0; a negative value reads as 0.
// The one reader behind both the presence flags and the external list.
int ReadFlag(const std::string& indexPath, int i);
bool IsPresent(const std::string& indexPath, int i);

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

// Writes "1" or "0" as flag i. The result of the profile write is returned.
bool WriteFlag(const std::string& indexPath, int i, bool present);

// Writes "1" as the flag of every index in `present` and "0" as that of every
// index in `absent` the file lists, the section's other keys kept with their
// values, in one rewrite of the file: after a crash it holds all of them or none.
// False when the file could not be read whole or written.
bool WriteFlags(const std::string& indexPath, const std::vector<int>& present, const std::vector<int>& absent = {});

// A new folder's file: every flag "0" for i = 0..count-1, then "データ存在数"/"MAX" = "0".
// True when every write succeeded (callers may ignore it, as the profile writes'
// results traditionally are).
bool WriteNew(const std::string& indexPath, int count);

}  // namespace FolderIndexFile
