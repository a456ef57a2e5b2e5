#include "transfer/maintenance_folder.h"

#include "catalogue/folder_index_file.h"
#include "catalogue/folder_names.h"
#include "platform/cp932.h"
#include "platform/win32.h"
#include "transfer/folder_path.h"

bool CreateMaintenanceFolder(const std::string& externalRoot, const std::string& name, const char* indexFile,
                             int32_t count) {
    const std::string folderPath = externalRoot + "\\" + name;
    const std::string indexPath = FolderIndexFile::PathFor(folderPath, indexFile);
    // Anything else would make nested folders, leave the maintenance root, make a
    // folder Windows reaches under another name, or overflow the reader's buffers.
    if (externalRoot.empty() || !IsUsableFolderName(name) || indexPath.size() > kMaxIndexPath) return false;
    if (CreateFolderPath(indexPath.c_str()) == 0 || !PathExists(folderPath.c_str())) return false;
    FolderIndexFile::WriteNew(indexPath, count);
    return true;
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
