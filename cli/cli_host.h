// The command line as the front end of the save and register operations: the
// selection comes from the arguments, messages go to standard error in UTF-8,
// confirmations are answered by --yes, by the user at a terminal, or refused.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/progress_bar.h"
#include "platform/drive_letter.h"
#include "transfer/save_register.h"

struct HostOptions {
    bool yes = false;          // answer every confirmation with OK
    bool interactive = false;  // standard input and error are a terminal: ask there
    bool progress = false;     // draw the progress bar on standard error
    bool quiet = false;        // keep messages off standard error (JSON carries them)
    bool errorsOnly = false;   // --quiet: print failures only, no outcome, no bar
    bool verbose = false;      // --verbose: one line per file written, on standard error
    int lockWaitSeconds = 0;   // --wait: for a busy folder or installation (kLockWaitForever)
};

struct ShownMessage {
    std::string text;  // UTF-8
    std::string code;  // what kind of message it is, stable for scripts: "write_error", "busy", ...
    bool question = false;
    bool accepted = false;  // the answer, for a question
};

// What a message of the logic is: its stable code, and the exit code it stands
// for (0: information, or a question, whose answer decides).
struct MessageClass {
    const char* code;
    int exitCode;
};
MessageClass ClassifyMessage(const UserMessage& message);

class CliHost : public OperationHost {
public:
    explicit CliHost(HostOptions options) : m_options(options) {}

    // Selection by catalogue index (save) and by external row (register).
    std::vector<char> systemRows, externalRows;
    std::string folder;  // CP932 folder box text
    std::optional<platform::DriveLetter> drive;

    // First failure met (an exit code), 0 while there is none.
    int Failure() const { return m_failure; }
    void SetFailure(int code) {
        if (m_failure == 0) m_failure = code;
    }
    bool TransferStarted() const { return m_transferStarted; }
    bool TransferFinished() const { return m_transferFinished; }
    const std::vector<ShownMessage>& Messages() const { return m_messages; }
    // What the copy of the last transfer did; Copied() is false when none ran.
    bool Copied() const { return m_copied; }
    const TransferResult& Result() const { return m_result; }
    // The data sets the save marked as held (catalogue indexes); MarkedKnown() is
    // false when the save did not get that far.
    bool MarkedKnown() const { return m_markedKnown; }
    const std::vector<int>& Marked() const { return m_marked; }

    // Prints a message of the command line itself and keeps it for the JSON with
    // its `code`; an `info` message (an outcome, a note) is not printed under --quiet.
    void Say(const std::string& utf8, const char* code, bool info = false);

    // TransferHost
    bool IsSystemRowSelected(int row) const override;
    bool IsExternalRowSelected(int row) const override;
    std::string FolderName() const override { return folder; }
    std::optional<platform::DriveLetter> CurrentDrive() const override { return drive; }
    MsgAnswer ShowMessage(const UserMessage& message) override;
    void ProcessPendingEvents() override;
    void SetTransferBusy(bool busy) override;
    TransferObserver* Observer() override { return &m_observer; }
    const std::atomic<bool>* CancelFlag() override;
    TransferResult RunCopy(const std::function<TransferResult()>& copy) override;

    // OperationHost
    void SetFolderName(const std::string& name) override { folder = name; }
    void ClearExternalRoot() override { drive.reset(); }
    void RefreshPane(Pane) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowOutcome(const std::string& text) override;
    int LockWaitSeconds() const override { return m_options.lockWaitSeconds; }
    void DataSetsMarked(const std::vector<int>& sets) override {
        m_marked = sets;
        m_markedKnown = true;
    }

private:
    MsgAnswer Answer(const UserMessage& message, const std::string& utf8);
    // Draws the bar from the engine's figures, at most ten times a second.
    class BarObserver : public TransferObserver {
    public:
        explicit BarObserver(const CliHost& host) : m_host(host) {}
        void Progressed() override;
        ProgressState State() const;
        std::chrono::steady_clock::time_point start, lastDraw;
        uint64_t filesTold = 0;  // files named so far under --verbose

    private:
        const CliHost& m_host;
    };

    HostOptions m_options;
    int m_failure = 0;
    bool m_transferStarted = false;
    bool m_transferFinished = false;
    std::vector<ShownMessage> m_messages;
    TransferResult m_result;
    bool m_copied = false;
    std::vector<int> m_marked;
    bool m_markedKnown = false;
    BarObserver m_observer{*this};
    ProgressBar m_bar;
};
