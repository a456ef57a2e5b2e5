// Replacing files safely: CopyFileA and the profile writer both write a temporary
// file beside the target and rename it over the target, so a reader sees the old
// file or the new one and a failure leaves the old one as it was.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace platform {

// Flushes the filesystem that holds a Windows path (syncfs): call before telling
// the user that a removable medium may be pulled. False when the path's drive
// cannot be reached or the flush fails.
bool FlushFilesystemOf(const char* winPath);

// A new, empty temporary file in the folder of `hostTarget` (O_CREAT|O_EXCL|
// O_NOFOLLOW, mode 0666 less the umask), the folder reached without following a
// link below its drive root. Its name is the one reserved pattern of our
// temporary files: "~$" + the target's name (cut to 200 bytes) + "." + 8 random
// characters a-z 0-9 + ".tmp". Returns the descriptor and fills *tempPath, or -1
// with errno set.
int CreateTempBeside(const std::string& hostTarget, std::string* tempPath);

// Whether a host file name has the pattern of CreateTempBeside's names: such a file
// is a copy under way or one a killed or failed write left, never data. File
// search does not return them.
bool IsTransferTempName(std::string_view name);

// Removes temporary files of that pattern from a folder (CP932 Windows path) that
// have not been written for a minute (a live copy writes its file all the time).
// Called before a transfer writes into the folder. Returns how many were removed.
int RemoveStaleTemps(const char* winFolder);

// For tests only: called with the source's host path after a copy's data is
// moved and before the source is compared with what it was when opened.
void SetCopyHookForTesting(void (*hook)(const char* hostSource));

// For tests only: hears the size of every read of a source by a copy or by a
// transfer's hash of it, so that a test can tell how often a source is read.
void SetSourceReadHookForTesting(void (*hook)(size_t bytes));
// Reports a read of a source to that hook (for readers outside this file).
void NoteSourceRead(size_t bytes);

// CreateTempBeside for a folder already open (`dirFd`, O_PATH will do), created
// with `mode` less the umask: fills *tempName with the bare name of the new file.
int CreateTempIn(int dirFd, std::string_view targetName, std::string* tempName, mode_t mode = 0666);

// Renames `tempName` over `targetName`, both in the folder `dirFd` (as RenameTemp,
// without a flush). Returns 0, or an errno value after removing the temporary file.
int RenameInFolder(int dirFd, const std::string& tempName, const std::string& targetName, bool noReplace);

// Flushes and closes `fd`, then renames the temporary file over `hostTarget` (in
// its folder, reached without following a link below the drive root)
// (with `noReplace`, fails with EEXIST when the target exists) and, with
// `flushFolder`, flushes the folder. Returns 0, or an errno value after removing the temporary file.
int CommitTemp(int fd, const std::string& tempPath, const std::string& hostTarget, bool noReplace,
               bool flushFolder = true);

// The rename half of CommitTemp, for a temporary file already flushed (or to be
// flushed with others by a flush of its filesystem) and closed.
int RenameTemp(const std::string& tempPath, const std::string& hostTarget, bool noReplace, bool flushFolder);

// Closes and removes a temporary file after a failure; errno is kept.
void DiscardTemp(int fd, const std::string& tempPath);

// Hears the bytes of the file written so far during a copy; false stops it.
using CopyProgress = bool (*)(uint64_t bytesWritten, void* data);

// Hears every byte of the source as the copy reads it, in order, so that a caller
// can hash the source without reading it a second time. A copy with a tap reads
// through a bounded buffer (no in-kernel copy) and fails with
// ERROR_SHARING_VIOLATION when the source ends before or after the size it had
// when opened.
struct CopyTap {
    void (*bytes)(const void* chunk, size_t size, void* data) = nullptr;
    void* data = nullptr;
};

// CopyFileA that reports its progress to `progress` (null: none) in chunks, also
// inside one large file. A stop leaves the destination as it was (the temporary
// file removed) and fails with ERROR_REQUEST_ABORTED. `tap` (null: none) hears
// the source's bytes.
BOOL CopyFileWithProgress(LPCSTR from, LPCSTR to, BOOL failIfExists, CopyProgress progress, void* data,
                          const CopyTap* tap = nullptr);

// A copy written whole to its temporary file and closed, not yet flushed nor
// renamed: a batch of them is flushed with one flush of the filesystem, then
// renamed (RenameTemp) or discarded (DiscardTemp(-1, temp)).
struct PendingCopy {
    std::string temp;    // host path of the temporary file
    std::string target;  // host path it replaces
    bool noReplace = false;
    std::string tempName, targetName;  // their names in the destination folder
};

// CopyFileWithProgress with every check of CopyFileA, that stops before the flush
// and rename when `pending` is given and describes the temporary file there.
BOOL CopyFileToTemp(LPCSTR from, LPCSTR to, BOOL failIfExists, CopyProgress progress, void* data, PendingCopy* pending,
                    const CopyTap* tap = nullptr);

// Both ends of a copy once they are found: the source open for reading, with its
// fstat and where it lies (for the test hook: the host folder and, when that is
// not the whole path, the name), and the destination's folder open (O_PATH will
// do) with its host path and the bare name to write.
struct CopySource {
    int fd = -1;
    struct stat st {};
    const std::string* folder = nullptr;
    std::string_view name;
};
struct CopyTarget {
    int dirFd = -1;
    const std::string* folder = nullptr;
    std::string name;
    // The caller's lstat of the name a moment ago (`looked`): spares the copy its own.
    bool looked = false;
    bool exists = false;
    struct stat seen {};
    // Known absent from the folder's listing without a look of its own: the copy
    // is renamed to the name without replacing what may have come there since.
    bool listedAbsent = false;
    // The permission bits a create in the folder takes away (the umask, where no
    // default ACL decides instead); -1 when unknown. Where they spare the source's
    // mode, the temporary file is created with it and needs no chmod.
    int createMask = -1;
};

// Every destination rule of CopyFileA and the copy itself, shared by
// CopyFileToTemp and a folder session's copy: a destination that is a folder or
// read-only is refused (access denied), the source itself (sharing violation), a
// link in its place is replaced and never written through, the owner kept when
// root, mode and times copied, and a source that changed while it was read fails
// (sharing violation). With `pending`, stops before the flush and rename.
BOOL CopyOpenedToTemp(const CopySource& src, const CopyTarget& dst, BOOL failIfExists, CopyProgress progress,
                      void* data, PendingCopy* pending, const CopyTap* tap);

// The Windows error for a failed create, write, flush or rename:
// ENOSPC/EDQUOT 112, EFBIG 223, EROFS 19 (a write-protected medium), else as
// ErrnoToWin32.
DWORD WriteErrorOf(int err);

}  // namespace platform
