#include "transfer/transfer_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "catalogue/catalogue_paths.h"
#include "catalogue/set_searches.h"
#include "catalogue/space_need.h"
#include "host/odisk.h"
#include "platform/copy_file.h"
#include "platform/cp932_walk.h"
#include "platform/drive_letter.h"
#include "platform/host_fs.h"
#include "platform/lock_file.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"
#include "platform/win32.h"
#include "transfer/carry_over.h"
#include "transfer/folder_path.h"
#include "transfer/safety_texts.h"
#include "transfer/transfer_engine_core.h"
#include "transfer/transfer_texts.h"
#include "transfer/verify.h"

namespace {
std::function<void(size_t)> g_batchRenameHook;
void SetPhase(TransferObserver* observer, TransferPhase phase) {
    if (observer) observer->phase = phase;
}
}  // namespace

void TransferEngine::SetBatchRenameHookForTesting(std::function<void(size_t)> hook) {
    g_batchRenameHook = std::move(hook);
}

TransferEngine::Core::Core() {
    for (std::string* s : {&m_folderName, &m_systemFolder, &m_externalFolder, &m_source, &m_destination})
        s->reserve(TransferList::kPathReserve);
    m_flushRows.reserve(4);
    m_wholeCopies.reserve(64);
}

namespace {

// Whether data set `e` takes part in the list: a save's selected system rows; a
// register's selected rows of the external list, row r being the r-th data set
// the folder holds.
bool TakesPart(Direction direction, const TransferContext& context, TransferHost& host, int32_t e, int& externalRow) {
    if (direction != Direction::Register) return host.IsSystemRowSelected(e);
    if (!context.presence || context.presence[e] == 0) return false;
    return host.IsExternalRowSelected(externalRow++);
}

void ShowSpaceShortage(TransferHost& host, const SpaceCheck& space, char driveLetter) {
    UserMessage message;
    message.text = transfer_texts::SpaceShortage(driveLetter, ODiskSize(space.freeBytes).ToString(0xFFFFFFFF),
                                                 ODiskSize(space.neededBytes).ToString(0xFFFFFFFF));
    message.appCaption = true;
    message.icon = MsgIcon::Stop;
    host.ShowMessage(message);
}

// Whether what lies below a missing folder along `name` is missing too: not when
// the name could lead back up (only dots and blanks, or a '/' inside it).
bool StepsDown(std::string_view name) {
    return name.find('/') == std::string_view::npos && name.find_first_not_of(". ") != std::string_view::npos;
}

}  // namespace

// What the space check of a save has counted on the drive it last read.
struct TransferEngine::Core::RoomCount {
    bool read = false;  // the free room of `drive` (none too) is read
    std::optional<platform::DriveLetter> drive;
    SpaceNeed need{0};
    uint32_t rows = 0;  // rows whose room `need` holds
};

bool TransferEngine::Core::BuildTransferList(Direction direction, const TransferContext& context, TransferHost& host) {
    m_list.Clear();
    m_countedDocuments.clear();
    m_space = SpaceCheck();
    ODiskSize total;
    if (context.dataCount <= 0 || !context.catalogue) return true;

    int externalRow = 0;
    RoomCount room;
    for (int32_t e = 0; e < context.dataCount; ++e) {
        // The folder box is read for every data set, as the front end may change it.
        m_folderName = host.FolderName();
        if (m_folderName.empty()) m_folderName = transfer_texts::DefaultFolderName();
        if (!TakesPart(direction, context, host, e, externalRow) || !ListDataSet(direction, context, e, total))
            continue;
        if (direction == Direction::Register || RoomFits(context, host.CurrentDrive(), room)) continue;
        ShowSpaceShortage(host, m_space, m_externalFolder.empty() ? ' ' : m_externalFolder[0]);
        return false;
    }
    return true;
}

bool TransferEngine::Core::RoomFits(const TransferContext& context, std::optional<platform::DriveLetter> drive,
                                    RoomCount& room) {
    // The free room is read once per drive and list: building the list writes nothing.
    if (!room.read || drive != room.drive) {
        const ODiskNo disk(static_cast<unsigned char>(drive ? drive->Number() : 0));
        m_space.freeBytes = drive ? disk.GetFreeSize().Bytes() : 0;
        room.need = SpaceNeed(drive ? disk.GetAllocationUnit() : 0);
        room.need.AddUnits(FolderFilesUnits(context, room.need.Unit()));
        m_madeFolders.clear();
        m_roomFolder.clear();
        room.rows = 0;
        room.drive = drive;
        room.read = true;
    }
    CountRoom(room.rows, room.need, context);
    room.rows = m_list.Count();
    m_space.neededBytes = room.need.Bytes();
    m_space.unit = room.need.Unit();
    m_space.fits = m_space.freeBytes >= m_space.neededBytes;
    return m_space.fits;
}

