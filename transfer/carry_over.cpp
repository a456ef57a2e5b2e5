#include "transfer/carry_over.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "host/orbis_ini.h"

namespace {
// Entry(i) answers entry 0 for an index at or beyond the table's count, so the
// count is taken over first: copying into a shorter table would otherwise pile
// the source's later entries onto entry 0 and lose them.
template <size_t Size, int Capacity>
void MoveTable(const DemAttrTable<Size, Capacity>& from, DemAttrTable<Size, Capacity>& to) {
    int32_t count = from.count;
    if (count < 0) count = 0;
    if (count > Capacity) count = Capacity;
    to.count = count;
    for (int i = 0; i < count; ++i) std::memcpy(to.Entry(i), from.Entry(i), Size);
}
}  // namespace

void MoveAttributeGroups(const DemAttr& from, DemAttr& to, int kind) {
    switch (kind) {
    case 1:
        MoveTable(from.table265First, to.table265First);
        MoveTable(from.table265Second, to.table265Second);
        for (int i = 0; i < 5; ++i) to.kind1Settings[i] = from.kind1Settings[i];
        break;
    case 2: MoveTable(from.table341, to.table341); break;
    case 3: MoveTable(from.table269, to.table269); break;
    default: break;
    }
}

bool CarryOverAttributes(const char* source, const char* destination, int kind,
                         DemInitData& docInit, const char* docTempName) {
    std::unique_ptr<DEM> dem(new (std::nothrow) DEM);
    const std::string tempFolder = OrbisIni().GetSystemDocTempPath(0, 0);
    if (!dem) return false;

    // The frame library's window is a CWnd underneath; it is only passed on.
    CWnd* owner = reinterpret_cast<CWnd*>(OrbGetMainWnd(nullptr));
    if (dem->Init(docInit, docTempName, tempFolder.c_str(), nullptr, nullptr, 0, owner, 0) == 0)
        return false;

    DemAttr fromAttr(dem->Attr());
    DemAttr toAttr(dem->Attr());
    // Writing back defaults over a document that could not be read would destroy
    // its attributes: a failed load fails the file.
    if (!fromAttr.Load(source, 0)) return false;
    if (!toAttr.Load(destination, 0)) return false;
    MoveAttributeGroups(fromAttr, toAttr, kind);
    return toAttr.Save(destination) != FALSE;
}
