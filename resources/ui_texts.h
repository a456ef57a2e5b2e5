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

// Buttons of message boxes and small windows.
inline QString ButtonOk() { return QStringLiteral("OK"); }
inline QString ButtonCancel() { return QStringLiteral("キャンセル"); }
inline QString ButtonStop() { return QStringLiteral("中止"); }
inline QString ButtonClose() { return QStringLiteral("閉じる"); }

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

}  // namespace ui_texts