uint64_t TransferEngine::Core::FolderFilesUnits(const TransferContext& context, uint64_t unit) const {
    // The index file is rewritten whole beside its old copy, and the run's lock
    // file is made unless it is there already (the real run holds it by now; its
    // dry run does not, and both must come to the same answer).
    const std::string folder = context.externalRoot + '\\' + m_folderName;
    const std::string index = folder + '\\' + context.files.indexFile;
    const uint64_t indexBytes = O_FileSize(index.c_str()).Bytes() + 1024;  // a flag or two longer
    uint64_t units = SpaceNeed::RoundUp(indexBytes, unit) / std::max<uint64_t>(unit, 1);
    const std::string lock = folder + '\\' + std::string(platform::kFolderLockName);
    if (GetFileAttributesA(lock.c_str()) == INVALID_FILE_ATTRIBUTES) ++units;
    return units;
}

void TransferEngine::Core::CountRoom(uint32_t from, SpaceNeed& need, const TransferContext& context) {
    // What a replaced file frees is not counted: its old copy stays until the
    // new one is in place, and a failed run keeps it.
    const size_t rootCut = context.externalRoot.find('\\');  // "E:" stays: no folder is made for it
    for (uint32_t i = from; i < m_list.Count(); ++i) {
        const TransferRow& row = m_list.Row(i);
        if (!row.counted) continue;
        need.AddFile(row.size);
        // Rows of one folder follow each other: the folder of the row before is known already.
        const size_t cut = platform::LastCp932Separator(row.destination, "\\");
        if (cut == std::string::npos || std::string_view(row.destination).substr(0, cut) == m_roomFolder) continue;
        m_roomFolder.assign(row.destination, 0, cut);
        if (rootCut != std::string::npos) need.AddUnits(FoldersToMake(row.destination, cut, rootCut));
    }
}

uint64_t TransferEngine::Core::FoldersToMake(std::string_view destination, size_t cut, size_t rootCut) {
    // Every folder the save makes on the way takes a unit of its own. The folders
    // not met before, deepest first, up to one whose state is known: below a
    // missing one they are missing too, and are not asked for.
    std::vector<size_t> ends;
    bool belowMissing = false;
    std::string& key = m_folderKey;
    size_t end = cut;
    for (; end != std::string_view::npos && end > rootCut;
         end = platform::LastCp932Separator(destination.substr(0, end), "\\")) {
        key.assign(destination.substr(0, end));
        const auto known = m_madeFolders.find(key);
        if (known != m_madeFolders.end()) {
            belowMissing = !known->second;
            break;
        }
        ends.push_back(end);
    }
    for (size_t k = ends.size(); belowMissing && k-- > 0;) {
        const size_t parent = k + 1 < ends.size() ? ends[k + 1] : end;  // the known folder above them all
        belowMissing = StepsDown(destination.substr(parent + 1, ends[k] - parent - 1));
    }
    uint64_t units = 0;
    for (const size_t folderEnd : ends) {
        key.assign(destination.substr(0, folderEnd));
        const bool there = !belowMissing && GetFileAttributesA(key.c_str()) != INVALID_FILE_ATTRIBUTES;
        m_madeFolders.emplace(key, there);
        if (there) break;  // and so are the folders above it
        ++units;
    }
    return units;
}

void TransferEngine::Core::ListDataSets(Direction direction, const TransferContext& context,
                                        const std::string& folderName, const std::vector<char>& sets) {
    m_list.Clear();
    m_countedDocuments.clear();
    if (!context.catalogue) return;
    m_folderName = folderName.empty() ? transfer_texts::DefaultFolderName() : folderName;
    ODiskSize total;
    const int32_t count = std::min(context.dataCount, static_cast<int32_t>(sets.size()));
    for (int32_t e = 0; e < count; ++e)
        if (sets[static_cast<size_t>(e)]) ListDataSet(direction, context, e, total);
}

