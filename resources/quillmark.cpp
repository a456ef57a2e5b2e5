// The Quillmark deliverable (product Parcelon).
#include "resources/deliverable.h"
#include "resources/template_rows.h"

using namespace rows;

const Deliverable& QuillmarkDeliverable() {
    static const Deliverable d{
        "Quillmark",
        "Parcelon",
        {"JDTKANRI.JYO", "JKNDT.INI", "PARC_JDT", "Quillmark.Tmp"},
        "QUILLMARK",
        "設定保守ツール のﾊﾞｰｼﾞｮﾝ情報(&A)...",
        {1001, 1002, 1012, 1003, 1004, 1013, 1014, 1005, 1006, 1008, 1010, 1035, 1038, 1039, 1015, 2},
        {1042, 1043, 1041, 1044},
        {1036, 1, 2, 9},
        {102,
         "設定保守ツール",
         "ＭＳ ゴシック",
         9,
         347,
         347,
         {
             Group(-1, "【システム】", 7, 7, 151, 313),
             Image(1012, 15, 25, 134, 14),
             Text(1013, "空きﾃﾞｨｽｸ容量:", 15, 40, 134, 8),
             Text(-1, "Parcelon設定データ", 15, 58, 134, 12),
             List(1001, 15, 92, 134, 202),
             Button(1008, "選択/解除", 15, 295, 74, 14),
             Group(-1, "【外部保存先】", 187, 7, 151, 313),
             DriveCombo(1003, 195, 25, 134, 98),
             Text(1014, "空きﾃﾞｨｽｸ容量:", 195, 42, 134, 8),
             Combo(1004, 195, 58, 134, 87, true),
             List(1002, 195, 92, 134, 202),
             Button(1010, "選択/解除", 195, 295, 74, 14),
             MultiLineButton(1005, "→保存→", 162, 110, 21, 60),
             MultiLineButton(1006, "←登録←", 162, 172, 21, 60),
             HiddenButton(1015, "削除", 272, 295, 57, 14),
             Button(2, "終了", 275, 326, 65, 14),
             Button(1035, "新規", 195, 71, 44, 14),
             HiddenButton(1038, "編集", 240, 71, 44, 14),
             HiddenButton(1039, "削除", 285, 71, 44, 14),
         }},
        {100, "設定保守ツール のﾊﾞｰｼﾞｮﾝ情報", 20},
        {131, "新規保守フォルダ作成", "新規保守フォルダ名称"},
    };
    return d;
}
