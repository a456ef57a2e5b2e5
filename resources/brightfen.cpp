// The Brightfen deliverable (product Traversium).
#include "resources/deliverable.h"
#include "resources/template_rows.h"

using namespace rows;

const Deliverable& BrightfenDeliverable() {
    static const Deliverable d{
        "Brightfen",
        "Traversium",
        {"S_JDTKANRI.JYO", "S_JKNDT.INI", "TRV_JDT", "Brightfen.Tmp"},
        "BRIGHTFEN",
        "設定保守ツール のﾊﾞｰｼﾞｮﾝ情報(&A)...",
        {1002, 1003, 1009, 1000, 1001, 1010, 1011, 1004, 1005, 1006, 1007, 1012, 1013, 1014, 1008, 2},
        {1015, 1016, 1017, 1018},
        {1036, 1, 2, 9},
        {102,
         "設定保守ツール",
         "ＭＳ ゴシック",
         9,
         400,
         347,
         {
             Group(-1, "【システム】", 7, 7, 173, 313),
             Image(1009, 15, 25, 134, 14),
             Text(1010, "空きﾃﾞｨｽｸ容量:", 15, 40, 134, 8),
             Text(-1, "Traversium設定データ", 15, 58, 134, 12),
             List(1002, 13, 92, 161, 202),
             Button(1006, "選択/解除(&A)", 15, 295, 74, 14),
             Group(-1, "【外部保存先】", 211, 7, 181, 313),
             DriveCombo(1000, 219, 25, 134, 142),
             Text(1011, "空きﾃﾞｨｽｸ容量:", 219, 42, 134, 8),
             Combo(1001, 219, 58, 134, 171, true),
             Button(1012, "新規(&N)", 219, 71, 44, 14),
             HiddenButton(1013, "編集(&E)", 264, 71, 44, 14),
             HiddenButton(1014, "削除(&D)", 309, 71, 44, 14),
             List(1003, 219, 92, 165, 202),
             Button(1007, "選択/解除(&B)", 219, 295, 74, 14),
             HiddenButton(1008, "削除(&F)", 296, 295, 57, 14),
             MultiLineButton(1004, "→保存→", 186, 110, 21, 60),
             MultiLineButton(1005, "←登録←", 186, 172, 21, 60),
             Button(2, "終了", 327, 326, 65, 14),
         }},
        {100, "設定保守ツールのﾊﾞｰｼﾞｮﾝ情報", 21},
        {131, "新規保守フォルダ作成", "新規保守フォルダ名称(&N)"},
    };
    return d;
}
