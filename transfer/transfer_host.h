// What the transfer logic needs of its front end (the main dialog, or another).
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "platform/drive_letter.h"
#include "transfer/transfer_progress.h"
#include "transfer/user_message.h"

class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual bool IsSystemRowSelected(int row) const = 0;
    virtual bool IsExternalRowSelected(int row) const = 0;
    // Text of the maintenance folder combo box (CP932), empty when none.
    virtual std::string FolderName() const = 0;
    // The drive of the drive combo box's current entry; none without one.
    virtual std::optional<platform::DriveLetter> CurrentDrive() const = 0;
    virtual MsgAnswer ShowMessage(const UserMessage& message) = 0;
    // Lets queued events through (repaint, input to enabled windows); a request
    // to quit is dropped.
    virtual void ProcessPendingEvents() = 0;
    // Disables (true) or enables (false) the controls a transfer locks.
    virtual void SetTransferBusy(bool busy) = 0;

    // Where a transfer reports its totals and progress; null: nobody watches.
    virtual TransferObserver* Observer() { return nullptr; }
    // Set (from any thread) to stop a transfer between files or inside one; null:
    // it cannot be stopped.
    virtual const std::atomic<bool>* CancelFlag() { return nullptr; }
    // Runs the copying part of a transfer and returns its result. A front end that
    // must stay live runs `copy` on another thread and serves its events until it
    // ends. While `copy` runs elsewhere, the other functions of this host may be
    // called from that thread: ShowMessage must then answer without a window
    // (collect the message and show it afterwards) and ProcessPendingEvents do
    // nothing. The default runs it here.
    virtual TransferResult RunCopy(const std::function<TransferResult()>& copy) { return copy(); }
};
