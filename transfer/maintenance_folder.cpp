#include "transfer/maintenance_folder.h"

#include <cerrno>

#include "catalogue/folder_index_file.h"
#include "catalogue/folder_names.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/win32.h"
#include "transfer/folder_path.h"

namespace {
platform::Status Failed(DWORD error, const std::string& folderPath) {
    SetLastError(error);
    return platform::Status::Failure(error, folderPath);
}
}  // namespace

platform::Status CreateMaintenanceFolder(const std::string& externalRoot, const std::string& name,
                                         const char* indexFile, int32_t count) {
    const std::string folderPath = externalRoot + "\\" + name;
    const std::string indexPath = FolderIndexFile::PathFor(folderPath, indexFile);
    if (externalRoot.empty()) return Failed(ERROR_PATH_NOT_FOUND, folderPath);
    // Anything else would make nested folders, leave the maintenance root, make a
    // folder Windows reaches under another name, or overflow the reader's buffers.
    if (!IsUsableFolderName(name) || indexPath.size() > kMaxIndexPath) return Failed(ERROR_INVALID_NAME, folderPath);
    if (!CreateFolderPath(indexPath.c_str())) return Failed(ERROR_PATH_NOT_FOUND, folderPath);
    // The folders above are asked for without an answer: the folder itself is
    // made once more when missing, to learn why it could not be.
    if (!PathExists(folderPath.c_str()) && _mkdir(folderPath.c_str()) != 0 && errno != EEXIST)
        return Failed(static_cast<DWORD>(platform::ErrnoToWin32(errno)), folderPath);
    // A flag the file lacks reads as "0", which is all a new file holds: the
    // folder is usable even when its index file could not be written yet.
    static_cast<void>(FolderIndexFile::WriteNew(indexPath, count));
    return platform::Status::Success();
}

bool IsUsableMaintenanceFolder(const std::string& externalRoot, const std::string& name) {
    if (!IsUsableFolderName(name, kMaxListedFolderName)) return false;
    if (name.size() <= kMaxTypedFolderName) return true;
    const DWORD attributes = GetFileAttributesA((externalRoot + "\\" + name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const char* path) {
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
    DWORD attributes = GetFileAttributesA(path);
    SetErrorMode(previous);
    return attributes != INVALID_FILE_ATTRIBUTES;
}

std::string FolderExistsText(const std::string& name) {
    return platform::Utf8ToCp932("保守フォルダ '") + name +
           platform::Utf8ToCp932("' は既に存在します。\n別の名前を指定して下さい。");
}

std::string FolderCreateErrorText() {
    return platform::Utf8ToCp932("フォルダ作成エラーです！\n空き容量・書き込み禁止の確認等を行ってください");
}

std::string FolderCreateErrorCaption() { return platform::Utf8ToCp932("設定データ保守"); }
