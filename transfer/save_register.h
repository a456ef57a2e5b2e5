// The user's two operations, save ("→保存→") and register ("←登録←"), free of any
// widget, so that every front end runs them with the same steps and messages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "transfer/restore_point.h"
#include "transfer/transfer_engine.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_lock.h"

// The dialog's two panes: the system's data sets and the maintenance folder's.
enum class Pane { System, External };
inline constexpr Pane OtherPane(Pane p) { return p == Pane::System ? Pane::External : Pane::System; }

// What the operations need of their front end beyond a transfer.
class OperationHost : public TransferHost {
public:
    // Puts `name` (CP932) into the maintenance folder box as its text.
    virtual void SetFolderName(const std::string& name) = 0;
    // Forgets the external root: no drive is chosen.
    virtual void ClearExternalRoot() = 0;
    // Reloads one pane and the free-space texts.
    virtual void RefreshPane(Pane pane) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Tells the user how a transfer that ran ended (CP932, several lines), in a
    // way that asks for no answer. A stopped transfer's outcome comes as a message.
    virtual void ShowOutcome(const std::string& text) { (void)text; }
    // How long an operation waits for a maintenance folder or installation that
    // another run holds: 0 says so at once (the dialog), kLockWaitForever waits
    // until it is free; the cancel flag ends a wait. Seconds.
    virtual int LockWaitSeconds() const { return 0; }
    // A save has marked these data sets (catalogue indexes) as held in the
    // folder's index file; the other sets it listed are not marked.
    virtual void DataSetsMarked(const std::vector<int>& sets) { (void)sets; }
    // An operation's own file work beside the copy (listing the files, keeping a
    // restore point, rewriting the index file): a front end may run it on another
    // thread and serve its events meanwhile, its controls locked, the messages it
    // asks for shown once it has ended.
    virtual void RunAside(const std::function<void()>& work) { work(); }
};

// A stop box (OK only) with `caption`: what ended an operation.
void ShowStopMessage(OperationHost& host, std::string text, const std::string& caption);

// Saves the data sets selected in the system list into the maintenance folder
// named by the folder box on the current drive, and marks them in the folder's
// index file once every file is written. Ends with a refresh of the external
// pane, unless it stops before anything is asked of the drive's folders (no
// drive, no medium).
void RunSave(TransferEngine& engine, const TransferContext& context, OperationHost& host);

// Registers the data sets selected in the external list from the maintenance
// folder into the system. Ends with a refresh of the system pane. *made (when
// given) gets the restore point this register kept; its id is empty when none.
void RunRegister(TransferEngine& engine, const TransferContext& context, OperationHost& host,
                 RestorePoint* made = nullptr);

// The program's own settings file decides verification and restore points; read
// at every transfer, so an edit needs no restart. `program`: "Quillmark".
void ApplyToolSettings(TransferContext& context, const std::string& program);
