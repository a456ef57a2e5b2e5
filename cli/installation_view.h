// What the command line reads of the installation: the catalogue, the files each
// data set names on the system, the drives and the maintenance folders. The same
// reads as the dialog's, free of widgets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/folder_names.h"
#include "catalogue/system_catalogue.h"
#include "cli/cli_program.h"
#include "host/dem.h"
#include "platform/drive_letter.h"
#include "transfer/transfer_engine.h"

struct SystemView {
    bool settingsFound = false;
    std::string missingText;  // CP932: why the settings file is unusable
    LoadedCatalogue catalogue;
};

// Settings file check, then the catalogue as the dialog reads it at start-up.
SystemView LoadSystem(const CliProgram& program);

// Files of data set `i` on the system (the same patterns a save lists) and their bytes.
struct SetFiles {
    uint32_t files = 0;
    uint64_t bytes = 0;
};
SetFiles CountSetFiles(const LoadedCatalogue& catalogue, int32_t i);

// Name of data set i as the list shows it (CP932).
std::string SetName(const LoadedCatalogue& catalogue, int32_t i);

struct DriveInfo {
    char letter = 'A';
    unsigned type = 0;  // DRIVE_*
    std::string label;  // UTF-8
    bool medium = false;
    uint64_t freeBytes = 0, totalBytes = 0;
};
std::vector<DriveInfo> ListDrives();
const char* DriveTypeName(unsigned type);

// "E:", "e", "E:\" -> E:; none for anything else.
std::optional<platform::DriveLetter> ParseDriveLetter(const std::string& text);
// "E:\PARC_JDT" of drive `drive`.
std::string ExternalRootOf(platform::DriveLetter drive, const CliProgram& program);

// The maintenance folders under `externalRoot`, in the folder box's order.
std::vector<FolderInfo> ListFolders(const std::string& externalRoot);

// Presence flags of the maintenance folder (its index file), one per data set;
// false with nothing read when the index file is refused for its size.
[[nodiscard]] bool ReadPresence(const std::string& folderPath, const CliProgram& program, int32_t count,
                                std::vector<int32_t>& presence);

// What a transfer or a comparison of this installation reads: the system's
// catalogue and root, the drive's external root, the folder's presence flags
// (kept alive by the caller) and the standard document set-up in *docInit.
TransferContext ContextFor(const SystemView& view, const CliProgram& program, const std::string& externalRoot,
                           const std::vector<int32_t>& presence, DemInitData* docInit);
