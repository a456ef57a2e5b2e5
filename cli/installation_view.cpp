#include "cli/installation_view.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "catalogue/catalogue_paths.h"
#include "catalogue/file_limits.h"
#include "catalogue/folder_index_file.h"
#include "catalogue/folder_names.h"
#include "catalogue/set_searches.h"
#include "host/orbis_ini.h"
#include "host/settings_file_check.h"
#include "platform/drive_letter.h"
#include "platform/drives.h"
#include "platform/file_search.h"
#include "platform/win32.h"
#include "transfer/transfer_texts.h"

SystemView LoadSystem(const CliProgram& program) {
    SystemView view;
    const SettingsFileCheck check = CheckSettingsFile();
    view.settingsFound = check.found;
    if (!check.found) {
        view.missingText = MissingSettingsFileText(check);
        return view;
    }
    std::string systemPath, catalogueFolder;
    {
        OrbisIni ini;
        systemPath = ini.GetOrbisPath(0x10000);
        catalogueFolder = ini.GetOrbisPath(0x10003);
    }
    view.catalogue = SystemCatalogue::Load(systemPath, catalogueFolder, program.files.catalogueFile);
    if (view.catalogue.tooLarge) {
        view.missingText = transfer_texts::FileTooLarge(view.catalogue.catalogPath);
        view.catalogue.count = 0;
    }
    return view;
}

SetFiles CountSetFiles(const LoadedCatalogue& catalogue, int32_t i) {
    SetFiles result;
    const CatalogueEntry& entry = catalogue.entries[static_cast<size_t>(i)];
    if (!CatalogueEntryStaysInside(entry)) return result;
    std::string folder = catalogue.systemPath;
    AppendCataloguePart(folder, entry.path());
    // Every folder and name searched together: each folder is resolved and read once,
    // and a missing set folder simply finds nothing (no check of its own beforehand).
    for (const platform::FileSearchResult& search : platform::FindFilesForEach(SetSearchPatterns(entry, folder))) {
        for (const WIN32_FIND_DATAA& found : search.entries) {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            ++result.files;
            result.bytes += platform::FoundFileSize(found);
        }
    }
    return result;
}

std::string SetName(const LoadedCatalogue& catalogue, int32_t i) {
    return catalogue.entries[static_cast<size_t>(i)].name();
}

std::vector<DriveInfo> ListDrives() {
    std::vector<DriveInfo> drives;
    const DWORD mask = GetLogicalDrives();
    for (const platform::DriveLetter drive : platform::DriveLetter::All()) {
        const int d = drive.Number();
        if (!(mask & (1u << d))) continue;
        DriveInfo info;
        info.letter = drive.Letter();
        info.type = platform::DriveType(d);
        info.medium = platform::DriveHasMedium(d);
        if (info.medium) {
            info.label = platform::DriveLabel(d);
            platform::DriveFreeBytes(d, &info.freeBytes, &info.totalBytes);
        }
        drives.push_back(std::move(info));
    }
    return drives;
}

const char* DriveTypeName(unsigned type) {
    switch (type) {
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_FIXED: return "fixed";
    case DRIVE_REMOTE: return "network";
    case DRIVE_CDROM: return "cdrom";
    case DRIVE_RAMDISK: return "ramdisk";
    case DRIVE_NO_ROOT_DIR: return "none";
    default: return "unknown";
    }
}

std::optional<platform::DriveLetter> ParseDriveLetter(const std::string& text) {
    // The letter alone, or the drive's root as a path names it.
    return text.size() == 1 ? platform::DriveLetter::FromLetter(text[0]) : platform::DriveLetter::OfRoot(text);
}

std::string ExternalRootOf(platform::DriveLetter drive, const CliProgram& program) {
    return drive.Root() + program.files.externalRoot;
}

std::vector<FolderInfo> ListFolders(const std::string& externalRoot) {
    std::vector<FolderInfo> folders = ListMaintenanceFolders(externalRoot);
    // The box sorts as a sorted Windows combo box: case-insensitively, equals in arrival order.
    auto lower = [](const std::string& s) {
        std::string out = s;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    };
    std::stable_sort(folders.begin(), folders.end(),
                     [&](const FolderInfo& a, const FolderInfo& b) { return lower(a.boxText) < lower(b.boxText); });
    return folders;
}

bool ReadPresence(const std::string& folderPath, const CliProgram& program, int32_t count,
                  std::vector<int32_t>& presence) {
    presence.assign(count > 0 ? static_cast<size_t>(count) : 0, 0);
    const std::string indexPath = FolderIndexFile::PathFor(folderPath, program.files.indexFile);
    if (file_limits::RefusedAsTooLarge(indexPath.c_str(), file_limits::kMaxIndexFileBytes)) return false;
    const FolderIndexFile::FlagSnapshot flags(indexPath);  // one freshness check for every flag
    for (int32_t i = 0; i < count; ++i) presence[static_cast<size_t>(i)] = flags.ReadFlag(i);
    return true;
}

TransferContext ContextFor(const SystemView& view, const CliProgram& program, const std::string& externalRoot,
                           const std::vector<int32_t>& presence, DemInitData* docInit) {
    FillStandardDocInit(*docInit);
    TransferContext context;
    context.systemRoot = view.catalogue.systemPath;
    context.externalRoot = externalRoot;
    context.dataCount = view.catalogue.count;
    context.catalogue = view.catalogue.entries.get();
    context.presence = presence.data();
    context.docInit = docInit;
    context.files = program.files;
    return context;
}
