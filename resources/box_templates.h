// The about box and the new folder dialog are laid out alike in both programs;
// what differs (template ID, caption, control IDs, the icon's size, the group's
// text) is each program's data. These turn that data into the dialog templates.
#pragma once

#include "resources/dialog_template.h"

// Control IDs of the about box (template 100).
struct AboutIds {
    int name, version, copyright1, copyright2;
};

// Control IDs of the new folder dialog (template 131).
struct NewFolderIds {
    int edit, ok, cancel, help;
};

struct AboutBox {
    int id;               // 100
    const char* caption;  // UTF-8
    int iconSize;         // the icon's square, dialog units
};

struct NewFolderBox {
    int id;                 // 131
    const char* caption;    // UTF-8
    const char* groupText;  // the name field's frame
};

DialogTemplate AboutTemplate(const AboutBox& box, const AboutIds& ids);
DialogTemplate NewFolderTemplate(const NewFolderBox& box, const NewFolderIds& ids);
