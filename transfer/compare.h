// What a register or a save would change, before it runs: the files of chosen data
// sets on the system and in a maintenance folder, paired as a transfer pairs them
// (the transfer list's own builder), and compared by size, modification time and
// content, or for documents by the attribute groups a transfer carries over.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "transfer/transfer_engine.h"

// Where a file of a data set is, and whether its two copies agree.
enum class FileState {
    OnlySystem,
    OnlyFolder,
    Same,
    Different,
};

// What a transfer would do with one file of a data set.
enum class FileChange {
    Add,             // written where it is missing
    ReplaceDiffers,  // written over a copy whose content (or a document's groups) differs
    ReplaceSame,     // written over a copy with the same content (or the same groups)
    Leave,           // not written: only on the destination side, or its set is not transferred
    Fails,           // the transfer would stop here: a document it cannot read, or one the system lacks
};

struct ComparedFile {
    std::string systemPath, folderPath;  // CP932 Windows paths, as the transfer list names them
    CarryOver kind = CarryOver::WholeFile;
    bool inSystem = false, inFolder = false;
    uint64_t systemSize = 0, folderSize = 0;
    int64_t systemTime = 0, folderTime = 0;  // modification times, seconds since 1970
    // Where both copies exist: what differs. A document's content is its groups of `kind`.
    bool sizeDiffers = false, timeDiffers = false, contentDiffers = false;
    unsigned groupsDiffer = 0;  // documents: AttributeGroup bits of `kind` that differ
    bool unreadable = false;    // a copy could not be read (or a document not loaded)
    FileChange onRegister = FileChange::Leave;
    FileChange onSave = FileChange::Leave;

    FileState State() const;
};

// Files of one direction, by what would happen to them.
struct ChangeCounts {
    uint32_t add = 0, replaceDiffers = 0, replaceSame = 0, leave = 0, fails = 0;
    void Count(FileChange change);
    ChangeCounts& operator+=(const ChangeCounts& other);
    bool operator==(const ChangeCounts&) const = default;
};

struct ComparedSet {
    int32_t index = -1;  // catalogue index
    bool held = false;   // the folder's index file marks the set as held: a register takes it
    ChangeCounts onRegister, onSave;
    std::vector<ComparedFile> files;  // in the transfer list's order: the folder's first, then the system's own
};

struct CompareResult {
    std::string folderPath;     // "E:\PARC_JDT\<folder>"
    bool folderExists = false;  // a save would make it
    bool cancelled = false;
    std::vector<ComparedSet> sets;  // the chosen sets, in catalogue order
};

// Names the command line's JSON and text use: "only_system", "add", "table341"...
const char* FileStateName(FileState state);
const char* FileChangeName(FileChange change);
const char* AttributeGroupName(unsigned group);  // one AttributeGroup bit

// Two modification times this close are the same: FAT media keep times to 2 s.
inline constexpr int64_t kTimeToleranceSeconds = 2;

// Compares the data sets marked in `sets` (one flag per catalogue index) between the
// system and the maintenance folder `folderName` (the default one when empty) of
// `context`. A register takes only sets the folder holds (context.presence); a save
// takes every chosen set. Nothing is written. Stops between files when *cancel is
// set (result.cancelled). Runs on any thread; the context must stay unchanged.
CompareResult CompareFolder(const TransferContext& context, const std::string& folderName,
                            const std::vector<char>& sets, const std::atomic<bool>* cancel = nullptr);
