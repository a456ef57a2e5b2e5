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
bool CarryOverAttributes(const char* source, const char* destination, CarryOver kind, DemInitData& docInit,
                         const char* docTempName);

// Whether the groups of carry-over kind `kind` are the same in `a` and `b`.
bool SameAttributeGroups(const DemAttr& a, const DemAttr& b, CarryOver kind);

// Reloads `destination` from its medium and `source`, and answers whether the
// destination holds the source's groups of `kind`: the check of a carry-over.
bool CarriedOver(const char* source, const char* destination, CarryOver kind, DemInitData& docInit,
                 const char* docTempName);
