#include "transfer/save_register.h"

#include "catalogue/folder_index_file.h"
#include "platform/win32.h"
#include "transfer/tool_settings.h"
#include "transfer/transfer_texts.h"
#include "transfer/undo_register.h"
#include "transfer/user_checks.h"

namespace {
MsgAnswer Ask(OperationHost& host, std::string text, const std::string& caption) {
    UserMessage message;
    message.text = std::move(text);
    message.caption = caption;
    message.buttons = MsgButtons::OkCancel;
    message.icon = MsgIcon::Question;
    return host.ShowMessage(message);
}

void Refuse(OperationHost& host, std::string text, const std::string& caption) {
    UserMessage message;
    message.text = std::move(text);
    message.caption = caption;
    message.icon = MsgIcon::Stop;
    host.ShowMessage(message);
}

// The letter the confirmations name: the external root's first character.
char RootLetter(const TransferContext& context) {
    return context.externalRoot.empty() ? ' ' : context.externalRoot[0];
}
}  // namespace

void RunSave(TransferEngine& engine, const TransferContext& context, OperationHost& host) {
    const int drive = host.CurrentDrive();
    if (drive < 0 || drive > 25) {
        host.ClearExternalRoot();
        return;
    }
    const char letter = static_cast<char>('A' + drive);
    const char root[4] = {letter, ':', '\\', '\0'};
    if (GetDriveTypeA(root) == DRIVE_REMOVABLE) {
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
    if (go && engine.BuildTransferList(kDirectionSave, context, host) != 0) {
        if (engine.FileCount() == 0) {
            Refuse(host, transfer_texts::NoFiles(), transfer_texts::CaptionSave());
        } else if (Ask(host, transfer_texts::ConfirmSave(RootLetter(context)), transfer_texts::CaptionSave()) ==
                   MsgAnswer::Ok) {
            const std::string indexPath =
                context.externalRoot + '\\' + folderName + '\\' + context.files.indexFile;
            // Only a complete copy marks the data sets as held by the folder.
            if (engine.RunTransfer(kDirectionSave, context, host) != 0) {
                for (int32_t i = 0; i < context.dataCount; ++i)
                    if (host.IsSystemRowSelected(i)) FolderIndexFile::WriteFlag(indexPath, i, true);
            }
        }
    }
    host.RefreshPane(1);
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
        engine.BuildTransferList(kDirectionRegister, context, host);
        if (engine.FileCount() == 0) {
            Refuse(host, transfer_texts::NoFiles(), transfer_texts::CaptionRegister());
        } else if (Ask(host, transfer_texts::ConfirmRegister(RootLetter(context)), transfer_texts::CaptionSave()) ==
                   MsgAnswer::Ok) {
            // Safety net: what the register replaces is kept first; no restore point, no register.
            const std::string folder = context.externalRoot + '\\' +
                                       (folderName.empty() ? transfer_texts::DefaultFolderName() : folderName);
            if (KeepRestorePoint(engine, context, folder, host)) engine.RunTransfer(kDirectionRegister, context, host);
        }
    }
    host.RefreshPane(0);
    host.EndWaitCursor();
}

void ApplyToolSettings(TransferContext& context, const std::string& program) {
    const ToolSettings settings = LoadToolSettings(ToolSettingsPath(program));
    context.verify = settings.verify;
    context.keepRestorePoints = settings.restorePoints;
    context.restoreRoot = settings.restorePoints > 0 ? RestorePointRoot(program) : std::string();
}
