#include "transfer/save_register.h"

#include <algorithm>
#include <vector>

#include "catalogue/folder_index_file.h"
#include "platform/drive_letter.h"
#include "platform/win32.h"
#include "transfer/maintenance_folder.h"
#include "transfer/tool_settings.h"
#include "transfer/transfer_texts.h"
#include "transfer/undo_register.h"
#include "transfer/user_checks.h"

namespace {
MsgAnswer Ask(OperationHost& host, std::string text, const std::string& caption, MsgDetail detail = MsgDetail::None) {
    UserMessage message;
    message.text = std::move(text);
    message.caption = caption;
    message.buttons = MsgButtons::OkCancel;
    message.icon = MsgIcon::Question;
    message.detail = detail;  // what the transfer would change, for a front end that can show it
    return host.ShowMessage(message);
}

// Says what a transfer that ran did: a stop as a message, an end as the outcome.
void Report(OperationHost& host, const TransferEngine& engine, const TransferContext& context,
            const TransferResult& result, bool save, const std::string& folder) {
    if (result.failed) return;  // its write error has been shown
    int sets = 0;
    for (int32_t i = 0; i < context.dataCount; ++i) sets += engine.DataSetWritten(i, result) ? 1 : 0;
    const std::string text = transfer_texts::Outcome(save, result.cancelled, sets, result.files, result.bytes,
                                                     static_cast<double>(result.time.count()) / 1000.0, folder);
    if (!result.cancelled) {
        host.ShowOutcome(text);
        return;
    }
    UserMessage message;
    message.text = text;
    message.caption = save ? transfer_texts::CaptionSave() : transfer_texts::CaptionRegister();
    message.icon = MsgIcon::Information;
    host.ShowMessage(message);
}

// The data sets the folder holds whose files the save is about to replace. Their
// marks are cleared in one rewrite before the first file is written, so that a
// stop, a failure or a crash never leaves a set marked that holds old and new
// files side by side.
std::vector<int> HeldSetsToReplace(const TransferEngine& engine, const TransferContext& context,
                                   const std::string& indexPath) {
    std::vector<int> sets;
    for (int32_t i = 0; i < context.dataCount; ++i)
        if (engine.DataSetListed(i) && FolderIndexFile::IsPresent(indexPath, i)) sets.push_back(i);
    return sets;
}

// The marks after a save: every selected set whose every file was written and
// checked in this run, and every set unmarked before it that the run did not
// touch. A selected set without files keeps its mark only when the whole save
// completed, as it did before.
std::vector<int> SetsToMark(const TransferEngine& engine, const TransferContext& context, const OperationHost& host,
                            const TransferResult& result, const std::vector<int>& unmarked) {
    std::vector<int> held;
    const bool complete = result.Complete(engine.FileCount());
    for (int32_t i = 0; i < context.dataCount; ++i) {
        const bool wasHeld = std::find(unmarked.begin(), unmarked.end(), i) != unmarked.end();
        if ((host.IsSystemRowSelected(i) && (complete || engine.DataSetWritten(i, result))) ||
            (wasHeld && engine.DataSetUntouched(i, result)))
            held.push_back(i);
    }
    return held;
}

// A typed or listed folder name that cannot be a maintenance folder, refused with
// the name's message; the file system's own test comes last.
bool RefuseFolderName(OperationHost& host, const TransferContext& context, const std::string& name) {
    if (IsUsableMaintenanceFolder(context.externalRoot, name) && IsValidFolderName(name)) return false;
    ShowStopMessage(host, transfer_texts::BadFolderName(name), transfer_texts::CaptionSave());
    return true;
}

// The letter the confirmations name: the external root's first character.
char RootLetter(const TransferContext& context) { return context.externalRoot.empty() ? ' ' : context.externalRoot[0]; }

// The folder name a save writes into: the box's, or the default one when the
// user accepts it for an empty box. False when the save does not go on.
bool ChooseSaveFolder(OperationHost& host, const TransferContext& context, std::string* folderName) {
    if (!folderName->empty()) return !RefuseFolderName(host, context, *folderName);
    if (Ask(host, transfer_texts::SaveEmptyNameQuestion(), transfer_texts::CaptionSave()) != MsgAnswer::Ok)
        return false;
    *folderName = transfer_texts::DefaultFolderName();
    host.SetFolderName(*folderName);
    return true;
}

// The confirmed save of the listed files: the marks of the sets it replaces
// cleared, the copy, the marks of what it wrote. The index file's rewrites are
// file work beside the copy.
void SaveConfirmed(TransferEngine& engine, const TransferContext& context, OperationHost& host,
                   const std::string& folder) {
    const std::string indexPath = folder + '\\' + context.files.indexFile;
    std::vector<int> replaced;
    bool cleared = false;
    host.RunAside([&] {
        replaced = HeldSetsToReplace(engine, context, indexPath);
        cleared = FolderIndexFile::WriteFlags(indexPath, {}, replaced).IsOk();
    });
    if (!cleared) {
        ShowStopMessage(host, transfer_texts::IndexWriteError(indexPath), transfer_texts::CaptionSave());
        return;
    }
    const TransferResult result = engine.RunTransfer(Direction::Save, context, host);
    const std::vector<int> held = SetsToMark(engine, context, host, result, replaced);
    bool marked = true;
    if (!held.empty()) host.RunAside([&] { marked = FolderIndexFile::WriteFlags(indexPath, held).IsOk(); });
    if (!marked) {
        ShowStopMessage(host, transfer_texts::IndexWriteError(indexPath), transfer_texts::CaptionSave());
        return;
    }
    host.DataSetsMarked(held);
    Report(host, engine, context, result, true, folder);
}

}  // namespace

