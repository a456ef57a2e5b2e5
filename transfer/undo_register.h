// The register's safety net as user operations: keeping a restore point before a
// register, and undoing a register from its restore point, free of any widget.
#pragma once

#include <string>

#include "transfer/restore_point.h"
#include "transfer/save_register.h"

// Keeps the current bytes of every destination of the engine's list in a new
// restore point of context.restoreRoot, then prunes to context.keepRestorePoints.
// True when the register may go on (also when restore points are off); false
// after a stop message when the point cannot be made: nothing has been touched.
// A destination that is a folder, a device or a link stops it with the transfer's
// write error, as the copy would; a failure of the store with the restore-point
// message. `folder`: the maintenance folder registered from (CP932 Windows path).
// *made (when given) gets the point made; its id stays empty when none was.
[[nodiscard]] bool KeepRestorePoint(const TransferEngine& engine, const TransferContext& context,
                                    const std::string& folder, OperationHost& host, RestorePoint* made = nullptr);

// Asks to undo the register of `point` (time, folder, file count), puts the
// files back, refreshes the system pane and says what was restored or what
// stopped the undo. A point the store does not trust is refused before the
// question, touching nothing. True when the point was undone. Holds the
// installation's lock in `lockFolder` (context.lockFolder; empty: none) from
// first to last.
bool RunUndoRegister(RestorePointStore& store, const RestorePoint& point, OperationHost& host,
                     const std::string& lockFolder);
