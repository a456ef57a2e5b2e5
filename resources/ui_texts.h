// The texts the windows show themselves (the logic's messages are in transfer/,
// shared with the command line; each program's names and captions in its
// Deliverable). Both programs show these alike.
#pragma once

#include <QString>

namespace ui_texts {

// Main dialog.
inline QString FreeSpacePrefix() { return QStringLiteral("空きﾃﾞｨｽｸ容量: "); }
inline QString ListColumnNo() { return QStringLiteral("No"); }
inline QString ListColumnName() { return QStringLiteral("データ名"); }

// System menu.
inline QString MenuMove() { return QStringLiteral("移動(&M)"); }
inline QString MenuClose() { return QStringLiteral("閉じる(&C)\tAlt+F4"); }
inline QString MenuUndoRegister() { return QStringLiteral("直前の再登録を元に戻す(&U)..."); }
inline QString MenuRestorePoints() { return QStringLiteral("再登録の復元ポイント一覧(&L)..."); }
inline QString MenuCompare() { return QStringLiteral("再登録で変わるものを表示(&D)..."); }

// Buttons of message boxes and small windows.
inline QString ButtonOk() { return QStringLiteral("OK"); }
inline QString ButtonCancel() { return QStringLiteral("キャンセル"); }
inline QString ButtonStop() { return QStringLiteral("中止"); }
inline QString ButtonClose() { return QStringLiteral("閉じる"); }
inline QString ButtonDetails() { return QStringLiteral("詳細..."); }

// Progress window.
inline QString ProgressDataSet() { return QStringLiteral("データ："); }
inline QString ProgressFile() { return QStringLiteral("ファイル："); }
inline QString ProgressFileCount() { return QStringLiteral("ファイル数："); }
inline QString ProgressPerSecond() { return QStringLiteral("/秒"); }
inline QString ProgressTimeLeft() { return QStringLiteral("残り "); }
inline QString ProgressMinutes() { return QStringLiteral(" 分 "); }
inline QString ProgressSeconds() { return QStringLiteral(" 秒"); }
inline QString ProgressCopying() { return QStringLiteral("ファイルをコピーしています…"); }
inline QString ProgressWriting() { return QStringLiteral("記録媒体に書き込んでいます…"); }
inline QString ProgressChecking() { return QStringLiteral("書き込んだ内容を読み返して確認しています…"); }
inline QString ProgressFinishing() { return QStringLiteral("仕上げています…"); }

// Restore points.
inline QString RestorePointsTitle() { return QStringLiteral("再登録の復元ポイント"); }
inline QString RestorePointsLabel() { return QStringLiteral("元に戻す再登録を選んで下さい(&R):"); }
inline QString RestorePointsColumnTime() { return QStringLiteral("日時"); }
inline QString RestorePointsColumnFolder() { return QStringLiteral("保守フォルダ"); }
inline QString RestorePointsColumnFiles() { return QStringLiteral("ファイル数"); }
inline QString RestorePointsColumnSize() { return QStringLiteral("サイズ"); }
inline QString RestorePointsColumnState() { return QStringLiteral("状態"); }
inline QString RestorePointUsed() { return QStringLiteral("元に戻し済み"); }
inline QString RestorePointsUndo() { return QStringLiteral("元に戻す(&U)"); }

// What a register or a save would change.
inline QString CompareTitleRegister() { return QStringLiteral("再登録で変わるもの"); }
inline QString CompareTitleSave() { return QStringLiteral("保存で変わるもの"); }
inline QString CompareRunning() { return QStringLiteral("比較しています..."); }
inline QString CompareCancelled() { return QStringLiteral("比較を中止しました。"); }
inline QString CompareFolder() { return QStringLiteral("保守フォルダ: "); }
inline QString CompareNoFolder() { return QStringLiteral("（まだありません: 保存で作られます）"); }
inline QString CompareSummary() {
    return QStringLiteral(
        "%1 データ、%2 ファイル: 追加 %3、置換 %4（内容が異なる %5、同じ %6）、そのまま %7、できない %8");
}
inline QString CompareColumnItem() { return QStringLiteral("データ / ファイル"); }
inline QString CompareColumnAdd() { return QStringLiteral("追加"); }
inline QString CompareColumnReplaceDiffers() { return QStringLiteral("置換・異なる"); }
inline QString CompareColumnReplaceSame() { return QStringLiteral("置換・同じ"); }
inline QString CompareColumnLeave() { return QStringLiteral("そのまま"); }
inline QString CompareColumnFails() { return QStringLiteral("できない"); }
inline QString CompareTipAdd() { return QStringLiteral("無いところに書き込まれるファイル"); }
inline QString CompareTipReplaceDiffers() {
    return QStringLiteral("内容の異なるファイルに上書きされるもの（図面は属性のグループだけ）");
}
inline QString CompareTipReplaceSame() { return QStringLiteral("同じ内容のファイルに上書きされるもの"); }
inline QString CompareTipLeave() { return QStringLiteral("書き込まれず、そのまま残るファイル"); }
inline QString CompareTipFails() { return QStringLiteral("読めない、または書き込み先に無い図面: ここで止まります"); }
inline QString CompareColumnDetail() { return QStringLiteral("比較"); }
inline QString CompareMark() { return QStringLiteral("●"); }
inline QString CompareNotHeld() { return QStringLiteral("（保守フォルダに登録されていません: 再登録されません）"); }
inline QString CompareOnlySystem() { return QStringLiteral("システムだけにある"); }
inline QString CompareOnlyFolder() { return QStringLiteral("保守フォルダだけにある"); }
inline QString CompareSame() { return QStringLiteral("同じ"); }
inline QString CompareDifferent() { return QStringLiteral("異なる: "); }
inline QString CompareSize() { return QStringLiteral("サイズ"); }
inline QString CompareTime() { return QStringLiteral("更新日時"); }
inline QString CompareContent() { return QStringLiteral("内容"); }
inline QString CompareUnreadable() { return QStringLiteral("読めない"); }
inline QString CompareGroups() { return QStringLiteral("属性 "); }
inline QString CompareSeparator() { return QStringLiteral("・"); }
inline QString CompareGroupTable265First() { return QStringLiteral("265バイト表1"); }
inline QString CompareGroupTable265Second() { return QStringLiteral("265バイト表2"); }
inline QString CompareGroupSettings() { return QStringLiteral("5つの設定"); }
inline QString CompareGroupTable341() { return QStringLiteral("341バイト表"); }
inline QString CompareGroupTable269() { return QStringLiteral("269バイト表"); }

}  // namespace ui_texts
