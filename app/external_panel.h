// The right pane of the main dialog: the drive box, the maintenance folder box and
// the list of what the chosen folder holds. The controls come from the dialog's
// template; the pane keeps their state (the root, the chosen folder) and refills
// them. The free-space texts of both panes stay with the dialog.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

class CDataListCtrl;
class CDriveComboBox;
class QComboBox;
struct Deliverable;

class ExternalPanel {
public:
    ExternalPanel(const Deliverable& deliverable, CDriveComboBox* driveBox, QComboBox* folderBox, CDataListCtrl* list);

    // The maintenance root of the chosen drive ("E:\PARC_JDT"), empty with no drive.
    const std::string& Root() const { return m_root; }
    void ClearRoot() { m_root.clear(); }
    // The folder box's chosen entry, kept across refills.
    int FolderSel() const { return m_folderSel; }
    void SetFolderSel(int index) { m_folderSel = index; }

    // Fills the drive box and chooses `drive` in it; the root follows.
    void FillDrives(int drive);
    // The root of the drive chosen in the drive box.
    void UpdateRoot();
    // The drive box's drive number, -1 with none.
    int CurrentDrive() const;
    // The user chose a folder in the box.
    void OnFolderChosen();

    // Refills the folder box from the root and chooses the kept entry again.
    void ReloadFolders();
    // Adds the root's folders to `combo` (the folder box sorted, any other as found).
    int EnumFolders(QComboBox& combo);
    // Inserts a folder's box text where a sorted box would; returns its position.
    int AddFolderSorted(const QString& name);
    void RemoveFolder(int position);
    void SelectFolder(int index);
    // Sets the folder box's text as a drop-down list shows it: the matching entry
    // is selected, else the text stands in the empty field until the next refill.
    void SetFolderText(const std::string& cp932);
    // The folder box's text (CP932), or the text set into it with no entry behind it.
    std::string FolderName() const;

    // Reads the chosen folder's index file into `presence` (one flag per data set)
    // and lists what it holds. Returns the index file's path when it was refused
    // for its size (nothing read, nothing listed), else an empty string.
    std::string LoadList(const std::string& catalogPath, int32_t count, int32_t* presence);
    bool IsRowSelected(int row) const;
    CDataListCtrl& List() const { return *m_list; }

private:
    const Deliverable& m_deliverable;
    CDriveComboBox* m_driveBox;
    QComboBox* m_folderBox;
    CDataListCtrl* m_list;
    std::string m_root;
    int m_drive = -1;
    int m_folderSel = 0;
    std::string m_folderOverride;  // text set into the field with no entry behind it
    bool m_hasFolderOverride = false;
};
