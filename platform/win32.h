// Windows base services on POSIX, under their Windows names and signatures.
// Every char string is code page 932 (Shift-JIS); every path is a Windows path
// ("E:\PARC_JDT\...") resolved through the drive letters of the Wine-style prefix
// ($WINEPREFIX, default ~/.wine). See platform/paths.h for how paths map to the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* HANDLE;
typedef void* HWND;
typedef void* HICON;
typedef void* LPVOID;
typedef uintptr_t DWORD_PTR;
typedef uint64_t ULONGLONG;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)0xFFFFFFFF)

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080

#define DRIVE_UNKNOWN 0
#define DRIVE_NO_ROOT_DIR 1
#define DRIVE_REMOVABLE 2
#define DRIVE_FIXED 3
#define DRIVE_REMOTE 4
#define DRIVE_CDROM 5
#define DRIVE_RAMDISK 6

#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOGPFAULTERRORBOX 0x0002
#define SEM_NOALIGNMENTFAULTEXCEPT 0x0004
#define SEM_NOOPENFILEERRORBOX 0x8000

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_NO_MORE_FILES 18
#define ERROR_WRITE_PROTECT 19
#define ERROR_NOT_READY 21
#define ERROR_GEN_FAILURE 31
#define ERROR_SHARING_VIOLATION 32
#define ERROR_REQUEST_ABORTED 1235
#define ERROR_HANDLE_DISK_FULL 39
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INVALID_NAME 123
#define ERROR_ALREADY_EXISTS 183
#define ERROR_MORE_DATA 234
#define ERROR_DIRECTORY 267
#define ERROR_USER_MAPPED_FILE 1224

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};

union ULARGE_INTEGER {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    } u;
    ULONGLONG QuadPart;
};

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0 };

// Shell file information for drive roots (the subset the drive controls use).
struct SHFILEINFOA {
    HICON hIcon;
    int iIcon;
    DWORD dwAttributes;
    CHAR szDisplayName[MAX_PATH];
    CHAR szTypeName[80];
};
#define SHGFI_SMALLICON 0x000000001
#define SHGFI_PIDL 0x000000008
#define SHGFI_DISPLAYNAME 0x000000200
#define SHGFI_TYPENAME 0x000000400
#define SHGFI_SYSICONINDEX 0x000004000

// Icon indexes that SHGetFileInfoA answers for drive roots: one per kind of drive.
enum ShellDriveIcon {
    SHELL_ICON_UNKNOWN = 0,
    SHELL_ICON_FIXED = 1,
    SHELL_ICON_REMOVABLE = 2,
    SHELL_ICON_OPTICAL = 3,
    SHELL_ICON_NETWORK = 4,
    SHELL_ICON_RAMDISK = 5,
    SHELL_ICON_COUNT = 6
};

// [[nodiscard]] marks the calls whose failure a caller cannot go on without;
// those whose results callers traditionally ignore (profile writes, FindClose,
// _mkdir, remove) are left unmarked.

// ---- last error ---------------------------------------------------------
DWORD GetLastError(void);
void SetLastError(DWORD dwErrCode);

// ---- profile (INI) files --------------------------------------------------
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName);
UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName);
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName);
// Replaces the keys of a section with "key=value\0...\0\0" in one write.
BOOL WritePrivateProfileSectionA(LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName);

// ---- file search ----------------------------------------------------------
[[nodiscard]] HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData);
[[nodiscard]] BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

// ---- files ------------------------------------------------------------------
[[nodiscard]] BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
[[nodiscard]] DWORD GetFileAttributesA(LPCSTR lpFileName);
[[nodiscard]] BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                        LPVOID lpFileInformation);

// ---- drives and error mode --------------------------------------------------
UINT SetErrorMode(UINT uMode);
DWORD GetLogicalDrives(void);
UINT GetDriveTypeA(LPCSTR lpRootPathName);
[[nodiscard]] BOOL GetDiskFreeSpaceExA(LPCSTR lpDirectoryName, ULARGE_INTEGER* lpFreeBytesAvailableToCaller,
                                       ULARGE_INTEGER* lpTotalNumberOfBytes, ULARGE_INTEGER* lpTotalNumberOfFreeBytes);

// ---- shell: drive roots only ("X:\") -----------------------------------------
// Answers nonzero when the drive exists for the shell; fills the display name
// ("ラベル (E:)" or "リムーバブル ディスク (E:)", CP932) and the icon index.
DWORD_PTR SHGetFileInfoA(LPCSTR pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi, UINT cbFileInfo, UINT uFlags);

// ---- code page 932 ----------------------------------------------------------
BOOL IsDBCSLeadByte(BYTE TestChar);
BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar);

// ---- runtime library --------------------------------------------------------
int _ismbblead(unsigned int c);                         // multibyte lead-byte test of code page 932
[[nodiscard]] int _access(const char* path, int mode);  // 0 on success, -1 with errno on failure
int _mkdir(const char* path);                           // 0 on success, -1 with errno (EEXIST, ENOENT...)

// fopen and remove on Windows paths. They live in a namespace because the C
// library already owns the plain names.
namespace win32 {
[[nodiscard]] FILE* fopen(const char* path, const char* mode);
int remove(const char* path);
}  // namespace win32
