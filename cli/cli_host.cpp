#include "cli/cli_host.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

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
}  // namespace

void CliHost::Say(const std::string& utf8, bool info) {
    m_messages.push_back({utf8, false, false});
    if (!m_options.quiet && !(info && m_options.errorsOnly)) std::fprintf(stderr, "%s\n", utf8.c_str());
}

bool CliHost::IsSystemRowSelected(int row) const {
    return row >= 0 && static_cast<size_t>(row) < systemRows.size() && systemRows[static_cast<size_t>(row)];
}

bool CliHost::IsExternalRowSelected(int row) const {
    return row >= 0 && static_cast<size_t>(row) < externalRows.size() && externalRows[static_cast<size_t>(row)];
}

int CliHost::Classify(const UserMessage& message) const {
    if (message.icon == MsgIcon::Stop && message.text.find(safety_texts::BusyLine()) != std::string::npos)
        return exit_code::kBusy;
    if (message.text == safety_texts::LockWaitStopped()) return exit_code::kCancelled;
    if (StartsWith(message.text, safety_texts::LockFailedHead())) return exit_code::kWrite;
    if (StartsWith(message.text, transfer_texts::WriteError()))
        return message.text.find(safety_texts::MediumMismatchLine()) != std::string::npos ? exit_code::kVerify
                                                                                          : exit_code::kWrite;
    // The index file not written after the copy: a write failure, not a refusal.
    static const std::string indexHead = [] {
        const std::string marked = transfer_texts::IndexWriteError("\x01");
        return marked.substr(0, marked.find('\x01'));
    }();
    if (message.icon == MsgIcon::Stop && StartsWith(message.text, indexHead)) return exit_code::kWrite;
    // The shortage box is the only stop box with the program's caption.
    if (message.appCaption && message.icon == MsgIcon::Stop) return exit_code::kSpace;
    // Restore point and undo failures are the register's stop boxes.
    if (message.icon == MsgIcon::Stop && message.caption == transfer_texts::CaptionRegister() &&
        message.text != transfer_texts::NoFiles())
        return exit_code::kWrite;
    if (message.icon == MsgIcon::Stop) return exit_code::kRefused;
    return 0;  // information
}

MsgAnswer CliHost::ShowMessage(const UserMessage& message) {
    const std::string utf8 = platform::Cp932ToUtf8(message.text);
    if (message.buttons == MsgButtons::OkCancel) return Answer(message, utf8);
    const int code = Classify(message);
    Say(utf8, code == 0);
    if (code) SetFailure(code);
    return MsgAnswer::Ok;
}

MsgAnswer CliHost::Answer(const UserMessage& message, const std::string& utf8) {
    // The medium prompt is the one OK/Cancel box with the program's caption.
    const bool mediumPrompt = message.appCaption;
    ShownMessage shown{utf8, true, false};
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

void CliHost::ShowOutcome(const std::string& text) { Say(platform::Cp932ToUtf8(text), true); }

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
