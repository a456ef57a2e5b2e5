// What the transfer logic needs of its front end (the main dialog, or another).
#pragma once

#include <string>

#include "transfer/user_message.h"

class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual bool IsSystemRowSelected(int row) const = 0;
    virtual bool IsExternalRowSelected(int row) const = 0;
    // Text of the maintenance folder combo box (CP932), empty when none.
    virtual std::string FolderName() const = 0;
    // Drive number of the drive combo box's current entry, -1 when none.
    virtual int CurrentDrive() const = 0;
    virtual MsgAnswer ShowMessage(const UserMessage& message) = 0;
    // Lets queued events through (repaint, input to enabled windows); a request
    // to quit is dropped.
    virtual void ProcessPendingEvents() = 0;
    // Disables (true) or enables (false) the controls a transfer locks.
    virtual void SetTransferBusy(bool busy) = 0;
};
