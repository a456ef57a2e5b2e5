#include "resources/box_templates.h"

#include <utility>

#include "resources/template_rows.h"

using namespace rows;

namespace {

DialogTemplate Box(int id, const char* caption, int cx, int cy, std::vector<ControlTemplate> controls) {
    return {id, caption, "ＭＳ ゴシック", 9, cx, cy, std::move(controls)};
}

}  // namespace

DialogTemplate AboutTemplate(const AboutBox& box, const AboutIds& ids) {
    return Box(box.id, box.caption, 245, 85,
               {
                   Icon(10, 6, box.iconSize, box.iconSize),
                   CentredText(ids.name, "設定保守ツール", 31, 11, 185, 8, true),
                   CentredText(ids.version, "Version 1.00.00", 31, 24, 185, 8, true),
                   CentredText(ids.copyright1, "Copyright (C)", 31, 37, 185, 8, false),
                   CentredText(ids.copyright2, "All rights reserved.", 31, 50, 185, 8, false),
                   DefaultButton(1, "OK", 98, 65, 50, 14),
               });
}

DialogTemplate NewFolderTemplate(const NewFolderBox& box, const NewFolderIds& ids) {
    return Box(box.id, box.caption, 185, 55,
               {
                   Group(-1, box.groupText, 7, 3, 171, 31),
                   Edit(ids.edit, 16, 16, 154, 14),
                   DefaultButton(ids.ok, "OK", 24, 37, 50, 14),
                   Button(ids.cancel, "ｷｬﾝｾﾙ", 76, 37, 50, 14),
                   Button(ids.help, "ﾍﾙﾌﾟ", 128, 37, 50, 14),
               });
}
