#include "transfer/carry_over.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "host/orbis_ini.h"
#include "platform/paths.h"
#include "transfer/verify.h"

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

void MoveAttributeGroups(const DemAttr& from, DemAttr& to, CarryOver kind) {
    switch (kind) {
    case CarryOver::Tables265:
        MoveTable(from.table265First, to.table265First);
        MoveTable(from.table265Second, to.table265Second);
        for (int i = 0; i < 5; ++i) to.kind1Settings[i] = from.kind1Settings[i];
        break;
    case CarryOver::Table341: MoveTable(from.table341, to.table341); break;
    case CarryOver::Table269: MoveTable(from.table269, to.table269); break;
    case CarryOver::WholeFile: break;
    }
}

namespace {
// Loads both documents' attributes through a fresh document engine. False when
// the engine cannot be prepared or either document cannot be loaded.
bool LoadBoth(const char* source, const char* destination, DemInitData& docInit, const char* docTempName,
              std::unique_ptr<DemAttr>* from, std::unique_ptr<DemAttr>* to) {
    std::unique_ptr<DEM> dem(new (std::nothrow) DEM);
    const std::string tempFolder = OrbisIni().GetSystemDocTempPath(0, 0);
    if (!dem) return false;

    // The frame library's window is a CWnd underneath; it is only passed on.
    CWnd* owner = reinterpret_cast<CWnd*>(OrbGetMainWnd(nullptr));
    if (dem->Init(docInit, docTempName, tempFolder.c_str(), nullptr, nullptr, 0, owner, 0) == 0) return false;

    *from = std::make_unique<DemAttr>(dem->Attr());
    *to = std::make_unique<DemAttr>(dem->Attr());
    // Writing back defaults over a document that could not be read would destroy
    // its attributes: a failed load fails the file.
    return (*from)->Load(source, 0) && (*to)->Load(destination, 0);
}

template <size_t Size, int Capacity>
bool SameTable(const DemAttrTable<Size, Capacity>& a, const DemAttrTable<Size, Capacity>& b) {
    if (a.count != b.count) return false;
    for (int i = 0; i < std::clamp(a.count, 0, Capacity); ++i)
        if (std::memcmp(a.Entry(i), b.Entry(i), Size) != 0) return false;
    return true;
}
}  // namespace

unsigned DifferingAttributeGroups(const DemAttr& a, const DemAttr& b, CarryOver kind) {
    unsigned differing = 0;
    auto check = [&differing](bool same, AttributeGroup group) {
        if (!same) differing |= group;
    };
    switch (kind) {
    case CarryOver::Tables265:
        check(SameTable(a.table265First, b.table265First), kGroupTable265First);
        check(SameTable(a.table265Second, b.table265Second), kGroupTable265Second);
        check(std::equal(std::begin(a.kind1Settings), std::end(a.kind1Settings), std::begin(b.kind1Settings)),
              kGroupKind1Settings);
        break;
    case CarryOver::Table341: check(SameTable(a.table341, b.table341), kGroupTable341); break;
    case CarryOver::Table269: check(SameTable(a.table269, b.table269), kGroupTable269); break;
    case CarryOver::WholeFile: break;
    }
    return differing;
}

bool SameAttributeGroups(const DemAttr& a, const DemAttr& b, CarryOver kind) {
    return DifferingAttributeGroups(a, b, kind) == 0;
}

bool CompareAttributeGroups(const char* a, const char* b, CarryOver kind, DemInitData& docInit, const char* docTempName,
                            unsigned* differing) {
    std::unique_ptr<DemAttr> first, second;
    if (!LoadBoth(a, b, docInit, docTempName, &first, &second)) return false;
    *differing = DifferingAttributeGroups(*first, *second, kind);
    return true;
}

bool CarryOverAttributes(const char* source, const char* destination, CarryOver kind, DemInitData& docInit,
                         const char* docTempName) {
    std::unique_ptr<DemAttr> fromAttr, toAttr;
    if (!LoadBoth(source, destination, docInit, docTempName, &fromAttr, &toAttr)) return false;
    MoveAttributeGroups(*fromAttr, *toAttr, kind);
    return toAttr->Save(destination) != FALSE;
}

bool CarriedOver(const char* source, const char* destination, CarryOver kind, DemInitData& docInit,
                 const char* docTempName) {
    const platform::HostPath hp = platform::ResolvePath(destination);
    // The written document is read from its medium, not from the page cache.
    if (!hp.ok || !verify::DropFromCache(hp.host)) return false;
    std::unique_ptr<DemAttr> fromAttr, toAttr;
    return LoadBoth(source, destination, docInit, docTempName, &fromAttr, &toAttr) &&
           SameAttributeGroups(*fromAttr, *toAttr, kind);
}
