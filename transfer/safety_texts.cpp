#include "transfer/safety_texts.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/cp932.h"
#include "transfer/transfer_lock.h"

namespace safety_texts {
namespace {
std::string T(const char* utf8) { return platform::Utf8ToCp932(utf8); }

// A host path or an error text shown inside a CP932 message.
std::string FromHost(const std::string& utf8) {
    bool ok = true;
    std::string text = platform::Utf8ToCp932(utf8, &ok);
    return ok ? text : std::string("?");
}

std::string Number(uint64_t n) { return std::to_string(n); }

// "ホスト pc17、プロセス 4711、2026/12/10 09:54 から" (local time).
std::string Holder(const LockOwner& holder) {
    if (!holder.named) return T("内容を読めないロックファイル（") + LocalTime(holder.writtenUnix) + T(" に作成）");
    return T("ホスト ") + FromHost(holder.host) + T("、プロセス ") + Number(static_cast<uint64_t>(holder.pid)) +
           T("、") + LocalTime(holder.startedUnix) + T(" から");
}

std::string BusyTail(const LockOwner& holder, const std::string& lockFile) {
    return T("何も書き込んでいません。\n") + BusyLine() + Holder(holder) + T("\nロックファイル: ") + lockFile +
           T("\n\n使用が終わってから、もう一度実行してください。\n（終了したプロセスのロックと、") +
           Number(static_cast<uint64_t>(kLockStaleSeconds / 3600)) +
           T(" 時間以上前に作られたほかのコンピュータのロックは、自動的に引き継ぎます）");
}
}  // namespace

const std::string& MediumMismatchLine() {
    static const std::string text =
        T("\n書き込んだファイルを読み返すと、記録媒体から異なるデータが返されました（媒体の不良の可能性があります）");
    return text;
}

const std::string& NoRestorePoint() {
    static const std::string text = T("元に戻せる再登録はありません。");
    return text;
}

std::string LocalTime(int64_t unixSeconds) {
    const time_t t = static_cast<time_t>(unixSeconds);
    tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string RestorePointFailed(const std::string& hostFolder, int error, const std::string& winPath) {
    std::string text =
        T("再登録の前に、元に戻すためのデータを保存できませんでした。\n"
          "再登録は中止しました（システムのファイルは変更していません）。\n");
    text += T("保存先: ") + FromHost(hostFolder);
    if (!winPath.empty()) text += T("\nファイル: ") + winPath;
    text += T("\n原因: ") + FromHost(std::strerror(error));
    return text;
}

std::string ConfirmUndo(int64_t createdUnix, const std::string& folder, size_t fileCount) {
    return T("次の再登録を元に戻します。\n\n日時: ") + LocalTime(createdUnix) + T("\n保守フォルダ: ") + folder +
           T("\nファイル数: ") + Number(fileCount) + T("\n\nシステムのファイルを再登録の前の状態に戻しますか？");
}

std::string UndoDone(int64_t createdUnix, const std::string& folder, size_t restored, size_t removed) {
    std::string text = T("再登録を元に戻しました。\n\n日時: ") + LocalTime(createdUnix) + T("\n保守フォルダ: ") +
                       folder + T("\n\n") + Number(restored) + T(" 個のファイルを再登録の前の内容に戻しました。");
    if (removed > 0) text += T("\n再登録で新しく作られた ") + Number(removed) + T(" 個のファイルを削除しました。");
    return text;
}

std::string UndoFailed(const std::string& winPath, int error) {
    std::string text = T("再登録を元に戻せませんでした。\n");
    if (!winPath.empty()) text += T("ファイル: ") + winPath + "\n";
    text += T("原因: ") + FromHost(std::strerror(error)) + "\n";
    text += T("もう一度元に戻すと、続きから元に戻します。");
    return text;
}

std::string UndoRefused(const std::string& pointId, const std::string& entry) {
    std::string text =
        T("この復元ポイントの記録は信頼できないため、元に戻しませんでした。\n"
          "（システムのファイルは変更していません）\n");
    text += T("復元ポイント: ") + FromHost(pointId);
    if (!entry.empty()) text += T("\n項目: ") + entry;
    return text;
}

std::string FolderBusy(const std::string& folder, const LockOwner& holder, const std::string& lockFile) {
    return T("保守フォルダ「") + folder + T("」は、ほかの保存または再登録が使用中です。\n") +
           BusyTail(holder, lockFile);
}

std::string InstallationBusy(const std::string& hostFolder, const LockOwner& holder, const std::string& lockFile) {
    return T("このシステム（") + FromHost(hostFolder) + T("）は、ほかの再登録または再登録の取り消しが使用中です。\n") +
           BusyTail(holder, lockFile);
}

const std::string& BusyLine() {
    static const std::string text = T("\n使用中: ");
    return text;
}

std::string LockWaiting(const LockOwner& holder, const std::string& lockFile) {
    return T("使用が終わるのを待っています: ") + Holder(holder) + T("\nロックファイル: ") + lockFile;
}

const std::string& LockFailedHead() {
    static const std::string text = T("ロックファイルを作成できませんでした。\n");
    return text;
}

std::string LockFailed(const std::string& lockFile, int error) {
    return LockFailedHead() + T("何も書き込んでいません。\nロックファイル: ") + lockFile + T("\n原因: ") +
           FromHost(std::strerror(error));
}

const std::string& LockWaitStopped() {
    static const std::string text = T("待つのを中止しました。何も行っていません。");
    return text;
}

}  // namespace safety_texts
