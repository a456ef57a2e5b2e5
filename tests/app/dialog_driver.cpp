#include "tests/app/dialog_driver.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <memory>

#include "app/maintenance_dlg.h"
#include "controls/drive_combo_box.h"
#include "resources/deliverable.h"
#include "tests/app/maintenance_dlg_probe.h"

void Press(CMaintenanceDlg& dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
    if (!button || !button->isEnabled()) {
        ADD_FAILURE() << "button " << id << (button ? " is disabled" : " does not exist");
        return;
    }
    button->click();
}

void ChooseDrive(CMaintenanceDlg& dialog, const MainDialogIds& ids, char letter) {
    auto* combo = qobject_cast<CDriveComboBox*>(dialog.GetDlgItem(ids.comboDrive));
    ASSERT_NE(combo, nullptr);
    const int index = combo->FindDrive(platform::DriveLetter::FromLetter(letter));
    ASSERT_GE(index, 0) << "no drive " << letter << ": in the box";
    combo->SetCurSel(index);
    // What a click on the entry in the open list sends.
    emit combo->activated(index);
}

void ChooseFolder(CMaintenanceDlg& dialog, const MainDialogIds& ids, int index) {
    auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(ids.comboFolder));
    ASSERT_NE(combo, nullptr);
    ASSERT_LT(index, combo->count());
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void PickMenuEntry(CMaintenanceDlg& dialog, const char* objectName) {
    const std::unique_ptr<QMenu> menu(CMaintenanceDlgTestProbe(dialog).BuildSystemMenu());
    QAction* action = menu->findChild<QAction*>(QString::fromUtf8(objectName));
    if (!action || !action->isEnabled()) {
        ADD_FAILURE() << "menu entry " << objectName << (action ? " is disabled" : " does not exist");
        return;
    }
    action->trigger();
}
