// Building the list of files of a save or register, and copying them.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogue/catalogue_entry.h"
#include "catalogue/product_files.h"
#include "host/dem.h"
#include "host/odisk.h"
#include "platform/copy_file.h"
#include "platform/file_search.h"
#include "platform/folder_session.h"
#include "transfer/transfer_host.h"
#include "transfer/temp_sweep.h"
#include "transfer/transfer_list.h"
#include "transfer/transfer_progress.h"
#include "transfer/verify.h"

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

class SpaceNeed;

class TransferEngine {
public:
    TransferEngine();

    // Fills the list from the selected data sets of `direction`. Returns 1 when the
    // list is ready (also when empty) and 0 when a save does not fit on the
    // destination drive, after the shortage message has been shown. A save counts
    // what it takes there (Space()): each file in whole allocation units of the
    // drive, a unit for each folder it makes, the index file and its lock file. A
    // register is never refused.
    int BuildTransferList(Direction direction, const TransferContext& context, TransferHost& host);

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
    const TransferFailure& LastFailure() const { return m_failure; }

    // The space check of the last BuildTransferList of a save (up to the data set
    // that did not fit, when one did not).
    const SpaceCheck& Space() const { return m_space; }

    // Whether row `row` of the last RunTransfer was found as its source already and
    // left as it was (counted in TransferResult::unchanged when it is among its rows).
    bool RowUnchanged(uint32_t row) const {
        return std::find(m_unchangedRows.begin(), m_unchangedRows.end(), row) != m_unchangedRows.end();
    }

    const TransferList& List() const { return m_list; }
    uint32_t FileCount() const { return m_list.Count(); }

private:
    // Lists data set `e` from m_folderName; false when it is passed over (its
    // source folder missing, or a path that would leave its root).
    bool ListDataSet(Direction direction, const TransferContext& context, int32_t e, ODiskSize& total);
    void ListMatches(const platform::FileSearchResult& found, const std::string& sourceFolder,
                     const std::string& destinationFolder, const char* folder, CarryOver kind, ODiskSize& total,
                     int32_t dataSet);
    // Units of the index and lock files a save writes into its folder.
    uint64_t FolderFilesUnits(const TransferContext& context, uint64_t unit) const;
    struct RoomCount;
    // Counts the rows listed since the last call into the space check of a save to
    // `drive` (read anew when it changed); whether they still fit.
    bool RoomFits(const TransferContext& context, std::optional<platform::DriveLetter> drive, RoomCount& room);
    // Adds the room of rows `from` on (and of the folders they need made) to `need`.
    void CountRoom(uint32_t from, SpaceNeed& need, const TransferContext& context);
    // Units of the folders above `cut` in `destination` (down to just below
    // `rootCut`) that a save would make and were not counted before.
    uint64_t FoldersToMake(std::string_view destination, size_t cut, size_t rootCut);
    // The current row's destination folder made (once per run and folder).
    bool MakeDestinationFolder();
    // The run's open folder for a Windows folder path, opened at its first use;
    // null (last error set) when it cannot be opened.
    std::shared_ptr<platform::FolderSession> Session(std::string_view winFolder);
    // Whether a whole-file row may be left as it is: same size, time and mode as
    // its source and writable (and, with `verify`, the same bytes on the medium).
    bool Unchanged(int in, const struct stat& source, platform::FolderSession& folder, const std::string& name,
                   const struct stat& destination, bool verify);
    // A whole file copied from one open folder to another by its names in them, to
    // a temporary file described in *pending; or, when Unchanged, left as it is
    // (m_rowUnchanged). False with the last error set.
    bool CopyInSessions(platform::FolderSession& from, platform::FolderSession& to, const std::string& sourceLeaf,
                        const std::string& destinationLeaf, bool verify, const platform::CopyTap* tap,
                        platform::PendingCopy* pending);
    bool WriteRow(uint32_t row, Direction direction, CarryOver kind, const TransferContext& context);
    bool CopiedWholeEarlier(uint32_t row) const;
    bool FlushDestinations();
    TransferResult CopyRows(Direction direction, const TransferContext& context, TransferHost& host);
    // CopyRows' parts: the run's state cleared, the row shown to the observer, the
    // batch put in place where the row needs it, a written row counted, and the
    // end of a run whose rows were all written (or that was stopped).
    void StartRun();
    void ShowCurrent(int32_t set, const TransferContext& context);
    bool ReadyForRow(CarryOver kind);
    void CountWrittenRow(uint32_t row, bool counted, uint64_t size, TransferResult& result);
    void FinishRun(TransferResult& result);
    // The write-error message, ending with what the failed transfer kept.
    void ShowFailure(TransferHost& host, const std::string& keptLine);
    // A document the destination lacks, copied whole (and checked, with `verify`).
    bool CopyNewChecked(const char* source, const char* destination, bool verify);
    static bool OnProgress(uint64_t bytesWritten, void* data);
    bool Copy(const char* from, const char* to, bool failIfExists, const platform::CopyTap* tap);
    bool WriteToBatch(uint32_t row, const char* source, const char* destination, bool verify, uint64_t size);
    // Ends a run that failed at row `row`: what the batch holds of the rows before
    // it goes into place, and the result counts what stayed written.
    void EndFailedRun(uint32_t row, TransferResult& result);
    void CountKeptRows(TransferResult& result) const;
    void DiscardBatch();
    bool FlushBatch();
    bool FlushBatchDrives() const;
    // FlushBatch's parts on the first `good` entries: how many of them read back
    // as written, and how many were renamed into place.
    size_t ReadBackBatch(size_t good);
    size_t RenameBatch(size_t good);
    // Keeps the first failure of the run.
    void NoteFailure(const std::string& winPath, DWORD error, int errnoValue = 0);
    // How many of the first `count` batch entries lie in folders still in place.
    size_t FoldersInPlace(size_t count) const;

