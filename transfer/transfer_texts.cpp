#include "transfer/transfer_texts.h"

#include <cstdio>

#include "platform/cp932.h"

namespace transfer_texts {
namespace {
// Converted once, on first use.
#define CP932_TEXT(fn, utf8)                                         \
    const std::string& fn() {                                        \
        static const std::string text = platform::Utf8ToCp932(utf8); \
        return text;                                                 \
    }
}  // namespace

CP932_TEXT(DefaultFolderName, "設定データ保守")
CP932_TEXT(CaptionSave, "データ保存")
CP932_TEXT(CaptionRegister, "データ再登録")
CP932_TEXT(CaptionMaintenance, "設定データ保守")
CP932_TEXT(WriteError, "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください")
CP932_TEXT(NoFiles, "ファイルが存在しませんでした")
CP932_TEXT(SaveEmptyNameQuestion, "ディレクトリ名称を｢設定データ保守｣で保存します。\nよろしいですか?")
CP932_TEXT(RegisterEmptyNameQuestion, "名称が｢設定データ保守｣のディレクトリから再登録します。")

namespace {
CP932_TEXT(InsertDiskHead, "ドライブ ")
CP932_TEXT(InsertDiskTail, ": にディスクを挿入して、[OK]を押して下さい。")
CP932_TEXT(BadNameHead, "ディレクトリ名［ ")
CP932_TEXT(BadNameTail, " ］が不正です。（名称を変更して下さい。）")
CP932_TEXT(ConfirmSaveTail, " ] ドライブにデータの保存を行いますか？")
CP932_TEXT(ConfirmRegisterTail, " ] ドライブからデータの再登録を行いますか？")
CP932_TEXT(ShortageHead, "「")
CP932_TEXT(ShortageMid, "」の空き容量が不足しています。")
CP932_TEXT(ShortageFree, "\n\n空き容量：")
CP932_TEXT(ShortageTotal, "\n\nコピーサイズ：")
CP932_TEXT(TooLargeTail, "」は大きすぎるため、読み込めませんでした。\nファイルの内容を確認してください。")
CP932_TEXT(IndexErrorHead, "索引ファイル「")
CP932_TEXT(IndexErrorTail,
           "」の書き込みエラーです！\nコピーしたデータは保存済みとして記録されていません。\n空き容量・書き込み禁止の確"
           "認等を行ってください")
CP932_TEXT(Bytes, " バイト")
CP932_TEXT(Saved, "保存しました。")
CP932_TEXT(Registered, "再登録しました。")
CP932_TEXT(SaveStopped, "保存を中止しました。")
CP932_TEXT(RegisterStopped, "再登録を中止しました。")
CP932_TEXT(KeptLine, "\n中止までにコピーしたファイルは残っています。")
CP932_TEXT(SetsHead, "\nデータ ")
CP932_TEXT(SetsTail, " 件、ファイル ")
CP932_TEXT(FilesTail, " 個（")
CP932_TEXT(SizeTail, "）、")
CP932_TEXT(Seconds, " 秒")
CP932_TEXT(FolderHead, "\nフォルダ：")
}  // namespace
#undef CP932_TEXT

std::string SizeText(uint64_t bytes) {
    char text[32];
    if (bytes >= 1024ull * 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
    else if (bytes >= 1024ull * 1024)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024));
    else if (bytes >= 1024)
        std::snprintf(text, sizeof text, "%.0f KB", static_cast<double>(bytes) / 1024.0);
    else
        return std::to_string(bytes) + Bytes();
    return text;
}

std::string IndexWriteError(const std::string& indexPath) { return IndexErrorHead() + indexPath + IndexErrorTail(); }

std::string Outcome(bool save, bool cancelled, int dataSets, uint64_t files, uint64_t bytes, double seconds,
                    const std::string& folder) {
    std::string text = cancelled ? (save ? SaveStopped() : RegisterStopped()) : (save ? Saved() : Registered());
    if (cancelled && files > 0) text += KeptLine();
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    text += SetsHead() + std::to_string(dataSets) + SetsTail() + std::to_string(files) + FilesTail() + SizeText(bytes) +
            SizeTail() + time + Seconds();
    if (!folder.empty()) text += FolderHead() + folder;
    return text;
}

std::string InsertDisk(char driveLetter) { return InsertDiskHead() + driveLetter + InsertDiskTail(); }

std::string BadFolderName(const std::string& name) { return BadNameHead() + name + BadNameTail(); }

std::string ConfirmSave(char driveLetter) { return std::string("[ ") + driveLetter + ConfirmSaveTail(); }

std::string ConfirmRegister(char driveLetter) { return std::string("[ ") + driveLetter + ConfirmRegisterTail(); }

std::string FileTooLarge(const std::string& path) { return ShortageHead() + path + TooLargeTail(); }

std::string SpaceShortage(char driveLetter, const std::string& freeText, const std::string& totalText) {
    return ShortageHead() + driveLetter + ShortageMid() + ShortageFree() + freeText + ShortageTotal() + totalText;
}

}  // namespace transfer_texts
