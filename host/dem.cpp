// Document engine, attribute object, paper and matrix defaults, main frame.
#include "host/dem.h"

#include <cstddef>
#include <cstring>

#include "host/doc_format.h"
#include "platform/paths.h"

// Stored records depend on the host's field positions.
static_assert(offsetof(DemInitData, documentName) == 127);
static_assert(offsetof(DemInitData, value16) == 397);
static_assert(offsetof(DemInitData, pair1a) == 399);
static_assert(offsetof(DemInitData, one16) == 431);
static_assert(offsetof(DemInitData, paper) == 433);
static_assert(offsetof(DemInitData, matrix) == 449);

namespace {
// Signature value that the host expects in every initialisation record.
constexpr uint16_t kInitSignature = 0x1211;
}  // namespace

PAPER_STRUCT PaperDef_Get(_PAPER_TYPE, int) {
    // One paper only: A4 portrait in 0.1 mm (width, height, side and top margins).
    PAPER_STRUCT paper{};
    std::strcpy(paper.name, "A4");
    paper.values[0] = 2100;
    paper.values[1] = 2970;
    paper.values[2] = 100;
    paper.values[3] = 100;
    return paper;
}

MTRX::MTRX() : m{1, 0, 0, 0, 1, 0, 0, 0, 1}, flags(0) {}

DemAttr::DemAttr() = default;
DemAttr::DemAttr(const DemAttr& other) = default;
DemAttr& DemAttr::operator=(const DemAttr& other) = default;
DemAttr::~DemAttr() = default;

BOOL DemAttr::Load(const char* path, int /*mode: none defined*/) {
    if (!path) return FALSE;
    const platform::HostPath host = platform::ResolvePath(path);
    if (!host.ok) return FALSE;
    return docfmt::LoadFile(host.host, this).empty() ? TRUE : FALSE;
}

BOOL DemAttr::Save(const char* path) const {
    if (!path) return FALSE;
    const platform::HostPath host = platform::ResolvePath(path);
    if (!host.ok || host.trailingSeparator) return FALSE;
    return docfmt::RewriteAttributes(host.host, *this).empty() ? TRUE : FALSE;
}

DEM::DEM() = default;
DEM::~DEM() = default;

int DEM::Init(DemInitData& init, const char* tempName, const char* /*tempFolder*/, IStorage* /*storage*/, HWND /*hwnd*/,
              unsigned /*flags*/, CWnd* /*owner*/, int /*mode*/) {
    // The scratch document is only named: the engine keeps nothing in it.
    if (!tempName || !*tempName) return 0;
    if (init.value16 != kInitSignature) return 0;
    m_initialised = true;
    return 1;
}

DemAttr& DEM::Attr() { return m_attr; }

COFrameWnd* OrbGetMainWnd(COApp* /*app*/) { return nullptr; }

void FillStandardDocInit(DemInitData& data) {
    std::memset(&data, 0, sizeof data);
    std::strncpy(data.userName, "No User", sizeof data.userName - 1);
    std::strncpy(data.documentName, "No DocumentName", sizeof data.documentName - 1);
    const uint16_t five[5] = {0, 0, 16, 0xFFFF, 0};
    std::memcpy(data.values5, five, sizeof five);
    data.value32 = 0;
    data.value16 = 0x1211;
    data.pair1a = 100;
    data.pair1b = 30000;
    data.pair2a = 100;
    data.pair2b = 30000;
    data.pair3a = 10000;
    data.pair3b = 1000000;
    data.pair4a = 10000;
    data.pair4b = 1000000;
    data.two32[0] = 0x800000;
    data.two32[1] = 0xFFFF;
    data.one16 = 1;
    PAPER_STRUCT paper = PaperDef_Get(static_cast<_PAPER_TYPE>(0), 0);
    std::memcpy(data.paper, paper.values, sizeof data.paper);
    MTRX matrix;
    std::memcpy(data.matrix, &matrix, sizeof data.matrix);
}