bool TransferEngine::Core::ListDataSet(Direction direction, const TransferContext& context, int32_t e,
                                       ODiskSize& total) {
    const CatalogueEntry& entry = context.catalogue[e];
    const bool save = direction != Direction::Register;
    m_systemFolder = context.systemRoot;
    AppendCataloguePart(m_systemFolder, entry.path());  // "\USERDATA\LINE": one separator, not two
    // The backup path brings its own leading backslash.
    m_externalFolder = context.externalRoot;
    m_externalFolder += '\\';
    m_externalFolder += m_folderName;
    m_externalFolder += entry.backupPath();

    const std::string& sourceFolder = save ? m_systemFolder : m_externalFolder;
    const std::string& destinationFolder = save ? m_externalFolder : m_systemFolder;
    if (!CatalogueEntryStaysInside(entry)) return false;  // nothing to copy for a set that would leave its root

    const CarryOver kind = CarryOverKind(entry.type, entry.typeIndex);
    const int folders = entry.UsedFolders();
    const int names = entry.UsedNames();
    // Every folder and name of the set searched together: each folder is read once.
    const std::vector<platform::FileSearchResult> found =
        platform::FindFilesForEach(SetSearchPatterns(entry, sourceFolder));
    size_t search = 0;
    for (int j = 0; j < folders; ++j)
        for (int k = 0; k < names; ++k)
            ListMatches(found[search++], sourceFolder, destinationFolder, entry.folders(j), kind, total, e);
    // A set whose folder is missing adds nothing and asks nothing of the drive;
    // the search has looked already, so the folder is not looked at again.
    return !std::all_of(found.begin(), found.end(),
                        [](const platform::FileSearchResult& r) { return r.error == ERROR_PATH_NOT_FOUND; });
}