void RunSave(TransferEngine& engine, const TransferContext& context, OperationHost& host) {
    const std::optional<platform::DriveLetter> driveLetter = host.CurrentDrive();
    if (!driveLetter) {
        host.ClearExternalRoot();
        return;
    }
    const char letter = driveLetter->Letter();
    if (GetDriveTypeA(driveLetter->Root().c_str()) == DRIVE_REMOVABLE) {
        while (!IsDiskInDrive(*driveLetter)) {
            UserMessage prompt;
            prompt.text = transfer_texts::InsertDisk(letter);
            prompt.appCaption = true;
            prompt.buttons = MsgButtons::OkCancel;
            if (host.ShowMessage(prompt) != MsgAnswer::Ok) return;
        }
    }

    std::string folderName = host.FolderName();
    bool go = ChooseSaveFolder(host, context, &folderName);

    // One save into a folder at a time, from the list to the index marks.
    const std::string folder = context.externalRoot + '\\' + folderName;
    OperationLock lock;
    if (go) {
        lock = OperationLock::ForFolder(folder, true, host, transfer_texts::CaptionSave());
        go = lock.Proceed();
    }

    host.BeginWaitCursor();
    bool listed = false;
    if (go) host.RunAside([&] { listed = engine.BuildTransferList(Direction::Save, context, host); });
    if (listed) {
        if (engine.FileCount() == 0) {
            ShowStopMessage(host, transfer_texts::NoFiles(), transfer_texts::CaptionSave());
        } else if (Ask(host, transfer_texts::ConfirmSave(RootLetter(context)), transfer_texts::CaptionSave(),
                       MsgDetail::CompareSave) == MsgAnswer::Ok) {
            SaveConfirmed(engine, context, host, folder);
        }
    }
    lock.Release();
    host.RefreshPane(Pane::External);
    host.EndWaitCursor();
}

void RunRegister(TransferEngine& engine, const TransferContext& context, OperationHost& host, RestorePoint* made) {
    if (made) *made = RestorePoint();
    const std::string folderName = host.FolderName();
    bool go = true;
    if (folderName.empty()) {
        // The list falls back on the default folder; the box stays empty.
        go = Ask(host, transfer_texts::RegisterEmptyNameQuestion(), transfer_texts::CaptionSave()) == MsgAnswer::Ok;
    } else if (RefuseFolderName(host, context, folderName)) {
        go = false;
    }

    // The folder is read while no save writes into it, and the installation (with
    // its restore points) is changed by one register or undo at a time; always in
    // this order, so that no two runs wait for each other.
    const std::string folder =
        context.externalRoot + '\\' + (folderName.empty() ? transfer_texts::DefaultFolderName() : folderName);
    OperationLock folderLock, installationLock;
    if (go) {
        folderLock = OperationLock::ForFolder(folder, false, host, transfer_texts::CaptionRegister());
        go = folderLock.Proceed();
    }
    if (go) {
        installationLock = OperationLock::ForInstallation(context.lockFolder, host, transfer_texts::CaptionRegister());
        go = installationLock.Proceed();
    }

    host.BeginWaitCursor();
    if (go) {
        host.RunAside([&] { (void)engine.BuildTransferList(Direction::Register, context, host); });
        if (engine.FileCount() == 0) {
            ShowStopMessage(host, transfer_texts::NoFiles(), transfer_texts::CaptionRegister());
        } else if (Ask(host, transfer_texts::ConfirmRegister(RootLetter(context)), transfer_texts::CaptionSave(),
                       MsgDetail::CompareRegister) == MsgAnswer::Ok) {
            // Safety net: what the register replaces is kept first; no restore point, no register.
            bool kept = false;
            host.RunAside([&] { kept = KeepRestorePoint(engine, context, folder, host, made); });
            if (kept)
                Report(host, engine, context, engine.RunTransfer(Direction::Register, context, host), false, folder);
        }
    }
    installationLock.Release();
    folderLock.Release();
    host.RefreshPane(Pane::System);
    host.EndWaitCursor();
}

void ShowStopMessage(OperationHost& host, std::string text, const std::string& caption) {
    UserMessage message;
    message.text = std::move(text);
    message.caption = caption;
    message.icon = MsgIcon::Stop;
    host.ShowMessage(message);
}

void ApplyToolSettings(TransferContext& context, const std::string& program) {
    const ToolSettings settings = LoadToolSettings(ToolSettingsPath(program));
    context.verify = settings.verify;
    context.keepRestorePoints = settings.restorePoints;
    context.restoreRoot = settings.restorePoints > 0 ? RestorePointRoot(program) : std::string();
    context.lockFolder = LockFolder(program);
}
