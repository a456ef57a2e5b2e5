#include "transfer/save_register.h"

#include "catalogue/folder_index_file.h"
#include <vector>

#include "platform/win32.h"
#include "transfer/tool_settings.h"
#include "transfer/transfer_texts.h"
#include "transfer/undo_register.h"
#include "transfer/user_checks.h"
#include "platform/drive_letter.h"

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

void Refuse(OperationHost& host, std::string text, const std::string& caption) {
    UserMessage message;
    message.text = std::move(text);
    message.caption = caption;
    message.icon = MsgIcon::Stop;
    host.ShowMessage(message);
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

// The letter the confirmations name: the external root's first character.
char RootLetter(const TransferContext& context) { return context.externalRoot.empty() ? ' ' : context.externalRoot[0]; }
}  // namespace

void RunSave(TransferEngine& engine, const TransferContext& context, OperationHost& host) {
    const int drive = host.CurrentDrive();
    const auto driveLetter = platform::DriveLetter::FromNumber(drive);
    if (!driveLetter) {
        host.ClearExternalRoot();
        return;
    }
    const char letter = driveLetter->Letter();
    if (GetDriveTypeA(driveLetter->Root().c_str()) == DRIVE_REMOVABLE) {
        while (!IsDiskInDrive(drive)) {
            UserMessage prompt;
            prompt.text = transfer_texts::InsertDisk(letter);
            prompt.appCaption = true;
            prompt.buttons = MsgButtons::OkCancel;
            if (host.ShowMessage(prompt) != MsgAnswer::Ok) return;
        }
    }

    std::string folderName = host.FolderName();
    bool go = true;
    if (folderName.empty()) {
        if (Ask(host, transfer_texts::SaveEmptyNameQuestion(), transfer_texts::CaptionSave()) == MsgAnswer::Ok) {
            folderName = transfer_texts::DefaultFolderName();
            host.SetFolderName(folderName);
        } else {
            go = false;
        }
    } else if (!IsValidFolderName(folderName)) {
        Refuse(host, transfer_texts::BadFolderName(folderName), transfer_texts::CaptionSave());
        go = false;
    }

    host.BeginWaitCursor();
    if (go && engine.BuildTransferList(Direction::Save, context, host) != 0) {
        if (engine.FileCount() == 0) {
            Refuse(host, transfer_texts::NoFiles(), transfer_texts::CaptionSave());
        } else if (Ask(host, transfer_texts::ConfirmSave(RootLetter(context)), transfer_texts::CaptionSave(),
                       MsgDetail::CompareSave) == MsgAnswer::Ok) {
            const std::string folder = context.externalRoot + '\\' + folderName;
            const std::string indexPath = folder + '\\' + context.files.indexFile;
            const TransferResult result = engine.RunTransfer(Direction::Save, context, host);
            // Only a data set whose every file was copied is marked as held by the
            // folder, all in one rewrite; a selected set without files keeps its mark
            // as before only when the whole save completed.
            std::vector<int> held;
            const bool complete = result.Complete(engine.FileCount());
            for (int32_t i = 0; i < context.dataCount; ++i)
                if (host.IsSystemRowSelected(i) && (complete || engine.DataSetWritten(i, result))) held.push_back(i);
            if (!result.failed && !held.empty() && !FolderIndexFile::WriteFlags(indexPath, held)) {
                Refuse(host, transfer_texts::IndexWriteError(indexPath), transfer_texts::CaptionSave());
            } else {
                Report(host, engine, context, result, true, folder);
            }
        }
    }
    host.RefreshPane(Pane::External);
    host.EndWaitCursor();
}

void RunRegister(TransferEngine& engine, const TransferContext& context, OperationHost& host) {
    const std::string folderName = host.FolderName();
    bool go = true;
    if (folderName.empty()) {
        // The list falls back on the default folder; the box stays empty.
        go = Ask(host, transfer_texts::RegisterEmptyNameQuestion(), transfer_texts::CaptionSave()) == MsgAnswer::Ok;
    } else if (!IsValidFolderName(folderName)) {
        Refuse(host, transfer_texts::BadFolderName(folderName), transfer_texts::CaptionSave());
        go = false;
    }

    host.BeginWaitCursor();
    if (go) {
        engine.BuildTransferList(Direction::Register, context, host);
        if (engine.FileCount() == 0) {
            Refuse(host, transfer_texts::NoFiles(), transfer_texts::CaptionRegister());
        } else if (Ask(host, transfer_texts::ConfirmRegister(RootLetter(context)), transfer_texts::CaptionSave(),
                       MsgDetail::CompareRegister) == MsgAnswer::Ok) {
            // Safety net: what the register replaces is kept first; no restore point, no register.
            const std::string folder =
                context.externalRoot + '\\' + (folderName.empty() ? transfer_texts::DefaultFolderName() : folderName);
            if (KeepRestorePoint(engine, context, folder, host))
                Report(host, engine, context, engine.RunTransfer(Direction::Register, context, host), false, folder);
        }
    }
    host.RefreshPane(Pane::System);
    host.EndWaitCursor();
}

void ApplyToolSettings(TransferContext& context, const std::string& program) {
    const ToolSettings settings = LoadToolSettings(ToolSettingsPath(program));
    context.verify = settings.verify;
    context.keepRestorePoints = settings.restorePoints;
    context.restoreRoot = settings.restorePoints > 0 ? RestorePointRoot(program) : std::string();
}
