#include "transfer/undo_register.h"

#include <vector>

#include "transfer/safety_texts.h"
#include "transfer/transfer_texts.h"

namespace {
MsgAnswer Show(OperationHost& host, std::string text, MsgButtons buttons, MsgIcon icon,
               const std::string& caption = transfer_texts::CaptionRegister()) {
    UserMessage message;
    message.text = std::move(text);
    message.caption = caption;
    message.buttons = buttons;
    message.icon = icon;
    return host.ShowMessage(message);
}
}  // namespace

bool KeepRestorePoint(const TransferEngine& engine, const TransferContext& context, const std::string& folder,
                      OperationHost& host, RestorePoint* made) {
    if (made) *made = RestorePoint();
    if (context.restoreRoot.empty() || context.keepRestorePoints <= 0) return true;
    std::vector<std::string> destinations;
    destinations.reserve(engine.FileCount());
    for (uint32_t i = 0; i < engine.FileCount(); ++i) destinations.push_back(engine.List().Row(i).destination);
    RestorePointStore store(context.restoreRoot, context.systemRoot);
    std::string failedPath;
    RestorePoint point;
    const int err = store.Create(destinations, folder, &point, &failedPath);
    if (err == RestorePointStore::kDestinationUnwritable) {
        // The copy could not write it either: its own message, not the store's.
        Show(host, transfer_texts::WriteError(), MsgButtons::Ok, MsgIcon::Stop, transfer_texts::CaptionMaintenance());
        return false;
    }
    if (err != 0) {
        Show(host, safety_texts::RestorePointFailed(context.restoreRoot, err, failedPath), MsgButtons::Ok,
             MsgIcon::Stop);
        return false;
    }
    store.Prune(context.keepRestorePoints);
    if (made) *made = std::move(point);
    return true;
}

bool RunUndoRegister(RestorePointStore& store, const RestorePoint& point, OperationHost& host,
                     const std::string& lockFolder) {
    if (const UndoResult check = store.Check(point.id); check.refused) {
        Show(host, safety_texts::UndoRefused(point.id, check.failedPath), MsgButtons::Ok, MsgIcon::Stop);
        return false;
    }
    // Nothing is asked while another register or undo changes the installation.
    OperationLock lock = OperationLock::ForInstallation(lockFolder, host, transfer_texts::CaptionRegister());
    if (!lock.Proceed()) return false;
    if (Show(host, safety_texts::ConfirmUndo(point.createdUnix, point.folder, point.files.size()), MsgButtons::OkCancel,
             MsgIcon::Question) != MsgAnswer::Ok)
        return false;
    host.BeginWaitCursor();
    host.SetTransferBusy(true);
    const UndoResult result = store.Undo(point.id);
    host.SetTransferBusy(false);
    host.RefreshPane(Pane::System);
    host.EndWaitCursor();
    if (result.refused)  // changed since the check
        Show(host, safety_texts::UndoRefused(point.id, result.failedPath), MsgButtons::Ok, MsgIcon::Stop);
    else if (result.ok)
        Show(host, safety_texts::UndoDone(point.createdUnix, point.folder, result.restored, result.removed),
             MsgButtons::Ok, MsgIcon::None);
    else
        Show(host, safety_texts::UndoFailed(result.failedPath, result.error), MsgButtons::Ok, MsgIcon::Stop);
    return result.ok;
}
