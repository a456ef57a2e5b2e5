// Drives the main dialog the way its user does: a button pressed, a drive or a
// folder chosen from its box, an entry of the system menu picked. A button or
// entry the user could not press (disabled, missing) fails the test instead.
#pragma once

struct MainDialogIds;
class CMaintenanceDlg;

void Press(CMaintenanceDlg& dialog, int id);
void ChooseDrive(CMaintenanceDlg& dialog, const MainDialogIds& ids, char letter);
void ChooseFolder(CMaintenanceDlg& dialog, const MainDialogIds& ids, int index);
// objectName of the entry: "aboutEntry", "undoRegisterEntry", "restorePointsEntry".
void PickMenuEntry(CMaintenanceDlg& dialog, const char* objectName);
