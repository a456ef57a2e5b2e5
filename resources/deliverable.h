// Everything that differs between the two deliverables, as data.
#pragma once

#include "catalogue/product_files.h"
#include "resources/box_templates.h"
#include "resources/dialog_template.h"

// Control IDs of the main dialog (template 102).
struct MainDialogIds {
    int listSystem, listExternal, labelDrive, comboDrive, comboFolder;
    int freeSystem, freeExternal;  // the external text is freeSystem + 1
    int save, registerButton, toggleSystem, toggleExternal, newFolder;
    int editHidden, deleteHidden, listDeleteHidden;
    int exit;
};

struct Deliverable {
    const char* programName;  // "Quillmark": caption of the application's boxes
    const char* productName;  // "Parcelon"
    ProductFiles files;
    const char* copyrightSection;  // section of "Copyright.ini"
    const char* aboutMenuText;     // string 101; empty leaves the menu entry out
    MainDialogIds ids;
    AboutIds aboutIds;
    NewFolderIds newFolderIds;
    DialogTemplate mainDialog;     // 102
    AboutBox aboutDialog;          // 100: AboutTemplate builds it
    NewFolderBox newFolderDialog;  // 131: NewFolderTemplate builds it
};

const Deliverable& QuillmarkDeliverable();
const Deliverable& BrightfenDeliverable();

// Path of the application icon (icon 128) in the Qt resources.
const char* ApplicationIconPath();
