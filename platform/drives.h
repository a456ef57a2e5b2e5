// Drive letters of the prefix: which exist, their types, labels and free space.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// DRIVE_* type of drive `drive` (0 = A:): DRIVE_NO_ROOT_DIR when it has no link;
// else the type registered in $WINEPREFIX/system.reg under [Software\\Wine\\Drives]
// ("hd", "floppy", "cdrom", "network", "ramdisk"); else detected from the mount
// that holds its target; else DRIVE_FIXED.
unsigned DriveType(int drive);

// True when the drive's link exists and its target is a readable folder.
bool DriveHasMedium(int drive);

// Volume label (UTF-8) from ".windows-label" in the drive root; empty when none.
std::string DriveLabel(int drive);

// Free bytes for an ordinary user (statvfs f_bavail * f_frsize) of the filesystem
// behind the drive; false when the drive has no medium.
bool DriveFreeBytes(int drive, uint64_t* freeBytes, uint64_t* totalBytes = nullptr);

}  // namespace platform
