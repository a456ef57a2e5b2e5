// A front end that records what the transfer logic asks of it, a temporary
// installation with a system drive C: and an external drive E:, and documents.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/catalogue_entry.h"
#include "host/dem.h"
#include "tests/support/temp_prefix.h"
#include "transfer/save_register.h"
#include "transfer/transfer_engine.h"

class FakeHost : public OperationHost {
public:
    std::set<int> systemSelected, externalSelected;
    std::string folderName;  // CP932
    std::optional<platform::DriveLetter> drive = platform::DriveLetter::FromLetter('E');
    std::deque<MsgAnswer> answers;  // scripted answers; OK when none is left
    std::vector<UserMessage> messages;
    std::vector<std::string> calls;  // "busy1", "busy0", "events", "refresh1", "wait+", ...
    int eventsCount = 0;
    // Runs at every message box, before it is answered.
    std::function<void(const UserMessage&)> onMessage;
    // Runs at every ProcessPendingEvents with the 0-based call number.
    std::function<void(int)> onEvents;

    bool IsSystemRowSelected(int row) const override { return systemSelected.count(row) != 0; }
    bool IsExternalRowSelected(int row) const override { return externalSelected.count(row) != 0; }
    std::string FolderName() const override { return folderName; }
    std::optional<platform::DriveLetter> CurrentDrive() const override {
        ++driveQueries;
        return drive;
    }
    mutable int driveQueries = 0;  // one per free-space check of a save
    MsgAnswer ShowMessage(const UserMessage& message) override;
    void ProcessPendingEvents() override;
    void SetTransferBusy(bool busy) override { calls.push_back(busy ? "busy1" : "busy0"); }
    void SetFolderName(const std::string& name) override;
    void ClearExternalRoot() override { calls.push_back("clearRoot"); }
    void RefreshPane(Pane pane) override { calls.push_back(pane == Pane::System ? "refresh0" : "refresh1"); }
    void BeginWaitCursor() override { calls.push_back("wait+"); }
    void EndWaitCursor() override { calls.push_back("wait-"); }

    // Message texts in UTF-8, for readable comparisons.
    std::vector<std::string> Texts() const;
};

// Every file and folder below a host folder, relative and sorted.
std::vector<std::string> Listing(const std::string& hostDir);

// A catalogue entry; texts in UTF-8.
CatalogueEntry MakeEntry(int type, int typeIndex, const std::string& path, const std::string& backupPath,
                         const std::vector<std::string>& names, const std::vector<std::string>& folders = {""});

// Test documents through the host library's format.
void WriteDocument(const std::string& hostPath, const DemAttr& attr, const std::string& body);
DemAttr ReadDocument(const std::string& hostPath, std::string* body = nullptr);
// Attributes whose every group is filled from `seed`, with `count` entries per table.
DemAttr SeededAttr(uint8_t seed, int count);

// System root C:\SYS, external drive E: with root E:\PARC_JDT.
class TransferTest : public ::testing::Test {
protected:
    TransferTest();

    std::string SysHost(const std::string& rel = "") const;  // UTF-8 host path under C:\SYS
    std::string ExtHost(const std::string& rel = "") const;  // under E:\PARC_JDT
    void WriteSys(const std::string& rel, const std::string& bytes) { WriteHostFile(SysHost(rel), bytes); }
    void WriteExt(const std::string& rel, const std::string& bytes) { WriteHostFile(ExtHost(rel), bytes); }
    TransferContext& Context();  // points at the current catalogue
    // Rows as "source -> destination : kind" in UTF-8.
    std::vector<std::string> Rows() const;
    // The one write-error box of a failed transfer, shown with the controls unlocked after it.
    void ExpectOneWriteError() const;

    TempPrefix prefix;
    std::string driveE;
    std::vector<CatalogueEntry> catalogue;
    std::vector<int32_t> presence;
    DemInitData docInit{};
    TransferContext context;
    TransferEngine engine;
    FakeHost host;
};
