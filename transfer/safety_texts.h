// Texts of the safety net (verification, restore points, undo), as CP932 bytes.
#pragma once

#include <cstdint>
#include <string>

struct LockOwner;

namespace safety_texts {

// Appended to the write-error message when a file read back other than written.
const std::string& MediumMismatchLine();
const std::string& NoRestorePoint();

// "2026/12/09 09:03:27" in local time: two registers in one minute stay apart.
std::string LocalTime(int64_t unixSeconds);

std::string RestorePointFailed(const std::string& hostFolder, int error, const std::string& winPath);
std::string ConfirmUndo(int64_t createdUnix, const std::string& folder, size_t fileCount);
std::string UndoDone(int64_t createdUnix, const std::string& folder, size_t restored, size_t removed);
std::string UndoFailed(const std::string& winPath, int error);
// A point whose record names something outside the system data root, or is damaged:
// `pointId` (the point's folder name), `entry` the first bad entry (CP932).
std::string UndoRefused(const std::string& pointId, const std::string& entry);

// Another run holds a lock. `folder`: the maintenance folder (CP932 Windows
// path); `hostFolder`: the installation's prefix folder; `lockFile`: the lock
// (CP932, as shown). Every busy text holds BusyLine().
std::string FolderBusy(const std::string& folder, const LockOwner& holder, const std::string& lockFile);
std::string InstallationBusy(const std::string& hostFolder, const LockOwner& holder, const std::string& lockFile);
const std::string& BusyLine();
// Told once by a run that waits for the lock (the command line's --wait).
std::string LockWaiting(const LockOwner& holder, const std::string& lockFile);
// The lock file could not be made; nothing was written. Starts with LockFailedHead().
std::string LockFailed(const std::string& lockFile, int error);
const std::string& LockFailedHead();
// The wait for a lock was stopped; nothing was done.
const std::string& LockWaitStopped();

}  // namespace safety_texts
