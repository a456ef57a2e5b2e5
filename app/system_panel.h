// The left pane of the main dialog: the system's catalogue of data sets, its list
// and the free-space text of its drive. The catalogue is read once, when the
// dialog is made; the list shows every data set it names.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/list_pane.h"
#include "catalogue/catalogue_entry.h"

struct Deliverable;
struct LoadedCatalogue;

class SystemPanel : public ListPane {
public:
    SystemPanel(const Deliverable& deliverable, CDataListCtrl* list, QLabel* freeSpace);

    // Reads the catalogue the suite's settings name. The flags it makes room for
    // (one per data set) are handed back for the right pane.
    LoadedCatalogue ReadCatalogue() const;
    // Keeps what ReadCatalogue read; one refused for its size keeps an empty
    // catalogue everywhere, the lists included.
    void HoldCatalogue(LoadedCatalogue& loaded);

    // The system data root ("C:\Parcelon\SYSDATA"), as the suite answered it.
    const std::string& Path() const { return m_strSystemPath; }
    // The catalogue file the lists read; empty when it was refused.
    const std::string& CatalogPath() const { return m_strCatalogPath; }
    int32_t DataCount() const { return m_nDataCount; }
    const CatalogueEntry* Entries() const { return m_pCatalogue.get(); }

    void LoadList();

private:
    const Deliverable& m_deliverable;
    std::string m_strSystemPath;
    std::string m_strCatalogPath;
    int32_t m_nDataCount = 0;
    std::unique_ptr<CatalogueEntry[]> m_pCatalogue;
};
