#include "cli/cli_host.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli/cancel_signal.h"
#include "cli/exit_codes.h"
#include "host/odisk.h"
#include "platform/cp932.h"
#include "transfer/safety_texts.h"
#include "transfer/transfer_texts.h"

namespace {
bool StartsWith(const std::string& text, const std::string& head) {
    return text.size() >= head.size() && text.compare(0, head.size(), head) == 0;
}
bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
// A message's first line: what stays the same whatever the message names.
std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }
// The fixed text before and after the part a message fills in (marked by \x01).
std::string HeadOf(const std::string& marked) { return marked.substr(0, marked.find('\x01')); }
std::string TailOf(const std::string& marked) { return marked.substr(marked.find('\x01') + 1); }

// Questions: what each one asks, named.
const char* QuestionCode(const UserMessage& m) {
    const std::string& t = m.text;
    if (m.appCaption) return "insert_disk";
    if (t == transfer_texts::SaveEmptyNameQuestion()) return "confirm_default_folder";
    if (t == transfer_texts::RegisterEmptyNameQuestion()) return "confirm_default_folder";
    static const std::string save = TailOf(transfer_texts::ConfirmSave('\x01'));
    static const std::string reg = TailOf(transfer_texts::ConfirmRegister('\x01'));
    static const std::string undo = FirstLine(safety_texts::ConfirmUndo(0, "", 0));
    if (EndsWith(t, save)) return "confirm_save";
    if (EndsWith(t, reg)) return "confirm_register";
    if (FirstLine(t) == undo) return "confirm_undo";
    return "confirm";
}

// The register's own stop boxes: its restore point and its undo.
const char* RegisterStopCode(const std::string& t) {
    static const std::string pointFailed = FirstLine(safety_texts::RestorePointFailed("", 0, ""));
    static const std::string undoFailed = FirstLine(safety_texts::UndoFailed("", 0));
    static const std::string undoRefused = FirstLine(safety_texts::UndoRefused("", ""));
    if (FirstLine(t) == pointFailed) return "restore_point_failed";
    if (FirstLine(t) == undoFailed) return "undo_failed";
    if (FirstLine(t) == undoRefused) return "undo_refused";
    return "register_failed";
}
}  // namespace

MessageClass ClassifyMessage(const UserMessage& message) {
    const std::string& t = message.text;
    if (message.buttons == MsgButtons::OkCancel) return {QuestionCode(message), 0};
    const bool stop = message.icon == MsgIcon::Stop;
    if (stop && t.find(safety_texts::BusyLine()) != std::string::npos) return {"busy", exit_code::kBusy};
    if (t == safety_texts::LockWaitStopped()) return {"lock_wait_stopped", exit_code::kCancelled};
    if (StartsWith(t, safety_texts::LockFailedHead())) return {"lock_failed", exit_code::kWrite};
    if (StartsWith(t, transfer_texts::WriteError()))
        return t.find(safety_texts::MediumMismatchLine()) != std::string::npos
                   ? MessageClass{"medium_mismatch", exit_code::kVerify}
                   : MessageClass{"write_error", exit_code::kWrite};
    // The index file not written after the copy: a write failure, not a refusal.
    static const std::string indexHead = HeadOf(transfer_texts::IndexWriteError("\x01"));
    if (stop && StartsWith(t, indexHead)) return {"index_write_error", exit_code::kWrite};
    // The shortage box is the only stop box with the program's caption.
    if (message.appCaption && stop) return {"space_shortage", exit_code::kSpace};
    if (t == transfer_texts::NoFiles()) return {"no_files", stop ? exit_code::kRefused : 0};
    // Restore point and undo failures are the register's stop boxes.
    if (stop && message.caption == transfer_texts::CaptionRegister()) return {RegisterStopCode(t), exit_code::kWrite};
    static const std::string badName = HeadOf(transfer_texts::BadFolderName("\x01"));
    if (stop && StartsWith(t, badName)) return {"bad_folder_name", exit_code::kRefused};
    if (stop) return {"refused", exit_code::kRefused};
    static const std::string undoDone = FirstLine(safety_texts::UndoDone(0, "", 0, 0));
    if (FirstLine(t) == undoDone) return {"undo_done", 0};
    static const std::string waiting = [] {
        const std::string line = safety_texts::LockWaiting(LockOwner{}, "");
        return line.substr(0, line.find(':') + 1);
    }();
    if (StartsWith(t, waiting)) return {"lock_waiting", 0};
    // The one information box of a transfer is its stop, with what it kept.
    return {"stopped", 0};
}

