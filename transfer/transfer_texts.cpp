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
CP932_TEXT(
    SaveFailedKept,
    "\n失敗までに保存したファイルはそのままです。すべてのファイルを保存できたデータだけを保存済みとして記録します。")
CP932_TEXT(RegisterFailedKept, "\n失敗までに再登録したファイルはそのままです。")
CP932_TEXT(RegisterFailedUndo,
           "\n失敗までに再登録したファイルはそのままです。\n再登録の前の状態には、メニュー（Shift+F10）の「直前の再登"
           "録を元に戻す」で戻せます。")
}  // namespace
#undef CP932_TEXT

namespace {
// 0 for bytes, 1 KB, 2 MB, 3 GB: the largest unit the size is at least one of,
// after rounding to one decimal (1023.97 KB shows as "1.0 MB", not "1024.0 KB").
int UnitOf(uint64_t bytes) {
    if (bytes < 1024) return 0;
    int unit = 1;
    const unsigned __int128 tenfold = static_cast<unsigned __int128>(bytes) * 10;
    for (unsigned __int128 scale = 1024; unit < 3 && (tenfold + scale / 2) / scale >= 10240; scale *= 1024) ++unit;
    return unit;
}
}  // namespace

std::string SizeText(uint64_t bytes) { return SizeText(bytes, bytes); }

std::string SizeText(uint64_t bytes, uint64_t unitOf) {
    const int unit = UnitOf(unitOf);
    if (unit == 0) return std::to_string(bytes) + Bytes();
    static const char* const kUnits[] = {"", "KB", "MB", "GB"};
    const unsigned __int128 scale = static_cast<unsigned __int128>(1) << (10 * unit);
    const auto tenths = static_cast<uint64_t>((static_cast<unsigned __int128>(bytes) * 10 + scale / 2) / scale);
    char text[48];
    std::snprintf(text, sizeof text, "%llu.%llu %s", static_cast<unsigned long long>(tenths / 10),
                  static_cast<unsigned long long>(tenths % 10), kUnits[unit]);
    return text;
}

const std::string& FailureKept(bool save, bool restorePoint) {
    if (save) return SaveFailedKept();
    return restorePoint ? RegisterFailedUndo() : RegisterFailedKept();
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