    struct BatchEntry {
        platform::PendingCopy copy;
        std::shared_ptr<platform::FolderSession> folder;  // null: a copy by path (names the folders could not take)
        std::string winDestination;
        verify::Digest digest;  // the source's, taken while it was copied
        uint32_t row = 0;
        bool verify = false;
    };
    std::vector<BatchEntry> m_batch;
    uint64_t m_batchBytes = 0;
    // The row of the first batch entry a flush could not put in place; the
    // entries before it were renamed. kNoRow while every flush succeeded.
    static constexpr uint32_t kNoRow = UINT32_MAX;
    uint32_t m_batchFailedRow = kNoRow;

    // What a copy reports to while it runs.
    struct Progress {
        TransferObserver* observer = nullptr;
        const std::atomic<bool>* cancel = nullptr;
        uint64_t base = 0;     // bytes done before the current file
        bool stopped = false;  // a copy was stopped on request
    } m_progress;

    TransferList m_list;
    // Work strings, kept so that their buffers are reused from file to file.
    std::string m_folderName, m_systemFolder, m_externalFolder;
    std::string m_source, m_destination;
    std::unordered_map<std::string, std::shared_ptr<platform::FolderSession>> m_sessions;  // this run's folders
    std::vector<uint32_t> m_unchangedRows;  // whole-file rows left as they were
    bool m_rowUnchanged = false;            // the row just written was left as it was
    std::vector<uint32_t> m_flushRows;      // one written row per destination drive
    std::vector<uint32_t> m_wholeCopies;    // document rows of this run copied whole
    bool m_mediumMismatch = false;          // a row read back other than it was written
    TransferFailure m_failure;
    SpaceCheck m_space;
    // Destination folders the space check has met, and whether each is there.
    std::unordered_map<std::string, bool> m_madeFolders;
    // Destinations of the documents listed: each takes its room once.
    std::unordered_set<std::string> m_countedDocuments;
    std::string m_folderKey;   // work string of the space check's folder look-ups
    std::string m_roomFolder;  // the folder of the last row the space check counted
    TempSweep m_sweep;         // destination folders cleared of stale temporary files
};
