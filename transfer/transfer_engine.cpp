#include "transfer/transfer_engine.h"

#include <cctype>

#include "catalogue/catalogue_paths.h"
#include "host/odisk.h"
#include "platform/copy_file.h"
#include "platform/win32.h"
#include "transfer/carry_over.h"
#include "transfer/folder_path.h"
#include "transfer/safety_texts.h"
#include "transfer/transfer_texts.h"
#include "transfer/verify.h"

TransferEngine::TransferEngine() {
    for (std::string* s : {&m_folderName, &m_systemFolder, &m_externalFolder, &m_pattern, &m_source,
                           &m_destination})
        s->reserve(TransferList::kPathReserve);
    m_documentRows.reserve(64);
    m_flushRows.reserve(4);
    m_wholeCopies.reserve(64);
}

int TransferEngine::BuildTransferList(int direction, const TransferContext& context, TransferHost& host) {
    m_list.Clear();
    m_documentRows.clear();
    ODiskSize total;
    if (context.dataCount <= 0 || !context.catalogue) return 1;

    const bool save = direction != kDirectionRegister;
    int externalRow = 0;
    for (int32_t e = 0; e < context.dataCount; ++e) {
        const CatalogueEntry& entry = context.catalogue[e];

        // The folder box is read for every data set, as the front end may change it.
        m_folderName = host.FolderName();
        if (m_folderName.empty()) m_folderName = transfer_texts::DefaultFolderName();

        m_systemFolder = context.systemRoot;
        if (entry.path[0] != '\0') {
            m_systemFolder += '\\';
            m_systemFolder += entry.path;
        }
        // The backup path brings its own leading backslash.
        m_externalFolder = context.externalRoot;
        m_externalFolder += '\\';
        m_externalFolder += m_folderName;
        m_externalFolder += entry.backupPath;

        const std::string& sourceFolder = save ? m_systemFolder : m_externalFolder;
        const std::string& destinationFolder = save ? m_externalFolder : m_systemFolder;

        bool takesPart;
        if (save) {
            takesPart = host.IsSystemRowSelected(e);
        } else {
            // Row r of the external list is the r-th data set the folder holds.
            if (!context.presence || context.presence[e] == 0) continue;
            takesPart = host.IsExternalRowSelected(externalRow++);
        }
        if (!takesPart) continue;
        if (!CatalogueEntryStaysInside(entry)) continue;  // nothing to copy for a set that would leave its root
        if (_access(sourceFolder.c_str(), 0) != 0) continue;

        const int kind = CarryOverKind(entry.type, entry.typeIndex);
        const int folders = entry.UsedFolders();
        const int names = entry.UsedNames();
        for (int j = 0; j < folders; ++j)
            for (int k = 0; k < names; ++k)
                ListMatches(sourceFolder, destinationFolder, entry.folders[j], entry.names[k], kind, total);

        if (save) {
            const int drive = host.CurrentDrive();
            const ODiskSize freeSize =
                (drive >= 0 && drive < 26) ? ODiskNo(static_cast<unsigned char>(drive)).GetFreeSize() : ODiskSize();
            if (freeSize < total) {
                UserMessage message;
                message.text = transfer_texts::SpaceShortage(destinationFolder.empty() ? ' ' : destinationFolder[0],
                                                             freeSize.ToString(0xFFFFFFFF),
                                                             total.ToString(0xFFFFFFFF));
                message.appCaption = true;
                message.icon = MsgIcon::Stop;
                host.ShowMessage(message);
                return 0;
            }
        }
    }
    return 1;
}

