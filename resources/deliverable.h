// Everything that differs between the two deliverables, as data.
#pragma once

#include "catalogue/product_files.h"
#include "resources/dialog_template.h"

// Control IDs of the main dialog (template 102).
struct MainDialogIds {
    int listSystem, listExternal, labelDrive, comboDrive, comboFolder;
    int freeSystem, freeExternal;  // the external text is freeSystem + 1
    int save, registerButton, toggleSystem, toggleExternal, newFolder;
    int editHidden, deleteHidden, listDeleteHidden;
    int exit;
};

// Control IDs of the about box (template 100).
struct AboutIds {
    int name, version, copyright1, copyright2;
};

// Control IDs of the new folder dialog (template 131).
struct NewFolderIds {
    int edit, ok, cancel, help;
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
    DialogTemplate mainDialog;       // 102
    DialogTemplate aboutDialog;      // 100
    DialogTemplate newFolderDialog;  // 131
};

const Deliverable& QuillmarkDeliverable();
const Deliverable& BrightfenDeliverable();

// Path of the application icon (icon 128) in the Qt resources.
const char* ApplicationIconPath();
