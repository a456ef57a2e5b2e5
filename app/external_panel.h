// The right pane of the main dialog: the drive box, the maintenance folder box, the
// list of what the chosen folder holds and the free-space text of its drive. The
// controls come from the dialog's template; the pane keeps their state (the root,
// the chosen folder, the folder's present flags) and refills them.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/list_pane.h"
#include "platform/drive_letter.h"

class CDriveComboBox;
class QComboBox;
struct Deliverable;

class ExternalPanel : public ListPane {
public:
    ExternalPanel(const Deliverable& deliverable, CDriveComboBox* driveBox, QComboBox* folderBox, CDataListCtrl* list,
                  QLabel* freeSpace);

    // The maintenance root of the chosen drive ("E:\PARC_JDT"), empty with no drive.
    const std::string& Root() const { return m_strRoot; }
    void ClearRoot() { m_strRoot.clear(); }
    // The folder box's chosen entry, kept across refills.
    int FolderSel() const { return m_nFolderSel; }
    void SetFolderSel(int index) { m_nFolderSel = index; }

    // Fills the drive box and chooses `drive` in it; the root follows.
    void FillDrives(std::optional<platform::DriveLetter> drive);
    // The root of the drive chosen in the drive box.
    void UpdateRoot();
    // The drive box's drive; none with no entry chosen.
    std::optional<platform::DriveLetter> CurrentDrive() const;
    // The user chose a folder in the box.
    void OnFolderChosen();

    // Refills the folder box from the root and chooses the kept entry again.
    void ReloadFolders();
    // Inserts a folder's box text where a sorted box would; returns its position.
    int AddFolderSorted(const QString& name);
    void RemoveFolder(int position);
    void SelectFolder(int index);
    // Sets the folder box's text as a drop-down list shows it: the matching entry
    // is selected, else the text stands in the empty field until the next refill.
    void SetFolderText(const std::string& cp932);
    // The folder box's text (CP932), or the text set into it with no entry behind it.
    std::string FolderName() const;

    // Room for one present flag per data set of the catalogue (null with none).
    void HoldPresence(std::unique_ptr<int32_t[]> presence, int32_t count);
    // The chosen folder's present flags, as its index file read at the last load.
    const int32_t* Presence() const { return m_pPresence.get(); }
    // Reads the chosen folder's index file into the present flags and lists what it
    // holds. Returns the index file's path when it was refused for its size
    // (nothing read, nothing listed), else an empty string.
    std::string LoadList(const std::string& catalogPath);

private:
    const Deliverable& m_deliverable;
    CDriveComboBox* m_pDriveBox;
    QComboBox* m_pFolderBox;
    std::string m_strRoot;
    int m_nFolderSel = 0;
    std::string m_strFolderOverride;  // text set into the field with no entry behind it
    bool m_bHasFolderOverride = false;
    int32_t m_nDataCount = 0;
    std::unique_ptr<int32_t[]> m_pPresence;
};