void TransferEngine::Core::ListMatches(const platform::FileSearchResult& found, const std::string& sourceFolder,
                                       const std::string& destinationFolder, const char* folder, CarryOver kind,
                                       ODiskSize& total, int32_t dataSet) {
    for (const WIN32_FIND_DATAA& file : found.entries) {
        if (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        TransferRow& row = m_list.Append();
        row.source = sourceFolder;
        row.source += folder;
        row.source += '\\';
        row.source += file.cFileName;
        row.destination = destinationFolder;
        row.destination += folder;
        row.destination += '\\';
        row.destination += file.cFileName;
        row.kind = kind;
        row.dataSet = dataSet;
        row.size = platform::FoundFileSize(file);
        // Each document is written once per kind but takes its room only once.
        row.counted = kind == CarryOver::WholeFile || m_countedDocuments.insert(row.destination).second;
        if (row.counted) total += ODiskSize(row.size);  // what O_FileSize gives, read by the search a moment ago
    }
}

namespace {

std::string_view FolderPart(const std::string& winPath) {
    const size_t separator = platform::LastCp932Separator(winPath, "\\");
    return {winPath.data(), separator == std::string::npos ? 0 : separator};
}

std::string_view LeafPart(const std::string& winPath) {
    const size_t separator = platform::LastCp932Separator(winPath, "\\");
    return std::string_view(winPath).substr(separator == std::string::npos ? 0 : separator + 1);
}


bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

std::shared_ptr<platform::FolderSession> TransferEngine::Core::Session(std::string_view winFolder) {
    const std::string key(winFolder);
    const auto it = m_sessions.find(key);
    if (it != m_sessions.end()) return it->second;
    DWORD error = ERROR_PATH_NOT_FOUND;
    std::shared_ptr<platform::FolderSession> opened = platform::FolderSession::Open(winFolder, &error);
    if (!opened) {
        SetLastError(error);
        return nullptr;
    }
    m_sessions.emplace(key, opened);
    return opened;
}

bool TransferEngine::Core::MakeDestinationFolder() {
    // Each folder is made and opened once per run; should it vanish or be replaced
    // meanwhile, the writes into it or the check before its renames fail the row.
    const std::string_view folder = FolderPart(m_destination);
    if (folder.empty() || m_sessions.count(std::string(folder)) != 0) return true;
    if (CreateFolderPath(m_destination.c_str()) == 0) return false;
    std::string missing(folder);
    if (!missing.empty() && GetFileAttributesA(missing.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Not made (a read-only or full medium): the first missing folder is made once
        // more for the system's reason, rather than the write meeting no folder.
        for (size_t cut = platform::LastCp932Separator(missing, "\\"); cut != std::string::npos && cut > 2;
             cut = platform::LastCp932Separator(missing, "\\")) {
            if (GetFileAttributesA(missing.substr(0, cut).c_str()) != INVALID_FILE_ATTRIBUTES) break;
            missing.resize(cut);
        }
        if (_mkdir(missing.c_str()) != 0) {
            const int err = errno;
            NoteFailure(missing, platform::WriteErrorOf(err), err);
            return false;
        }
        if (CreateFolderPath(m_destination.c_str()) == 0) return false;
    }
    // A folder that cannot be opened (a link, a name no Windows file system holds)
    // is left to the copy by path, which reports it as Windows would.
    Session(folder);
    return true;
}

TransferResult TransferEngine::Core::RunTransfer(Direction direction, const TransferContext& context,
                                                 TransferHost& host) {
    host.SetTransferBusy(true);
    m_progress = Progress{host.Observer(), host.CancelFlag(), 0, false};
    if (m_progress.observer) {
        TransferObserver& observer = *m_progress.observer;
        observer.Reset();
        uint64_t files = 0, bytes = 0, checked = 0;
        for (uint32_t i = 0; i < m_list.Count(); ++i) {
            const TransferRow& row = m_list.Row(i);
            if (!row.counted) continue;
            ++files;
            bytes += row.size;
            if (context.verify && row.kind == CarryOver::WholeFile) checked += row.size;  // read back after a flush
        }
        observer.totalFiles = files;
        observer.totalBytes = bytes;
        observer.totalCheckBytes = checked;
    }
    const auto start = std::chrono::steady_clock::now();
    TransferResult result = host.RunCopy([&] { return CopyRows(direction, context, host); });
    result.time = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (m_progress.observer) m_progress.observer->finished = true;
    if (result.failed)
        ShowFailure(host, transfer_texts::FailureKept(direction == Direction::Save, !context.restoreRoot.empty()));
    host.SetTransferBusy(false);
    return result;
}

void TransferEngine::Core::StartRun() {
    m_flushRows.clear();
    m_wholeCopies.clear();
    m_mediumMismatch = false;
    m_batchFailedRow = kNoRow;
    m_failure = TransferFailure();
    m_sweep.Clear();
    m_sessions.clear();
    m_unchangedRows.clear();
}

void TransferEngine::Core::ShowCurrent(int32_t set, const TransferContext& context) {
    if (!m_progress.observer) return;
    m_progress.observer->SetCurrent(
        set >= 0 && set < context.dataCount && context.catalogue ? context.catalogue[set].name() : "", m_destination);
}

bool TransferEngine::Core::ReadyForRow(CarryOver kind) {
    // A document row may read what the rows before it wrote: those are renamed
    // first. So is the batch before the run lets go of the folders it opened.
    if (kind == CarryOver::WholeFile && m_sessions.size() < kMaxSessions) return true;
    if (!FlushBatch()) return false;
    if (m_sessions.size() >= kMaxSessions) m_sessions.clear();
    return true;
}

void TransferEngine::Core::CountWrittenRow(uint32_t i, bool counted, uint64_t size, TransferResult& result) {
    // One row per drive is kept for the flush at the end.
    const std::optional<platform::DriveLetter> drive = platform::DriveLetter::OfPath(m_destination);
    const bool driveSeen = std::any_of(m_flushRows.begin(), m_flushRows.end(), [&](uint32_t r) {
        return platform::DriveLetter::OfPath(m_list.Row(r).destination) == drive;
    });
    if (!driveSeen) m_flushRows.push_back(i);
    ++result.rows;
    if (m_rowUnchanged) {
        m_unchangedRows.push_back(i);
        ++result.unchanged;
    }
    if (counted) {
        ++result.files;
        result.bytes += size;
    }
    if (m_progress.observer) {
        m_progress.observer->bytesDone = result.bytes;
        if (counted) ++m_progress.observer->filesDone;
        m_progress.observer->Progressed();
    }
}

void TransferEngine::Core::FinishRun(TransferResult& result) {
    // Success is reported only once the data is on the medium, so that a stick
    // pulled after the message loses nothing; a stop keeps what it wrote the same way.
    if (!FlushBatch()) {
        EndFailedRun(m_batchFailedRow, result);
    } else if (result.rows > 0 && !FlushDestinations()) {
        NoteFailure(m_destination, GetLastError());
        result.failed = true;
        result.rows = 0;  // nothing is known to be on the medium
        CountKeptRows(result);
    }
    m_sessions.clear();
}

TransferResult TransferEngine::Core::CopyRows(Direction direction, const TransferContext& context, TransferHost& host) {
    StartRun();
    TransferResult result;
    const uint32_t count = m_list.Count();
    for (uint32_t i = 0; i < count; ++i) {
        if (m_progress.cancel && m_progress.cancel->load()) {
            result.cancelled = true;
            break;
        }
        // Private copies: the front end may run its own handlers while events pass.
        const TransferRow& row = m_list.Row(i);
        m_source = row.source;
        m_destination = row.destination;
        const CarryOver kind = row.kind;
        const bool counted = row.counted;
        const uint64_t size = row.size;
        ShowCurrent(row.dataSet, context);
        m_progress.base = result.bytes;

        host.ProcessPendingEvents();

        m_sweep.Before(m_destination);
        result.reached = i + 1;
        m_rowUnchanged = false;
        if (!ReadyForRow(kind) || !MakeDestinationFolder() || !WriteRow(i, direction, kind, context)) {
            if (m_progress.stopped && m_batchFailedRow == kNoRow) {
                // Stopped inside a file: it was abandoned, its destination left whole.
                result.cancelled = true;
                result.reached = i;
                break;
            }
            NoteFailure(m_destination, GetLastError());
            EndFailedRun(i, result);
            return result;
        }
        CountWrittenRow(i, counted, size, result);
    }
    FinishRun(result);
    return result;
}

void TransferEngine::Core::EndFailedRun(uint32_t row, TransferResult& result) {
    // The rows before the failing one stay written, as if the run had ended there;
    // the failing row and every row after it are not put in place.
    uint32_t kept = std::min(row, m_batchFailedRow);
    if (!m_batch.empty() && !FlushBatch()) kept = std::min(kept, m_batchFailedRow);
    result.failed = true;
    result.rows = std::min(kept, result.rows);
    if (result.rows > 0 && !FlushDestinations()) result.rows = 0;
    CountKeptRows(result);
    m_sessions.clear();
}

void TransferEngine::Core::CountKeptRows(TransferResult& result) const {
    result.files = 0;
    result.bytes = 0;
    result.unchanged = static_cast<uint32_t>(
        std::count_if(m_unchangedRows.begin(), m_unchangedRows.end(), [&](uint32_t r) { return r < result.rows; }));
    for (uint32_t i = 0; i < result.rows; ++i) {
        const TransferRow& row = m_list.Row(i);
        if (!row.counted) continue;
        ++result.files;
        result.bytes += row.size;
    }
}

bool TransferEngine::Core::DataSetWritten(int32_t index, const TransferResult& result) const {
    bool listed = false;
    for (uint32_t i = 0; i < m_list.Count(); ++i) {
        if (m_list.Row(i).dataSet != index) continue;
        if (i >= result.rows) return false;
        listed = true;
    }
    return listed;
}

bool TransferEngine::Core::DataSetUntouched(int32_t index, const TransferResult& result) const {
    for (uint32_t i = 0; i < std::min(result.reached, m_list.Count()); ++i)
        if (m_list.Row(i).dataSet == index) return false;
    return true;
}

bool TransferEngine::Core::DataSetListed(int32_t index) const {
    for (uint32_t i = 0; i < m_list.Count(); ++i)
        if (m_list.Row(i).dataSet == index) return true;
    return false;
}

bool TransferEngine::Core::OnProgress(uint64_t bytesWritten, void* data) {
    Progress& progress = *static_cast<Progress*>(data);
    if (progress.observer) {
        progress.observer->bytesDone = progress.base + bytesWritten;
        progress.observer->Progressed();
    }
    if (progress.cancel && progress.cancel->load()) {
        progress.stopped = true;
        return false;
    }
    return true;
}

bool TransferEngine::Core::Copy(const char* from, const char* to, bool failIfExists, const platform::CopyTap* tap) {
    const bool watched = m_progress.observer || m_progress.cancel;
    return platform::CopyFileWithProgress(from, to, failIfExists ? TRUE : FALSE, watched ? &OnProgress : nullptr,
                                          &m_progress, tap) != FALSE;
}

bool TransferEngine::Core::WriteRow(uint32_t row, Direction direction, CarryOver kind, const TransferContext& context) {
    const char* source = m_source.c_str();
    const char* destination = m_destination.c_str();
    auto carryOver = [&] {
        if (!context.docInit || !context.files.docTempName) return false;
        if (!CarryOverAttributes(source, destination, kind, *context.docInit, context.files.docTempName)) return false;
        // Verification: the document reloaded from the medium holds the groups moved.
        if (context.verify && !CarriedOver(source, destination, kind, *context.docInit, context.files.docTempName)) {
            m_mediumMismatch = true;
            return false;
        }
        return true;
    };
    if (direction != Direction::Register) {
        if (kind == CarryOver::WholeFile)
            return WriteToBatch(row, source, destination, context.verify, m_list.Row(row).size);
        // A document the maintenance folder lacks is copied whole; one it holds
        // only receives this data set's groups.
        if (CopyNewChecked(source, destination, context.verify)) {
            m_wholeCopies.push_back(row);
            return true;
        }
        if (m_mediumMismatch || m_progress.stopped) return false;
        // Copied whole from the same document earlier in this save: it already
        // holds these groups (and may have taken the source's read-only mark).
        if (CopiedWholeEarlier(row)) return true;
        return carryOver();
    }
    if (kind == CarryOver::WholeFile)
        return WriteToBatch(row, source, destination, context.verify, m_list.Row(row).size);
    return carryOver();
}

bool TransferEngine::Core::CopyNewChecked(const char* source, const char* destination, bool verifyOn) {
    if (!verifyOn) return Copy(source, destination, true, nullptr);
    // Verification: the source is hashed as the copy reads it, the written file
    // read back from the medium after it.
    verify::StreamHasher hasher;
    if (!hasher.Reset()) {
        m_mediumMismatch = true;
        return false;
    }
    if (!Copy(source, destination, true, hasher.Tap())) return false;
    if (!verify::WrittenAs(destination, hasher.Result())) {
        m_mediumMismatch = true;
        return false;
    }
    return true;
}

void TransferEngine::Core::DiscardBatch() {
    for (const BatchEntry& e : m_batch) {
        if (e.copy.temp.empty()) continue;
        if (e.folder)
            unlinkat(e.folder->Fd(), e.copy.tempName.c_str(), 0);
        else
            platform::DiscardTemp(-1, e.copy.temp);
    }
    m_batch.clear();
    m_batchBytes = 0;
}

bool TransferEngine::Core::Unchanged(int in, const struct stat& source, platform::FolderSession& folder,
                                     const std::string& name, const struct stat& destination, bool verifyOn) {
    // What a copy would leave: the same size, last-write time and mode. A read-only
    // or the source's own file is left to the copy, which refuses it as Windows does.
    if (!S_ISREG(destination.st_mode) || destination.st_size != source.st_size ||
        !SameTime(destination.st_mtim, source.st_mtim) || (destination.st_mode & 0777) != (source.st_mode & 0777) ||
        (destination.st_ino == source.st_ino && destination.st_dev == source.st_dev) ||
        (platform::AttributesOf(destination, name) & FILE_ATTRIBUTE_READONLY))
        return false;
    if (!verifyOn) return true;
    // Verification: the same bytes on the medium as in the source, compared as
    // both are read once (and the source still as it was opened).
    struct stat after {};
    return verify::SameBytesIn(folder, name, in, static_cast<uint64_t>(source.st_size)) && fstat(in, &after) == 0 &&
           after.st_size == source.st_size && SameTime(after.st_mtim, source.st_mtim);
}

bool TransferEngine::Core::CopyInSessions(platform::FolderSession& from, platform::FolderSession& to,
                                          const std::string& sourceLeaf, const std::string& destinationLeaf,
                                          bool verifyOn, const platform::CopyTap* tap, platform::PendingCopy* pending) {
    platform::CopyTarget out;
    out.dirFd = to.Fd();
    out.folder = &to.Host();
    out.name = to.NameFor(destinationLeaf, &out.seen, &out.exists, &out.listedAbsent);
    out.looked = true;
    // Unverified, an unchanged file is told by its stat alone: nothing is opened.
    // (The search's own look is older than the run: the source is looked at now.)
    struct stat now {};
    if (out.exists && !verifyOn && fstatat(from.Fd(), sourceLeaf.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(now.st_mode) && Unchanged(-1, now, to, out.name, out.seen, false)) {
        m_rowUnchanged = true;
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    platform::CopySource in;
    std::string sourceName;
    DWORD error = ERROR_SUCCESS;
    // Every row comes from the search, which has just seen a regular file there.
    const platform::UniqueFd source(from.OpenFile(sourceLeaf, &in.st, &sourceName, &error, true));
    if (!source.Valid()) {
        SetLastError(error);
        return false;
    }
    in.fd = source.Get();
    in.folder = &from.Host();
    in.name = sourceName;
    if (out.exists && verifyOn && Unchanged(in.fd, in.st, to, out.name, out.seen, true)) {
        m_rowUnchanged = true;
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    out.createMask = to.CreateMask();
    const platform::CopyProgress progress = m_progress.observer || m_progress.cancel ? &OnProgress : nullptr;
    if (platform::CopyOpenedToTemp(in, out, FALSE, progress, &m_progress, pending, tap) == FALSE) return false;
    // The next file of another case finds this name before the batch renames it.
    to.Added(out.name);
    return true;
}

bool TransferEngine::Core::WriteToBatch(uint32_t row, const char* source, const char* destination, bool verifyOn,
                                        uint64_t size) {
    BatchEntry entry;
    // Verification: the source is hashed as the copy reads it (one read of each
    // source), the temporary file read back from the medium once the batch is flushed.
    verify::StreamHasher hasher;
    if (verifyOn && !hasher.Reset()) {
        m_mediumMismatch = true;
        return false;
    }
    const platform::CopyTap* tap = verifyOn ? hasher.Tap() : nullptr;
    std::shared_ptr<platform::FolderSession> from = Session(FolderPart(m_source));
    std::shared_ptr<platform::FolderSession> to = from ? Session(FolderPart(m_destination)) : nullptr;
    std::string sourceLeaf, destinationLeaf;
    if (from && to && platform::HostLeafName(LeafPart(m_source), &sourceLeaf) &&
        platform::HostLeafName(LeafPart(m_destination), &destinationLeaf) && !sourceLeaf.empty() &&
        !destinationLeaf.empty()) {
        // Both folders open: the files are reached by their names in them.
        if (!CopyInSessions(*from, *to, sourceLeaf, destinationLeaf, verifyOn, tap, &entry.copy)) return false;
        if (m_rowUnchanged) return true;
        entry.folder = std::move(to);
    } else {
        const platform::CopyProgress progress = m_progress.observer || m_progress.cancel ? &OnProgress : nullptr;
        if (platform::CopyFileToTemp(source, destination, FALSE, progress, &m_progress, &entry.copy, tap) == FALSE)
            return false;
    }
    if (verifyOn) entry.digest = hasher.Result();
    entry.row = row;
    entry.verify = verifyOn;
    entry.winDestination = destination;
    m_batchBytes += size;
    m_batch.push_back(std::move(entry));
    if (m_batch.size() >= kBatchFiles || m_batchBytes >= kBatchBytes) return FlushBatch();
    return true;
}

bool TransferEngine::Core::FlushBatchDrives() const {
    // One flush per filesystem: by the open folder where there is one, else by path.
    bool ok = true;
    for (size_t i = 0; i < m_batch.size(); ++i) {
        const BatchEntry& e = m_batch[i];
        const std::optional<platform::DriveLetter> drive = platform::DriveLetter::OfPath(e.winDestination);
        bool seen = false;
        for (size_t j = 0; j < i && !seen; ++j) {
            const BatchEntry& earlier = m_batch[j];
            seen = e.folder ? earlier.folder && earlier.folder->Device() == e.folder->Device()
                            : !earlier.folder && platform::DriveLetter::OfPath(earlier.winDestination) == drive;
        }
        if (seen) continue;
        ok &= e.folder ? syncfs(e.folder->Fd()) == 0 : platform::FlushFilesystemOf(e.winDestination.c_str());
    }
    return ok;
}

void TransferEngine::Core::NoteFailure(const std::string& winPath, DWORD error, int errnoValue) {
    if (!m_failure.path.empty()) return;
    m_failure.path = winPath;
    m_failure.error = error;
    m_failure.errnoValue = errnoValue;
    m_failure.mismatch = m_mediumMismatch;
}

size_t TransferEngine::Core::FoldersInPlace(size_t count) const {
    // Once per folder and batch: a folder removed or replaced by a link since it
    // was opened fails its first row here, before anything is renamed into it.
    std::vector<std::pair<const platform::FolderSession*, bool>> checked;
    for (size_t i = 0; i < count; ++i) {
        const platform::FolderSession* folder = m_batch[i].folder.get();
        if (!folder) continue;
        auto it = std::find_if(checked.begin(), checked.end(), [&](const auto& c) { return c.first == folder; });
        if (it == checked.end()) it = checked.insert(checked.end(), {folder, folder->StillInPlace()});
        if (!it->second) return i;
    }
    return count;
}

size_t TransferEngine::Core::ReadBackBatch(size_t good) {
    // Each read back in order; the first that reads other than written fails its
    // row, and the files before it still go into place.
    for (size_t i = 0; i < good; ++i) {
        BatchEntry& e = m_batch[i];
        if (!e.verify) continue;
        verify::Digest read;
        // A file that cannot be read back (its folder removed meanwhile) is a failed
        // write; one that reads back other bytes is the medium's fault.
        const bool readBack = e.folder ? verify::ReadBackIn(*e.folder, e.copy.tempName, &read)
                                       : verify::ReadBackFromMedium(e.copy.temp, &read);
        if (!readBack || !(read == e.digest)) {
            m_mediumMismatch |= readBack;
            NoteFailure(m_batch[i].winDestination, GetLastError());
            good = i;
        }
    }
    return good;
}

size_t TransferEngine::Core::RenameBatch(size_t good) {
    // Each rename atomic: at any crash a destination is its old file or the new one.
    for (size_t done = 0; done < good; ++done) {
        const BatchEntry& e = m_batch[done];
        const platform::PendingCopy& c = e.copy;
        // A failed rename removes its own temporary file.
        const int renamed = e.folder ? platform::RenameInFolder(e.folder->Fd(), c.tempName, c.targetName, c.noReplace)
                                     : platform::RenameTemp(c.temp, c.target, c.noReplace, false);
        if (renamed != 0) {
            NoteFailure(e.winDestination, platform::WriteErrorOf(renamed), renamed);
            m_batch[done].copy.temp.clear();
            return done;
        }
        if (g_batchRenameHook) g_batchRenameHook(done + 1);
    }
    return good;
}

bool TransferEngine::Core::FlushBatch() {
    if (m_batch.empty()) return true;
    // Every file of the batch on the medium under its temporary name: one flush.
    SetPhase(m_progress.observer, TransferPhase::Writing);
    size_t good = m_batch.size();
    if (!FlushBatchDrives()) {
        NoteFailure(m_batch.front().winDestination, GetLastError());
        good = 0;
    }
    good = FoldersInPlace(good);
    if (good < m_batch.size() && m_failure.path.empty())
        NoteFailure(m_batch[good].winDestination, ERROR_PATH_NOT_FOUND, ENOENT);
    SetPhase(m_progress.observer, TransferPhase::Checking);
    good = ReadBackBatch(good);
    if (m_progress.observer) m_progress.observer->bytesChecked += m_batchBytes;
    SetPhase(m_progress.observer, TransferPhase::Finishing);
    const size_t done = RenameBatch(good);
    if (done < m_batch.size()) m_batchFailedRow = std::min(m_batchFailedRow, m_batch[done].row);
    // The renames themselves on the medium; should that flush fail, none of them
    // is known to be there.
    if (done > 0 && !FlushBatchDrives()) m_batchFailedRow = std::min(m_batchFailedRow, m_batch[0].row);
    // The renamed entries leave the batch; the rest are discarded.
    m_batch.erase(m_batch.begin(), m_batch.begin() + static_cast<std::ptrdiff_t>(done));
    DiscardBatch();
    SetPhase(m_progress.observer, TransferPhase::Copying);
    return m_batchFailedRow == kNoRow;
}

bool TransferEngine::Core::CopiedWholeEarlier(uint32_t row) const {
    const TransferRow& current = m_list.Row(row);
    for (uint32_t r : m_wholeCopies) {
        const TransferRow& earlier = m_list.Row(r);
        if (earlier.destination == current.destination && earlier.source == current.source) return true;
    }
    return false;
}

bool TransferEngine::Core::FlushDestinations() {
    SetPhase(m_progress.observer, TransferPhase::Finishing);
    bool ok = true;
    for (uint32_t r : m_flushRows) ok &= platform::FlushFilesystemOf(m_list.Row(r).destination.c_str());
    return ok;
}

void TransferEngine::Core::ShowFailure(TransferHost& host, const std::string& keptLine) {
    UserMessage message;
    message.text = transfer_texts::WriteError();
    if (m_mediumMismatch) message.text += safety_texts::MediumMismatchLine();
    message.text += keptLine;
    message.caption = transfer_texts::CaptionMaintenance();
    message.icon = MsgIcon::Stop;
    host.ShowMessage(message);
}

TransferEngine::TransferEngine() : m_core(std::make_unique<Core>()) {}
TransferEngine::~TransferEngine() = default;

bool TransferEngine::BuildTransferList(Direction direction, const TransferContext& context, TransferHost& host) {
    return m_core->BuildTransferList(direction, context, host);
}
void TransferEngine::ListDataSets(Direction direction, const TransferContext& context, const std::string& folderName,
                                  const std::vector<char>& sets) {
    m_core->ListDataSets(direction, context, folderName, sets);
}
TransferResult TransferEngine::RunTransfer(Direction direction, const TransferContext& context, TransferHost& host) {
    return m_core->RunTransfer(direction, context, host);
}
bool TransferEngine::DataSetWritten(int32_t index, const TransferResult& result) const {
    return m_core->DataSetWritten(index, result);
}
bool TransferEngine::DataSetUntouched(int32_t index, const TransferResult& result) const {
    return m_core->DataSetUntouched(index, result);
}
bool TransferEngine::DataSetListed(int32_t index) const { return m_core->DataSetListed(index); }
const TransferFailure& TransferEngine::LastFailure() const { return m_core->m_failure; }
const SpaceCheck& TransferEngine::Space() const { return m_core->m_space; }
bool TransferEngine::RowUnchanged(uint32_t row) const { return m_core->RowUnchanged(row); }
const TransferList& TransferEngine::List() const { return m_core->m_list; }
uint32_t TransferEngine::FileCount() const { return m_core->m_list.Count(); }
