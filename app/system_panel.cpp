#include "app/system_panel.h"

#include "catalogue/system_catalogue.h"
#include "controls/data_list_ctrl.h"
#include "host/orbis_ini.h"
#include "resources/deliverable.h"

SystemPanel::SystemPanel(const Deliverable& deliverable, CDataListCtrl* list, QLabel* freeSpace)
    : ListPane(list, freeSpace), m_deliverable(deliverable) {}

LoadedCatalogue SystemPanel::ReadCatalogue() const {
    std::string systemPath, catalogueFolder;
    {
        OrbisIni ini;
        systemPath = ini.GetOrbisPath(0x10000);
        catalogueFolder = ini.GetOrbisPath(0x10003);
    }
    return SystemCatalogue::Load(systemPath, catalogueFolder, m_deliverable.files.catalogueFile);
}

void SystemPanel::HoldCatalogue(LoadedCatalogue& loaded) {
    m_strSystemPath = loaded.systemPath;
    m_strCatalogPath = loaded.tooLarge ? std::string() : loaded.catalogPath;
    m_nDataCount = loaded.count;
    m_pCatalogue = std::move(loaded.entries);
}

void SystemPanel::LoadList() { m_pList->LoadItems(ListMode::Catalogue, m_strCatalogPath.c_str(), nullptr); }
