#!/usr/bin/env bash
# Creates the demo installation: a Wine-style prefix with the host suite's settings,
# the system data of both products (Parcelon for Quillmark, Traversium for Brightfen),
# a removable stick E: with maintenance folders and an empty card reader F:.
#
#   demo/make-prefix.sh OUT_DIR DEMDOC_BINARY
#
# OUT_DIR must not exist or be an empty folder. Nothing outside OUT_DIR is touched.
# Texts are written as CP932 (converted with iconv from this UTF-8 script), INI files
# with CRLF line ends; host file and folder names are UTF-8.
set -Eeuo pipefail

usage() {
    echo "usage: $0 OUT_DIR DEMDOC_BINARY" >&2
    echo "  OUT_DIR        folder for the new prefix; must not exist or be empty" >&2
    echo "  DEMDOC_BINARY  the demdoc tool (build target 'demdoc')" >&2
    exit 2
}

[ $# -eq 2 ] || usage
out_arg=$1
demdoc=$2

if [ -z "$out_arg" ]; then usage; fi
if [ -L "$out_arg" ]; then
    echo "$0: refusing: $out_arg is a symbolic link" >&2
    exit 1
fi
if [ -e "$out_arg" ]; then
    if [ ! -d "$out_arg" ]; then
        echo "$0: refusing: $out_arg exists and is not a folder" >&2
        exit 1
    fi
    if [ -n "$(ls -A -- "$out_arg")" ]; then
        echo "$0: refusing: $out_arg is not empty" >&2
        exit 1
    fi
fi
if [ ! -f "$demdoc" ] || [ ! -x "$demdoc" ]; then
    echo "$0: $demdoc is not an executable file" >&2
    exit 1
fi
case "$demdoc" in /*) ;; *) demdoc="$PWD/$demdoc" ;; esac

mkdir -p -- "$out_arg"
OUT=$(cd -- "$out_arg" && pwd -P)
trap 'echo "$0: failed; the incomplete prefix at $OUT must be removed before trying again" >&2' ERR

# ---------------------------------------------------------------------------
# Helpers

# Host path of a Windows path on one of the prefix's drive folders:
# "C:\ORBIS\SYSDATA" -> "$OUT/drive_c/ORBIS/SYSDATA".
hp() {
    local win=$1
    local letter=${win:0:1}
    local rest=${win:2}
    letter=${letter,,}
    rest=${rest//\\//}
    printf '%s/drive_%s%s' "$OUT" "$letter" "$rest"
}

# Reads UTF-8 lines on stdin and writes them as CP932 with CRLF line ends to the
# Windows path $1, making its folders. iconv fails on any character CP932 lacks.
put_text() {
    local host
    host=$(hp "$1")
    mkdir -p -- "$(dirname -- "$host")"
    local line
    while IFS= read -r line || [ -n "$line" ]; do
        printf '%s\r\n' "$line"
    done | iconv -f UTF-8 -t CP932 >"$host"
}

mkdir_win() {
    mkdir -p -- "$(hp "$1")"
}

# A small settings file whose text says what it is and where this copy lives.
# $1 Windows path, $2 product, $3 data set name, $4 which copy ("システム" or the
# maintenance folder), further arguments are extra body lines.
data_file() {
    local win=$1 product=$2 dataset=$3 copy=$4
    shift 4
    local file=${win##*\\}
    {
        echo "; ${product} 設定データ: ${dataset}"
        echo "; ファイル: ${file}"
        echo "; 保管場所: ${copy}"
        echo "[内容]"
        local line
        for line in "$@"; do echo "$line"; done
    } | put_text "$win"
}

# ---------------------------------------------------------------------------
# The prefix: drives and their types

mkdir -p -- "$OUT/dosdevices" "$OUT/drive_c/windows" "$OUT/drive_e"
ln -s ../drive_c "$OUT/dosdevices/c:"
ln -s ../drive_e "$OUT/dosdevices/e:"
# F: is a card reader without a card: its target does not exist.
ln -s ../drive_f "$OUT/dosdevices/f:"
ln -s / "$OUT/dosdevices/z:"

{
    printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n'
    printf '[Software\\\\Wine\\\\Drives] 1700000000\n#time=1d9c0000000000\n'
    printf '"e:"="floppy"\n'
    printf '"f:"="floppy"\n'
    printf '\n'
} >"$OUT/system.reg"

printf 'SETTINGS_USB\n' >"$OUT/drive_e/.windows-label"

# ---------------------------------------------------------------------------
# The host suite's settings file and its data root

put_text 'C:\windows\ORBIS.INI' <<'EOF'
[OrbisPath]
10000=C:\ORBIS\SYSDATA
10003=C:\ORBIS\SYSDATA\SYSTEM
[System]
DataRoot=C:\ORBIS\SYSDATA
DocTemp=C:\ORBIS\TEMP
EOF
mkdir_win 'C:\ORBIS\TEMP'

put_text 'C:\ORBIS\SYSDATA\Copyright.ini' <<'EOF'
[QUILLMARK]
NAME=Quillmark 設定保守ツール
VERSION=Version 1.00.00
COPYRIGHT1=Copyright (C) 2026 設定保守ツール開発グループ
COPYRIGHT2=Parcelon 設定データ保守用
[BRIGHTFEN]
NAME=Brightfen 設定保守ツール
VERSION=Version 1.00.00
COPYRIGHT1=Copyright (C) 2026 設定保守ツール開発グループ
COPYRIGHT2=Traversium 設定データ保守用
EOF

# ---------------------------------------------------------------------------
# Catalogue of Parcelon (Quillmark): JDTKANRI.JYO
#
#  0 シンボル定義            *.SYM in the folder and in \USER
#  1 線種定義                LINE??.DAT
#  2 表示設定                folder 表示設定 (表 = 95 5C), *.INI and *.DAT
#  3 ﾃﾝﾌﾟﾚｰﾄ                *.* in the folder, \A4 and \A3
#  4 図面属性(レイヤ・線)    STANDARD.DEM, TYPE 2 / TYPEINDEX 0 (carry-over kind 1)
#  5 図面属性(文字)          STANDARD.DEM, TYPE 2 / TYPEINDEX 1 (kind 2)
#  6 図面属性(寸法)          STANDARD.DEM, TYPE 2 / TYPEINDEX 2 (kind 3)
#  7 座標系設定              *.CRD and *.PRM
#  8 ソフトキー設定          (ソ = 83 5C) kept under \KEY\ソフトキー in a maintenance folder
#  9 外部連携設定            system folder missing

put_text 'C:\ORBIS\SYSDATA\SYSTEM\JDTKANRI.JYO' <<'EOF'
[データ数]
MAX=10
[データ名称]
0=シンボル定義
1=線種定義
2=表示設定
3=ﾃﾝﾌﾟﾚｰﾄ
4=図面属性(レイヤ・線)
5=図面属性(文字)
6=図面属性(寸法)
7=座標系設定
8=ソフトキー設定
9=外部連携設定
[0]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\SYMBOL
BPATH=\USERDATA\SYMBOL
CNT=1
NAME0=\*.SYM
CNT2=2
DIRECT0=
DIRECT1=\USER
[1]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\LINE
BPATH=\USERDATA\LINE
CNT=1
NAME0=\LINE??.DAT
CNT2=1
DIRECT0=
[2]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\表示設定
BPATH=\USERDATA\表示設定
CNT=2
NAME0=\*.INI
NAME1=\*.DAT
CNT2=1
DIRECT0=
[3]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\TEMPLATE
BPATH=\USERDATA\TEMPLATE
CNT=1
NAME0=\*.*
CNT2=3
DIRECT0=
DIRECT1=\A4
DIRECT2=\A3
[4]
TYPE=2
TYPEINDEX=0
PATH=\USERDATA\DOC
BPATH=\USERDATA\DOC
CNT=1
NAME0=\STANDARD.DEM
CNT2=1
DIRECT0=
[5]
TYPE=2
TYPEINDEX=1
PATH=\USERDATA\DOC
BPATH=\USERDATA\DOC
CNT=1
NAME0=\STANDARD.DEM
CNT2=1
DIRECT0=
[6]
TYPE=2
TYPEINDEX=2
PATH=\USERDATA\DOC
BPATH=\USERDATA\DOC
CNT=1
NAME0=\STANDARD.DEM
CNT2=1
DIRECT0=
[7]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\COORD
BPATH=\USERDATA\COORD
CNT=2
NAME0=\*.CRD
NAME1=\*.PRM
CNT2=1
DIRECT0=
[8]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\SOFTKEY
BPATH=\KEY\ソフトキー
CNT=1
NAME0=\*.KEY
CNT2=1
DIRECT0=
[9]
TYPE=0
TYPEINDEX=0
PATH=\USERDATA\LINK
BPATH=\USERDATA\LINK
CNT=1
NAME0=\*.LNK
CNT2=1
DIRECT0=
EOF

# ---------------------------------------------------------------------------
# Catalogue of Traversium (Brightfen): S_JDTKANRI.JYO
#
#  0 観測条件設定            *.OBS
#  1 器械定数                *.INS in the folder and \TS, *.CAL in both
#  2 点名表示設定            folder 表示設定 (表 = 95 5C)
#  3 ﾃﾝﾌﾟﾚｰﾄ(帳票)          *.* in the folder, \A4 and \A3
#  4 計算書属性(線)          TRAVERSE.DEM, TYPE 2 / TYPEINDEX 0 (kind 1)
#  5 計算書属性(文字)        TRAVERSE.DEM, TYPE 2 / TYPEINDEX 1 (kind 2)
#  6 計算書属性(寸法)        TRAVERSE.DEM, TYPE 2 / TYPEINDEX 2 (kind 3)
#  7 ジオイド設定            GEO??.DAT
#  8 ソフトキー設定          (ソ = 83 5C)
#  9 観測機器連携            system folder missing

put_text 'C:\ORBIS\SYSDATA\SYSTEM\S_JDTKANRI.JYO' <<'EOF'
[データ数]
MAX=10
[データ名称]
0=観測条件設定
1=器械定数
2=点名表示設定
3=ﾃﾝﾌﾟﾚｰﾄ(帳票)
4=計算書属性(線)
5=計算書属性(文字)
6=計算書属性(寸法)
7=ジオイド設定
8=ソフトキー設定
9=観測機器連携
[0]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\OBSERVE
BPATH=\TRVDATA\OBSERVE
CNT=1
NAME0=\*.OBS
CNT2=1
DIRECT0=
[1]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\INSTRUMENT
BPATH=\TRVDATA\INSTRUMENT
CNT=2
NAME0=\*.INS
NAME1=\*.CAL
CNT2=2
DIRECT0=
DIRECT1=\TS
[2]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\表示設定
BPATH=\TRVDATA\表示設定
CNT=1
NAME0=\*.INI
CNT2=1
DIRECT0=
[3]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\FORM
BPATH=\TRVDATA\FORM
CNT=1
NAME0=\*.*
CNT2=3
DIRECT0=
DIRECT1=\A4
DIRECT2=\A3
[4]
TYPE=2
TYPEINDEX=0
PATH=\TRVDATA\DOC
BPATH=\TRVDATA\DOC
CNT=1
NAME0=\TRAVERSE.DEM
CNT2=1
DIRECT0=
[5]
TYPE=2
TYPEINDEX=1
PATH=\TRVDATA\DOC
BPATH=\TRVDATA\DOC
CNT=1
NAME0=\TRAVERSE.DEM
CNT2=1
DIRECT0=
[6]
TYPE=2
TYPEINDEX=2
PATH=\TRVDATA\DOC
BPATH=\TRVDATA\DOC
CNT=1
NAME0=\TRAVERSE.DEM
CNT2=1
DIRECT0=
[7]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\GEOID
BPATH=\TRVDATA\GEOID
CNT=1
NAME0=\GEO??.DAT
CNT2=1
DIRECT0=
[8]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\SOFTKEY
BPATH=\TRVDATA\SOFTKEY
CNT=1
NAME0=\*.KEY
CNT2=1
DIRECT0=
[9]
TYPE=0
TYPEINDEX=0
PATH=\TRVDATA\DEVICE
BPATH=\TRVDATA\DEVICE
CNT=1
NAME0=\*.DEV
CNT2=1
DIRECT0=
EOF

# ---------------------------------------------------------------------------
# Plain data files. $1 is the folder holding the data set (the system data root or
# a maintenance folder), $2 the text naming that copy.

parcelon_files() {
    local root=$1 copy=$2 p=Parcelon
    data_file "$root\\USERDATA\\SYMBOL\\BASE.SYM" $p シンボル定義 "$copy" "基準点=BP01" "境界点=KP01"
    data_file "$root\\USERDATA\\SYMBOL\\TREE.SYM" $p シンボル定義 "$copy" "広葉樹=TR01" "針葉樹=TR02"
    data_file "$root\\USERDATA\\SYMBOL\\USER\\USER01.SYM" $p シンボル定義 "$copy" "利用者記号=US01"
    data_file "$root\\USERDATA\\SYMBOL\\USER\\USER02.SYM" $p シンボル定義 "$copy" "利用者記号=US02"
    # Not matched by *.SYM: stays behind.
    data_file "$root\\USERDATA\\SYMBOL\\README.TXT" $p シンボル定義 "$copy" "この説明書は保存対象外です"

    data_file "$root\\USERDATA\\LINE\\LINE01.DAT" $p 線種定義 "$copy" "実線=0.18mm"
    data_file "$root\\USERDATA\\LINE\\LINE02.DAT" $p 線種定義 "$copy" "破線=3.0-1.0"
    data_file "$root\\USERDATA\\LINE\\LINE15.DAT" $p 線種定義 "$copy" "一点鎖線=6.0-1.0-0.5-1.0"
    # Not matched by LINE??.DAT.
    data_file "$root\\USERDATA\\LINE\\LINEMEMO.TXT" $p 線種定義 "$copy" "保存対象外のメモ"

    data_file "$root\\USERDATA\\表示設定\\画面表示.INI" $p 表示設定 "$copy" "背景色=黒" "点名表示=する"
    data_file "$root\\USERDATA\\表示設定\\COLOR.DAT" $p 表示設定 "$copy" "境界線=赤" "道路線=青"

    data_file "$root\\USERDATA\\TEMPLATE\\標準.TPL" $p ﾃﾝﾌﾟﾚｰﾄ "$copy" "用紙=A4 縦"
    data_file "$root\\USERDATA\\TEMPLATE\\A4\\地積測量図.TPL" $p ﾃﾝﾌﾟﾚｰﾄ "$copy" "用紙=A4 横" "縮尺=1/250"
    data_file "$root\\USERDATA\\TEMPLATE\\A4\\FRAME.DAT" $p ﾃﾝﾌﾟﾚｰﾄ "$copy" "図枠=一重線"
    data_file "$root\\USERDATA\\TEMPLATE\\A3\\現況平面図.TPL" $p ﾃﾝﾌﾟﾚｰﾄ "$copy" "用紙=A3 横" "縮尺=1/500"

    data_file "$root\\USERDATA\\COORD\\JGD2011.CRD" $p 座標系設定 "$copy" "測地系=JGD2011" "系番号=9"
    data_file "$root\\USERDATA\\COORD\\PROJECT.PRM" $p 座標系設定 "$copy" "縮尺係数=0.9999"

    data_file "$root\\USERDATA\\SOFTKEY\\F1-F12.KEY" $p ソフトキー設定 "$copy" "F1=点入力" "F2=線入力"
}

parcelon_backup_files() {
    local root=$1 copy=$2 p=Parcelon
    # Data set 8 is kept at \KEY\ソフトキー inside a maintenance folder.
    data_file "$root\\KEY\\ソフトキー\\F1-F12.KEY" $p ソフトキー設定 "$copy" "F1=点検入力" "F2=距離計測"
    # Data set 9 exists only in the maintenance folder.
    data_file "$root\\USERDATA\\LINK\\CAD.LNK" $p 外部連携設定 "$copy" "出力形式=SXF" "文字コード=CP932"
}

traversium_files() {
    local root=$1 copy=$2 p=Traversium
    data_file "$root\\TRVDATA\\OBSERVE\\標準観測.OBS" $p 観測条件設定 "$copy" "対回数=2" "観測差許容=30秒"
    data_file "$root\\TRVDATA\\OBSERVE\\簡易観測.OBS" $p 観測条件設定 "$copy" "対回数=1"

    data_file "$root\\TRVDATA\\INSTRUMENT\\DEFAULT.INS" $p 器械定数 "$copy" "器械高=1.500"
    data_file "$root\\TRVDATA\\INSTRUMENT\\PRISM.CAL" $p 器械定数 "$copy" "プリズム定数=-30mm"
    data_file "$root\\TRVDATA\\INSTRUMENT\\TS\\TS-01.INS" $p 器械定数 "$copy" "機種=TS-01" "最小読定値=1秒"
    data_file "$root\\TRVDATA\\INSTRUMENT\\TS\\TS-01.CAL" $p 器械定数 "$copy" "器械定数=+2mm"

    data_file "$root\\TRVDATA\\表示設定\\点名表示.INI" $p 点名表示設定 "$copy" "点名字高=2.5mm" "点名位置=右上"

    data_file "$root\\TRVDATA\\FORM\\観測手簿.FRM" $p "ﾃﾝﾌﾟﾚｰﾄ(帳票)" "$copy" "様式=観測手簿"
    data_file "$root\\TRVDATA\\FORM\\A4\\計算簿.FRM" $p "ﾃﾝﾌﾟﾚｰﾄ(帳票)" "$copy" "様式=多角計算簿" "用紙=A4"
    data_file "$root\\TRVDATA\\FORM\\A3\\網図.FRM" $p "ﾃﾝﾌﾟﾚｰﾄ(帳票)" "$copy" "様式=多角網図" "用紙=A3"

    data_file "$root\\TRVDATA\\GEOID\\GEO01.DAT" $p ジオイド設定 "$copy" "ジオイドモデル=2011"
    data_file "$root\\TRVDATA\\GEOID\\GEO02.DAT" $p ジオイド設定 "$copy" "補正=する"

    data_file "$root\\TRVDATA\\SOFTKEY\\観測.KEY" $p ソフトキー設定 "$copy" "F1=観測開始" "F5=再観測"
}

parcelon_files 'C:\ORBIS\SYSDATA' 'システム'
traversium_files 'C:\ORBIS\SYSDATA' 'システム'
# Data sets 9 (外部連携設定, 観測機器連携) have no system folder on purpose.

# ---------------------------------------------------------------------------
# Maintenance folders on the stick E:

parc_check='E:\PARC_JDT\2026年12月点検'
parc_site='E:\PARC_JDT\現場A'
trv_move='E:\TRV_JDT\旧PC移行'

# Index file: one "0"/"1" flag per data set, then the count section that the
# program writes when it makes a folder.
index_file() {
    local win=$1
    shift
    {
        echo "[データ存在フラグ]"
        local i=0 f
        for f in "$@"; do
            echo "$i=$f"
            i=$((i + 1))
        done
        echo "[データ存在数]"
        echo "MAX=0"
    } | put_text "$win"
}

# 2026年12月点検 holds data sets 0, 1, 2, 4, 5, 8 and 9 (not 3, 6, 7).
check_copy='保守フォルダ 2026年12月点検'
data_file "$parc_check\\USERDATA\\SYMBOL\\BASE.SYM" Parcelon シンボル定義 "$check_copy" "基準点=BP02 (点検で変更)" "境界点=KP01"
data_file "$parc_check\\USERDATA\\SYMBOL\\USER\\USER01.SYM" Parcelon シンボル定義 "$check_copy" "利用者記号=US01 (点検で変更)"
data_file "$parc_check\\USERDATA\\LINE\\LINE01.DAT" Parcelon 線種定義 "$check_copy" "実線=0.25mm (点検で変更)"
data_file "$parc_check\\USERDATA\\LINE\\LINE02.DAT" Parcelon 線種定義 "$check_copy" "破線=3.0-1.0"
data_file "$parc_check\\USERDATA\\表示設定\\画面表示.INI" Parcelon 表示設定 "$check_copy" "背景色=白 (点検で変更)" "点名表示=する"
data_file "$parc_check\\USERDATA\\表示設定\\COLOR.DAT" Parcelon 表示設定 "$check_copy" "境界線=赤" "道路線=緑 (点検で変更)"
parcelon_backup_files "$parc_check" "$check_copy"
index_file "$parc_check\\JKNDT.INI" 1 1 1 0 1 1 0 0 1 1

# 現場A: made by "新規" and not used yet: every data set absent.
index_file "$parc_site\\JKNDT.INI" 0 0 0 0 0 0 0 0 0 0

# 旧PC移行 holds Traversium data sets 0, 1, 4 and 6.
move_copy='保守フォルダ 旧PC移行'
data_file "$trv_move\\TRVDATA\\OBSERVE\\標準観測.OBS" Traversium 観測条件設定 "$move_copy" "対回数=3 (旧PCの設定)" "観測差許容=20秒"
data_file "$trv_move\\TRVDATA\\INSTRUMENT\\DEFAULT.INS" Traversium 器械定数 "$move_copy" "器械高=1.450 (旧PCの設定)"
data_file "$trv_move\\TRVDATA\\INSTRUMENT\\TS\\TS-02.INS" Traversium 器械定数 "$move_copy" "機種=TS-02 (旧PCの設定)"
data_file "$trv_move\\TRVDATA\\INSTRUMENT\\TS\\TS-02.CAL" Traversium 器械定数 "$move_copy" "器械定数=-1mm (旧PCの設定)"
index_file "$trv_move\\S_JKNDT.INI" 1 1 0 0 1 0 1 0 0 0

# ---------------------------------------------------------------------------
# Documents

# A document with every attribute group filled. Entry labels start with "L<table>-<ii>"
# followed by SEED, so `demdoc dump` shows which copy each group came from.
# $1 Windows path, $2 seed, $3 to $6 counts of tables 341, 269, 265a and 265b,
# $7 the five settings, $8 other attributes, $9 body.
make_document() {
    local host
    host=$(hp "$1")
    mkdir -p -- "$(dirname -- "$host")"
    "$demdoc" create "$host" \
        --fill341 "$3:$2" --fill269 "$4:$2" --fill265a "$5:$2" --fill265b "$6:$2" \
        --settings "$7" --other "$8" --body "$9"
}

# The system's documents, shared by data sets 4, 5 and 6 of each catalogue.
make_document 'C:\ORBIS\SYSDATA\USERDATA\DOC\STANDARD.DEM' SYS-PARC 6 5 12 8 \
    101,102,103,104,105 'other attributes of the system STANDARD.DEM' \
    'STANDARD.DEM drawing body, system copy'
make_document 'C:\ORBIS\SYSDATA\TRVDATA\DOC\TRAVERSE.DEM' SYS-TRV 5 4 10 6 \
    201,202,203,204,205 'other attributes of the system TRAVERSE.DEM' \
    'TRAVERSE.DEM report body, system copy'
# The maintenance folders' copies carry other labels, other settings and other
# bodies; their tables have the same counts as the system's, so a carried-over
# group replaces every entry of its table.
make_document "$parc_check\\USERDATA\\DOC\\STANDARD.DEM" USB-CHECK 6 5 12 8 \
    11,12,13,14,15 'other attributes of the STANDARD.DEM on the stick' \
    'STANDARD.DEM drawing body, copy in 2026-12 check folder'
make_document "$trv_move\\TRVDATA\\DOC\\TRAVERSE.DEM" USB-MOVE 5 4 10 6 \
    21,22,23,24,25 'other attributes of the TRAVERSE.DEM on the stick' \
    'TRAVERSE.DEM report body, copy in old-PC folder'

echo "Demo prefix written to $OUT"
echo "Run:  WINEPREFIX=$OUT <build>/app/quillmark   (or brightfen)"
