// Building the list of files of a save or register, and copying them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue_entry.h"
#include "catalogue/product_files.h"
#include "host/dem.h"
#include "host/odisk.h"
#include "transfer/transfer_host.h"
#include "transfer/temp_sweep.h"
#include "transfer/transfer_list.h"

// Directions of a transfer.
inline constexpr int kDirectionRegister = 0;  // maintenance folder -> system
inline constexpr int kDirectionSave = 1;      // system -> maintenance folder

// What the front end owns and a transfer reads.
struct TransferContext {
    std::string systemRoot;    // system data root (CP932 Windows path)
    std::string externalRoot;  // "X:\PARC_JDT" of the chosen drive; empty when none
    int32_t dataCount = 0;     // N
    const CatalogueEntry* catalogue = nullptr;  // N entries
    const int32_t* presence = nullptr;          // N present flags of the open folder
    DemInitData* docInit = nullptr;             // handed to every document engine
    ProductFiles files{};
    // Safety net. Every written file is read back from its medium and checked.
    bool verify = true;
    // Host folder of the restore points a register keeps first; empty keeps none.
    std::string restoreRoot;
    int keepRestorePoints = 20;
};

class TransferEngine {
public:
    TransferEngine();

    // Fills the list from the selected data sets of `direction`. Returns 1 when the
    // list is ready (also when empty) and 0 when a save does not fit on the
    // destination drive, after the shortage message has been shown. A register is
    // never refused.
    int BuildTransferList(int direction, const TransferContext& context, TransferHost& host);

    // Writes the rows of the list in order, with the front end's controls locked.
    // Returns the number of rows written: the file count when all were written,
    // 0 when a row failed (after one write-error message) or the list is empty.
    uint32_t RunTransfer(int direction, const TransferContext& context, TransferHost& host);

    const TransferList& List() const { return m_list; }
    uint32_t FileCount() const { return m_list.Count(); }

private:
    void ListMatches(const std::string& sourceFolder, const std::string& destinationFolder,
                     const char* folder, const char* name, int kind, ODiskSize& total);
    bool CountsSize(const std::string& destination, int kind) const;
    bool WriteRow(uint32_t row, int direction, int kind, const TransferContext& context);
    bool CopiedWholeEarlier(uint32_t row) const;
    bool FlushDestinations();
    void Fail(TransferHost& host);
    bool WriteChecked(const char* source, const char* destination, bool verify, bool (*write)(const char*, const char*));

    TransferList m_list;
    // Work strings, kept so that their buffers are reused from file to file.
    std::string m_folderName, m_systemFolder, m_externalFolder, m_pattern;
    std::string m_source, m_destination;
    std::vector<uint32_t> m_documentRows;  // rows of kind 1 to 3 whose size was counted
    std::vector<uint32_t> m_flushRows;     // one written row per destination drive
    std::vector<uint32_t> m_wholeCopies;   // document rows of this run copied whole
    bool m_mediumMismatch = false;         // a row read back other than it was written
    TempSweep m_sweep;                     // destination folders cleared of stale temporary files
};
