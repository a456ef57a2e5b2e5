// The transfer engine's working state and its steps: what TransferEngine
// (transfer_engine.h) runs, kept out of its public header. For transfer_engine.cpp only.
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/odisk.h"
#include "platform/copy_file.h"
#include "platform/drive_letter.h"
#include "platform/file_search.h"
#include "platform/folder_session.h"
#include "transfer/temp_sweep.h"
#include "transfer/transfer_engine.h"
#include "transfer/verify.h"

class SpaceNeed;

class TransferEngine::Core {
public:
    Core();

    // The public operations, as TransferEngine documents them.
    bool BuildTransferList(Direction direction, const TransferContext& context, TransferHost& host);
    void ListDataSets(Direction direction, const TransferContext& context, const std::string& folderName,
                      const std::vector<char>& sets);
    TransferResult RunTransfer(Direction direction, const TransferContext& context, TransferHost& host);
    bool DataSetWritten(int32_t index, const TransferResult& result) const;
    bool DataSetUntouched(int32_t index, const TransferResult& result) const;
    bool DataSetListed(int32_t index) const;
    // Rows are counted unchanged in order, so the list is sorted.
    bool RowUnchanged(uint32_t row) const {
        return std::binary_search(m_unchangedRows.begin(), m_unchangedRows.end(), row);
    }

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
    // its source and writable (and, with `verify`, the same bytes on the medium as
    // the open source `in` holds; unread without).
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
