// Short constructors for template rows, so that each template reads as a table.
#pragma once

#include "resources/dialog_template.h"

namespace rows {

inline ControlTemplate Group(int id, const char* text, int x, int y, int cx, int cy) {
    return {id, ControlKind::GroupBox, text, x, y, cx, cy};
}
inline ControlTemplate Text(int id, const char* text, int x, int y, int cx, int cy) {
    return {id, ControlKind::Static, text, x, y, cx, cy};
}
inline ControlTemplate CentredText(int id, const char* text, int x, int y, int cx, int cy, bool noPrefix) {
    ControlTemplate c{id, ControlKind::Static, text, x, y, cx, cy};
    c.centred = true;
    c.noPrefix = noPrefix;
    return c;
}
inline ControlTemplate Image(int id, int x, int y, int cx, int cy) {
    return {id, ControlKind::StaticImage, "", x, y, cx, cy};
}
inline ControlTemplate Icon(int x, int y, int cx, int cy) { return {-1, ControlKind::StaticIcon, "", x, y, cx, cy}; }
inline ControlTemplate List(int id, int x, int y, int cx, int cy) {
    return {id, ControlKind::ListView, "", x, y, cx, cy};
}
inline ControlTemplate Button(int id, const char* text, int x, int y, int cx, int cy) {
    return {id, ControlKind::PushButton, text, x, y, cx, cy};
}
inline ControlTemplate DefaultButton(int id, const char* text, int x, int y, int cx, int cy) {
    ControlTemplate c{id, ControlKind::PushButton, text, x, y, cx, cy};
    c.defaultButton = true;
    return c;
}
inline ControlTemplate HiddenButton(int id, const char* text, int x, int y, int cx, int cy) {
    ControlTemplate c{id, ControlKind::PushButton, text, x, y, cx, cy};
    c.visible = false;
    return c;
}
inline ControlTemplate MultiLineButton(int id, const char* text, int x, int y, int cx, int cy) {
    ControlTemplate c{id, ControlKind::PushButton, text, x, y, cx, cy};
    c.multiLine = true;
    return c;
}
inline ControlTemplate Combo(int id, int x, int y, int cx, int cy, bool sorted) {
    ControlTemplate c{id, ControlKind::ComboList, "", x, y, cx, cy};
    c.sorted = sorted;
    return c;
}
inline ControlTemplate DriveCombo(int id, int x, int y, int cx, int cy) {
    return {id, ControlKind::ComboOwnerDraw, "", x, y, cx, cy};
}
inline ControlTemplate Edit(int id, int x, int y, int cx, int cy) { return {id, ControlKind::Edit, "", x, y, cx, cy}; }

}  // namespace rows
