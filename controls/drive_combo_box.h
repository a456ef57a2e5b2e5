// The drop-down list of the machine's drives: each entry is the drive's small
// shell icon and the shell's display name of its root. Every entry the program
// adds carries a record (DriveComboItem), held by value in the list's own model;
// callers that use the item-data calls see only their own data, as with a plain
// combo box.
//
// The control behaves as a Windows drop-down list that is owner-drawn with fixed
// heights and holds no strings of its own; the calls are named for the combo box
// messages and answer what those answer (CB_ERR, CB_ERRSPACE).
#pragma once

#include <QComboBox>
#include <QMetaType>
#include <optional>
#include <string>

#include "controls/drop_down_combo_box.h"
#include "platform/drive_letter.h"
#include "platform/win32.h"

#ifndef CB_ERR
#define CB_ERR (-1)
#endif
#ifndef CB_ERRSPACE
#define CB_ERRSPACE (-2)
#endif

class CSysImageList;
class QPainter;

// What an entry holds besides the caller's data; a plain value kept in the model.
struct DriveComboItem {
    std::optional<platform::DriveLetter> drive;  // none until a drive fills the record in
    std::string displayName;                     // the shell's display name of the root (CP932)
    DWORD driveType = 0;                         // GetDriveTypeA of the root; kept for callers, not consulted
    int icon = -1;                               // index into the small drive icon list
    qintptr callerData = 0;                      // what the item-data calls set and read
};
Q_DECLARE_METATYPE(DriveComboItem)

class CDriveComboBox : public CDropDownComboBox {
    Q_OBJECT
public:
    explicit CDriveComboBox(QWidget* parent = nullptr);

    // ---- drives ----
    // Empties the list and adds every logical drive, A: to Z:, in letter order.
    void FillDrives();
    // Adds `drive`; answers the new index, CB_ERR when the shell knows no such
    // drive (nothing is added), or the list's own error.
    int AddDrive(platform::DriveLetter drive);
    // The drive of entry `index`; none for a bad index or an entry that holds no drive.
    std::optional<platform::DriveLetter> GetItemDrive(int index) const;
    // First entry, from index 0, holding `drive`; -1 if none (always for no drive).
    int FindDrive(std::optional<platform::DriveLetter> drive) const;
    // Smallest height an entry may have: the small icon height + 1.
    int GetMinItemHeight() const;

    // ---- combo box messages ----
    // CB_ADDSTRING: appends an entry whose caller data is `callerData`.
    int AddString(qintptr callerData);
    // CB_INSERTSTRING: the position is not used; the entry is appended like AddString.
    int InsertString(int index, qintptr callerData);
    // CB_GETITEMDATA: the caller's data of the entry (0 for an entry without record),
    // CB_ERR for a bad index.
    qintptr GetItemData(int index) const;
    // CB_SETITEMDATA: 0 on success, CB_ERR for a bad index.
    int SetItemData(int index, qintptr callerData);
    // CB_FINDSTRING, CB_FINDSTRINGEXACT: first entry from `start` (-1: from 0) to
    // the last whose caller data equals `itemData`; CB_ERR if none. No wrap-around.
    int FindString(int start, qintptr itemData) const;
    int FindStringExact(int start, qintptr itemData) const;
    // CB_SELECTSTRING: FindString, then selects the entry found; when none is found
    // the answer is CB_ERR and the selection stays as it was.
    int SelectString(int start, qintptr itemData);
    // CB_SETITEMHEIGHT: index -1 is the selection field, any other index the list
    // entries (all of one height). Heights below GetMinItemHeight are raised to it.
    int SetItemHeight(int index, int height);
    // CB_GETITEMHEIGHT.
    int GetItemHeight(int index) const;
    // CB_GETCURSEL, CB_SETCURSEL (-1 or a bad index clears the selection, CB_ERR).
    int GetCurSel() const { return currentIndex(); }
    int SetCurSel(int index);
    // CB_GETCOUNT, CB_DELETESTRING (answers the remaining count, or CB_ERR), CB_RESETCONTENT.
    int GetCount() const { return count(); }
    int DeleteString(int index);
    void ResetContent();

    // An entry's record; none for a bad index or an entry Qt's own calls added.
    std::optional<DriveComboItem> ItemRecord(int index) const;

    // Paints one entry (-1: none) into `rect` as the list and the selection field
    // show it.
    virtual void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focus) const;

    // The icons come from the program's list unless another one is given (tests);
    // the entry heights are set again for its icon size.
    void SetImageList(const CSysImageList* list);
    const CSysImageList& Images() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class DriveItemDelegate;

    // Role under which an entry keeps its record in the model; callers' Qt item
    // data (Qt::UserRole) stays untouched.
    static constexpr int kRecordRole = Qt::UserRole + 0x5D1;

    // The record of an entry; *bad is set for an index outside the list.
    std::optional<DriveComboItem> Record(int index, bool* bad = nullptr) const;
    [[nodiscard]] bool StoreRecord(int index, const DriveComboItem& record);
    // Appends an entry holding `record`; its index, or CB_ERR.
    [[nodiscard]] int AddRecord(const DriveComboItem& record);
    void SetHeights();

    int m_fieldHeight = 0;     // the selection field
    int m_listItemHeight = 0;  // each entry of the drop-down list
    const CSysImageList* m_pImages = nullptr;
};