void CliHost::Say(const std::string& utf8, const char* code, bool info) {
    m_messages.push_back({utf8, code, false, false});
    if (!m_options.quiet && !(info && m_options.errorsOnly)) std::fprintf(stderr, "%s\n", utf8.c_str());
}

bool CliHost::IsSystemRowSelected(int row) const {
    return row >= 0 && static_cast<size_t>(row) < systemRows.size() && systemRows[static_cast<size_t>(row)];
}

bool CliHost::IsExternalRowSelected(int row) const {
    return row >= 0 && static_cast<size_t>(row) < externalRows.size() && externalRows[static_cast<size_t>(row)];
}

TransferResult CliHost::RunCopy(const std::function<TransferResult()>& copy) {
    m_result = copy();
    m_copied = true;
    return m_result;
}

MsgAnswer CliHost::ShowMessage(const UserMessage& message) {
    const std::string utf8 = platform::Cp932ToUtf8(message.text);
    if (message.buttons == MsgButtons::OkCancel) return Answer(message, utf8);
    const MessageClass kind = ClassifyMessage(message);
    Say(utf8, kind.code, kind.exitCode == 0);
    if (kind.exitCode) SetFailure(kind.exitCode);
    return MsgAnswer::Ok;
}

MsgAnswer CliHost::Answer(const UserMessage& message, const std::string& utf8) {
    // The medium prompt is the one OK/Cancel box with the program's caption.
    const bool mediumPrompt = message.appCaption;
    ShownMessage shown{utf8, ClassifyMessage(message).code, true, false};
    if (CancelRequested()) {
        SetFailure(exit_code::kCancelled);
    } else if (m_options.yes && !mediumPrompt) {
        shown.accepted = true;  // --yes does not put a medium in the drive
    } else if (m_options.interactive) {
        std::fprintf(stderr, "%s\n[y/N] ", utf8.c_str());
        std::fflush(stderr);
        std::string line;
        if (std::getline(std::cin, line)) shown.accepted = line == "y" || line == "Y" || line == "yes";
        if (!shown.accepted) SetFailure(mediumPrompt ? exit_code::kMedium : exit_code::kRefused);
        m_messages.push_back(shown);
        return shown.accepted ? MsgAnswer::Ok : MsgAnswer::Cancel;
    } else {
        SetFailure(mediumPrompt ? exit_code::kMedium : exit_code::kRefused);
    }
    m_messages.push_back(shown);
    if (!shown.accepted && !m_options.quiet) {
        std::fprintf(stderr, "%s\n", utf8.c_str());
        if (!mediumPrompt && !CancelRequested())
            std::fprintf(stderr, "確認が必要です: --yes を付けて実行してください。何も行っていません。\n");
    }
    return shown.accepted ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

ProgressState CliHost::BarObserver::State() const {
    ProgressState state;
    state.filesTotal = totalFiles.load();
    state.filesDone = filesDone.load();
    state.bytesTotal = totalBytes.load();
    state.bytesDone = bytesDone.load();
    state.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return state;
}

void CliHost::BarObserver::Progressed() {
    // Runs on the copying thread, which is the only one drawing meanwhile.
    if (m_host.m_options.verbose && filesDone.load() > filesTold) {
        filesTold = filesDone.load();
        std::string set, file;
        Current(&set, &file);
        std::fprintf(stderr, "%s\t%s\n", platform::Cp932ToUtf8(file).c_str(), platform::Cp932ToUtf8(set).c_str());
    }
    if (!m_host.m_options.progress) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw < std::chrono::milliseconds(100)) return;
    lastDraw = now;
    m_host.m_bar.Draw(State());
}

const std::atomic<bool>* CliHost::CancelFlag() { return CancelFlagOfInterrupt(); }

void CliHost::ProcessPendingEvents() {}

void CliHost::ShowOutcome(const std::string& text) { Say(platform::Cp932ToUtf8(text), "outcome", true); }

void CliHost::SetTransferBusy(bool busy) {
    if (busy) {
        m_transferStarted = true;
        m_observer.start = std::chrono::steady_clock::now();
        m_observer.lastDraw = {};
        m_observer.filesTold = 0;
        return;
    }
    if (m_transferStarted && m_options.progress) {
        m_bar.Draw(m_observer.State());
        m_bar.Finish();
    }
    m_transferFinished = true;
}