void TransferEngine::ListMatches(const std::string& sourceFolder, const std::string& destinationFolder,
                                 const char* folder, const char* name, int kind, ODiskSize& total) {
    m_pattern = sourceFolder;
    m_pattern += folder;
    m_pattern += name;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(m_pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        TransferRow& row = m_list.Append();
        row.source = sourceFolder;
        row.source += folder;
        row.source += '\\';
        row.source += found.cFileName;
        row.destination = destinationFolder;
        row.destination += folder;
        row.destination += '\\';
        row.destination += found.cFileName;
        row.kind = kind;
        // Each document is written once per kind but takes its room only once.
        if (CountsSize(row.destination, kind)) {
            total += O_FileSize(row.source.c_str());
            if (kind != 0) m_documentRows.push_back(m_list.Count() - 1);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool TransferEngine::CountsSize(const std::string& destination, int kind) const {
    if (kind == 0) return true;
    for (uint32_t row : m_documentRows)
        if (m_list.Row(row).destination == destination) return false;
    return true;
}

uint32_t TransferEngine::RunTransfer(int direction, const TransferContext& context, TransferHost& host) {
    host.SetTransferBusy(true);
    m_flushRows.clear();
    m_wholeCopies.clear();
    m_mediumMismatch = false;
    m_sweep.Clear();
    const uint32_t count = m_list.Count();
    uint32_t done = 0;
    for (uint32_t i = 0; i < count; ++i) {
        // Private copies: the front end may run its own handlers while events pass.
        const TransferRow& row = m_list.Row(i);
        m_source = row.source;
        m_destination = row.destination;
        const int kind = row.kind;

        host.ProcessPendingEvents();

        m_sweep.Before(m_destination);
        if (CreateFolderPath(m_destination.c_str()) == 0 || !WriteRow(i, direction, kind, context)) {
            Fail(host);
            return 0;
        }
        bool driveSeen = false;
        for (uint32_t r : m_flushRows)
            driveSeen |= std::toupper(static_cast<unsigned char>(m_list.Row(r).destination[0])) ==
                         std::toupper(static_cast<unsigned char>(m_destination[0]));
        if (!driveSeen) m_flushRows.push_back(i);
        ++done;
    }
    // Success is reported only once the data is on the medium, so that a stick
    // pulled after the message loses nothing.
    if (done > 0 && !FlushDestinations()) {
        Fail(host);
        return 0;
    }
    host.SetTransferBusy(false);
    return done;
}

bool TransferEngine::WriteRow(uint32_t row, int direction, int kind, const TransferContext& context) {
    const char* source = m_source.c_str();
    const char* destination = m_destination.c_str();
    auto carryOver = [&] {
        if (!context.docInit || !context.files.docTempName) return false;
        if (!CarryOverAttributes(source, destination, kind, *context.docInit, context.files.docTempName))
            return false;
        // Verification: the document reloaded from the medium holds the groups moved.
        if (context.verify && !CarriedOver(source, destination, kind, *context.docInit, context.files.docTempName)) {
            m_mediumMismatch = true;
            return false;
        }
        return true;
    };
    auto copy = [](const char* from, const char* to) { return CopyFileA(from, to, FALSE) != FALSE; };
    auto copyNew = [](const char* from, const char* to) { return CopyFileA(from, to, TRUE) != FALSE; };
    auto copyHost = [](const char* from, const char* to) { return O_CopyFile(from, to); };
    if (direction != kDirectionRegister) {
        if (kind == 0) return WriteChecked(source, destination, context.verify, copy);
        // A document the maintenance folder lacks is copied whole; one it holds
        // only receives this data set's groups.
        if (WriteChecked(source, destination, context.verify, copyNew)) {
            m_wholeCopies.push_back(row);
            return true;
        }
        if (m_mediumMismatch) return false;
        // Copied whole from the same document earlier in this save: it already
        // holds these groups (and may have taken the source's read-only mark).
        if (CopiedWholeEarlier(row)) return true;
        return carryOver();
    }
    if (kind == 0) return WriteChecked(source, destination, context.verify, copyHost);
    return carryOver();
}

bool TransferEngine::WriteChecked(const char* source, const char* destination, bool verify,
                                  bool (*write)(const char*, const char*)) {
    if (!verify) return write(source, destination);
    // Verification: the source is hashed while it is copied, the written file read
    // back from the medium after it.
    verify::Digest digest;
    bool hashed = false;
    if (!verify::WriteWhileHashing(source, [&] { return write(source, destination); }, &digest, &hashed))
        return false;
    if (!hashed || !verify::WrittenAs(destination, digest)) {
        m_mediumMismatch = true;
        return false;
    }
    return true;
}

bool TransferEngine::CopiedWholeEarlier(uint32_t row) const {
    const TransferRow& current = m_list.Row(row);
    for (uint32_t r : m_wholeCopies) {
        const TransferRow& earlier = m_list.Row(r);
        if (earlier.destination == current.destination && earlier.source == current.source) return true;
    }
    return false;
}

bool TransferEngine::FlushDestinations() {
    bool ok = true;
    for (uint32_t r : m_flushRows) ok &= platform::FlushFilesystemOf(m_list.Row(r).destination.c_str());
    return ok;
}

void TransferEngine::Fail(TransferHost& host) {
    UserMessage message;
    message.text = transfer_texts::WriteError();
    if (m_mediumMismatch) message.text += safety_texts::MediumMismatchLine();
    message.caption = transfer_texts::CaptionMaintenance();
    message.icon = MsgIcon::Stop;
    host.ShowMessage(message);
    host.SetTransferBusy(false);
}
