// Building the list of files of a save or register, and copying them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_entry.h"
#include "catalogue/product_files.h"
#include "host/dem.h"
#include "platform/win32.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_list.h"
#include "transfer/transfer_progress.h"

// Directions of a transfer.
enum class Direction {
    Register,  // maintenance folder -> system
    Save,      // system -> maintenance folder
};

// What the front end owns and a transfer reads.
struct TransferContext {
    std::string systemRoot;                     // system data root (CP932 Windows path)
    std::string externalRoot;                   // "X:\PARC_JDT" of the chosen drive; empty when none
    int32_t dataCount = 0;                      // N
    const CatalogueEntry* catalogue = nullptr;  // N entries
    const int32_t* presence = nullptr;          // N present flags of the open folder
    DemInitData* docInit = nullptr;             // handed to every document engine
    ProductFiles files{};
    // Safety net. Every written file is read back from its medium and checked.
    bool verify = true;
    // Host folder of the restore points a register keeps first; empty keeps none.
    std::string restoreRoot;
    int keepRestorePoints = 20;
    // Host folder of the installation's lock (registers and undos, one at a
    // time); empty takes none.
    std::string lockFolder;
};

// What made the last transfer fail: the file, and the system's error.
struct TransferFailure {
    std::string path;       // CP932 Windows path of the file (or folder) that failed; empty when none failed
    DWORD error = 0;        // its Windows error code (ERROR_DISK_FULL, ...); 0 when not known
    int errnoValue = 0;     // the POSIX error behind it when the call gave one
    bool mismatch = false;  // read back other than written
};

// The space check of the last list built for a save: the destination's free
// room and what the files take there in whole allocation units.
struct SpaceCheck {
    uint64_t freeBytes = 0;
    uint64_t neededBytes = 0;  // files rounded up, the folders made, the index and lock files
    uint64_t unit = 0;         // the allocation unit counted with; 0 when no check ran
    bool fits = true;
};

class TransferEngine {
public:
    TransferEngine();
    ~TransferEngine();
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // Fills the list from the selected data sets of `direction`. True when the
    // list is ready (also when empty), false when a save does not fit on the
    // destination drive, after the shortage message has been shown. A save counts
    // what it takes there (Space()): each file in whole allocation units of the
    // drive, a unit for each folder it makes, the index file and its lock file. A
    // register is never refused.
    [[nodiscard]] bool BuildTransferList(Direction direction, const TransferContext& context, TransferHost& host);

    // Fills the list as BuildTransferList does, for the data sets marked in `sets`
    // (one flag per catalogue index) and the maintenance folder `folderName` (the
    // default folder when empty), whatever the folder's index file holds and
    // without a space check: what a transfer of those sets would read and write.
    void ListDataSets(Direction direction, const TransferContext& context, const std::string& folderName,
                      const std::vector<char>& sets);

    // Writes the rows of the list in order, with the front end's controls locked,
    // through the host's RunCopy, reporting to its observer and heeding its cancel
    // flag. A failed row ends the transfer with one write-error message (shown
    // after the copy, from the calling thread); the rows before it stay written
    // (on the medium) and are reported in rows, the failing row and those after
    // it are not written. A stop keeps the rows written before it the same way.
    TransferResult RunTransfer(Direction direction, const TransferContext& context, TransferHost& host);

    // Whether every file listed for data set `index` was written by a transfer
    // that ended with `result` (false for a set with no files listed).
    bool DataSetWritten(int32_t index, const TransferResult& result) const;
    // Whether a transfer that ended with `result` left every file of data set
    // `index` untouched (also true for a set with no files listed).
    bool DataSetUntouched(int32_t index, const TransferResult& result) const;
    // Whether the list holds a file of data set `index`.
    bool DataSetListed(int32_t index) const;

    // Plain files are written to temporary names in batches of at most these, then
    // flushed with one flush of the filesystem, read back and renamed together.
    static constexpr size_t kBatchFiles = 1024;
    static constexpr uint64_t kBatchBytes = 256ull << 20;
    // Folders kept open at once by a run; past it the batch is put in place and
    // the folders opened again as they come (rows of a folder follow each other).
    static constexpr size_t kMaxSessions = 256;
    // For tests: runs after each rename of a batch with the number renamed so far.
    static void SetBatchRenameHookForTesting(std::function<void(size_t renamed)> hook);

    // The first failure of the last RunTransfer (empty path after a success or a stop).
    const TransferFailure& LastFailure() const;

    // The space check of the last BuildTransferList of a save (up to the data set
    // that did not fit, when one did not).
    const SpaceCheck& Space() const;

    // Whether row `row` of the last RunTransfer was found as its source already and
    // left as it was (counted in TransferResult::unchanged when it is among its rows).
    bool RowUnchanged(uint32_t row) const;

    const TransferList& List() const;
    uint32_t FileCount() const;

private:
    // The engine's working state and steps (transfer/transfer_engine_core.h).
    class Core;
    std::unique_ptr<Core> m_core;
};
