// Dialog templates as data: every control with its class, text, style and
// rectangle in dialog units, listed in tab order.
#pragma once

#include <vector>

enum class ControlKind {
    GroupBox,
    Static,       // text
    StaticImage,  // static drawn by its owner, image centred vertically (drive label)
    StaticIcon,   // the program icon
    ListView,     // report view, multiple selection, selection always shown
    PushButton,
    ComboList,       // drop-down list
    ComboOwnerDraw,  // drop-down list, owner-drawn fixed (drive combo box)
    Edit,
};

struct ControlTemplate {
    int id;  // -1 for controls nobody addresses
    ControlKind kind;
    const char* text;  // UTF-8; '&' marks an accelerator unless noPrefix
    int x, y, cx, cy;  // dialog units
    bool visible = true;
    bool multiLine = false;  // push button text wraps
    bool sorted = false;     // combo box sorts its entries
    bool defaultButton = false;
    bool centred = false;   // static text centred
    bool noPrefix = false;  // '&' is shown as is
};

struct DialogTemplate {
    int id;
    const char* caption;                    // UTF-8
    const char* fontFace;                   // "ＭＳ ゴシック"
    int fontPoints;                         // 9
    int cx, cy;                             // dialog units
    std::vector<ControlTemplate> controls;  // in tab order
};
