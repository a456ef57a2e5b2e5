// Host document library, paper library, calculation library and frame library.
// Documents are files in the format described in docs/document-format.md.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

struct IStorage;
class CWnd;
class COApp;
class COFrameWnd;

#pragma pack(push, 1)

// Paper definition; the record copies its four numbers, not the name.
struct PAPER_STRUCT {
    char name[32];
    int32_t values[4];
};
enum _PAPER_TYPE { PAPER_TYPE_DEFAULT = 0 };
PAPER_STRUCT PaperDef_Get(_PAPER_TYPE type, int variant);

// Transformation matrix of the calculation library: 74 bytes.
class MTRX {
public:
    MTRX();  // identity
    double m[9];
    uint16_t flags;
};
static_assert(sizeof(MTRX) == 74, "MTRX is 74 bytes");

// Document initialisation record: 523 bytes, the host's layout.
struct DemInitData {
    char userName[127];
    char documentName[256];
    uint16_t values5[5];
    uint32_t value32;
    uint16_t value16;
    uint16_t pair1a;
    uint32_t pair1b;
    uint16_t pair2a;
    uint32_t pair2b;
    uint16_t pair3a;
    uint32_t pair3b;
    uint16_t pair4a;
    uint32_t pair4b;
    uint32_t two32[2];
    uint16_t one16;
    int32_t paper[4];
    unsigned char matrix[74];
};

// The values every front end hands the document engine: no user, no document,
// the first paper and the identity matrix.
void FillStandardDocInit(DemInitData& data);

static_assert(sizeof(DemInitData) == 523, "DemInitData is 523 bytes");

#pragma pack(pop)

// One attribute table: a current entry count and a fixed number of entries of
// EntrySize bytes. Entry(i) treats an index below 0 or at or above the count as 0.
template <size_t EntrySize, int Capacity>
struct DemAttrTable {
    static constexpr size_t kEntrySize = EntrySize;
    static constexpr int kCapacity = Capacity;
    int32_t count = 0;
    std::array<std::array<uint8_t, EntrySize>, static_cast<size_t>(Capacity)> entries{};

    uint8_t* Entry(int i) { return entries[Slot(i)].data(); }
    const uint8_t* Entry(int i) const { return entries[Slot(i)].data(); }
    size_t Slot(int i) const { return (i < 0 || i >= count) ? 0 : static_cast<size_t>(i); }
};

// The attributes of a document.
class DemAttr {
public:
    DemAttr();
    DemAttr(const DemAttr& other);
    DemAttr& operator=(const DemAttr& other);
    virtual ~DemAttr();

    // Loads the attribute part of the document at `path` (Windows path). Any bytes
    // (truncated, garbage, huge counts) fail cleanly. TRUE on success; on failure
    // the object keeps its previous contents.
    [[nodiscard]] BOOL Load(const char* path, int mode);
    // Rewrites the attribute part of the existing document at `path` atomically,
    // keeping its body and everything else. FALSE when the document is missing or
    // unreadable, or the write fails (the old file is then untouched).
    [[nodiscard]] BOOL Save(const char* path) const;

    DemAttrTable<341, 32> table341;              // moved by carry-over kind 2
    DemAttrTable<269, 32> table269;              // moved by carry-over kind 3
    DemAttrTable<265, 256> table265First;        // kind 1
    DemAttrTable<265, 256> table265Second;       // kind 1
    int32_t kind1Settings[5] = {0, 0, 0, 0, 0};  // kind 1
    std::vector<uint8_t> otherAttributes;        // opaque, kept as loaded
};

class DEM {
public:
    DEM();
    virtual ~DEM();

    // Prepares the document engine. 0 on failure (an empty scratch name, or a
    // record without the host's signature value 0x1211).
    [[nodiscard]] int Init(DemInitData& init, const char* tempName, const char* tempFolder, IStorage* storage,
                           HWND hwnd, unsigned flags, CWnd* owner, int mode);
    DemAttr& Attr();

private:
    DemAttr m_attr;
    bool m_initialised = false;
};

// The suite's main frame window; none in this stand-in (null).
COFrameWnd* OrbGetMainWnd(COApp* app);
