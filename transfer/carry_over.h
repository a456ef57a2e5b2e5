// Carrying a data set's attribute groups from one document into another.
#pragma once

#include "host/dem.h"
#include "transfer/transfer_list.h"

// Moves the groups of carry-over kind `kind` from `from` into `to`:
// kind 1 both 265-byte tables and the five settings, kind 2 the 341-byte table,
// kind 3 the 269-byte table. A moved table takes the source's entry count with
// its entries, so the destination holds exactly the source's group afterwards.
// Everything else of `to` is left as it was.
void MoveAttributeGroups(const DemAttr& from, DemAttr& to, CarryOver kind);

// Loads the attributes of the documents `source` and `destination` (CP932 Windows
// paths) through the host document library, moves the groups of `kind` and saves
// the destination's attributes back. False when the document engine cannot be
// prepared, either document cannot be loaded, or the save fails; the destination
// is then unchanged (the library saves atomically).
[[nodiscard]] bool CarryOverAttributes(const char* source, const char* destination, CarryOver kind,
                                       DemInitData& docInit, const char* docTempName);

// Whether the groups of carry-over kind `kind` are the same in `a` and `b`.
bool SameAttributeGroups(const DemAttr& a, const DemAttr& b, CarryOver kind);

// The attribute groups a carry-over moves, one bit each.
enum AttributeGroup : unsigned {
    kGroupTable265First = 1u,   // kind 1
    kGroupTable265Second = 2u,  // kind 1
    kGroupKind1Settings = 4u,   // kind 1
    kGroupTable341 = 8u,        // kind 2
    kGroupTable269 = 16u,       // kind 3
};
inline constexpr unsigned kAttributeGroups[] = {kGroupTable265First, kGroupTable265Second, kGroupKind1Settings,
                                                kGroupTable341, kGroupTable269};
// The groups of carry-over kind `kind` that differ between `a` and `b` (0: none).
unsigned DifferingAttributeGroups(const DemAttr& a, const DemAttr& b, CarryOver kind);

// Loads the documents `a` and `b` through the host document library and gives in
// *differing the groups of `kind` that differ between them. False when the document
// engine cannot be prepared or either document cannot be loaded.
[[nodiscard]] bool CompareAttributeGroups(const char* a, const char* b, CarryOver kind, DemInitData& docInit,
                                          const char* docTempName, unsigned* differing);

// Reloads `destination` from its medium and `source`, and answers whether the
// destination holds the source's groups of `kind`: the check of a carry-over.
[[nodiscard]] bool CarriedOver(const char* source, const char* destination, CarryOver kind, DemInitData& docInit,
                               const char* docTempName);
