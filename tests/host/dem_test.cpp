// Document engine start-up, the paper and matrix defaults, indexed table access.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "host/dem.h"

namespace {

DemInitData ValidRecord() {
    DemInitData init{};
    std::strcpy(init.userName, "No User");
    std::strcpy(init.documentName, "No DocumentName");
    init.value16 = 0x1211;
    return init;
}

TEST(Dem, InitNeedsAScratchNameAndTheHostSignature) {
    auto dem = std::make_unique<DEM>();
    DemInitData init = ValidRecord();
    EXPECT_EQ(dem->Init(init, nullptr, "C:\\TEMP", nullptr, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(dem->Init(init, "", "C:\\TEMP", nullptr, nullptr, 0, nullptr, 0), 0);
    init.value16 = 0x1210;
    EXPECT_EQ(dem->Init(init, "Quillmark.Tmp", "C:\\TEMP", nullptr, nullptr, 0, nullptr, 0), 0);
    init.value16 = 0;
    EXPECT_EQ(dem->Init(init, "Quillmark.Tmp", "C:\\TEMP", nullptr, nullptr, 0, nullptr, 0), 0);
    init = ValidRecord();
    EXPECT_NE(dem->Init(init, "Quillmark.Tmp", "C:\\TEMP", nullptr, nullptr, 0, nullptr, 0), 0);
    // An empty temporary folder (no setting for it) does not stop the engine.
    auto other = std::make_unique<DEM>();
    EXPECT_NE(other->Init(init, "Brightfen.Tmp", "", nullptr, nullptr, 0, nullptr, 0), 0);
}

TEST(Dem, AttributeObjectStartsEmptyAndCopiesDeeply) {
    auto dem = std::make_unique<DEM>();
    DemAttr& attr = dem->Attr();
    EXPECT_EQ(attr.table341.count, 0);
    EXPECT_EQ(attr.table269.count, 0);
    EXPECT_EQ(attr.table265First.count, 0);
    EXPECT_EQ(attr.table265Second.count, 0);
    EXPECT_TRUE(attr.otherAttributes.empty());
    EXPECT_EQ(attr.kind1Settings[2], 0);
    EXPECT_EQ(&dem->Attr(), &attr);  // the engine's own object, not a copy

    attr.table269.count = 1;
    attr.table269.entries[0][10] = 0x5A;
    attr.otherAttributes = {1, 2, 3};
    auto copy = std::make_unique<DemAttr>(attr);
    attr.table269.entries[0][10] = 0;
    attr.otherAttributes.clear();
    EXPECT_EQ(copy->table269.entries[0][10], 0x5A);
    EXPECT_EQ(copy->otherAttributes.size(), 3u);
}

TEST(Dem, EntryOutsideTheCountIsEntryZero) {
    DemAttrTable<265, 256> table;
    EXPECT_EQ(table.Entry(0), table.entries[0].data());
    EXPECT_EQ(table.Entry(1), table.entries[0].data());  // count 0: even 1 is out of range
    table.count = 3;
    EXPECT_EQ(table.Entry(2), table.entries[2].data());
    EXPECT_EQ(table.Entry(3), table.entries[0].data());
    EXPECT_EQ(table.Entry(255), table.entries[0].data());
    EXPECT_EQ(table.Entry(-1), table.entries[0].data());
    const auto& ctable = table;
    EXPECT_EQ(ctable.Entry(1000), table.entries[0].data());
}

TEST(Dem, PaperMatrixAndFrameDefaults) {
    const PAPER_STRUCT paper = PaperDef_Get(PAPER_TYPE_DEFAULT, 0);
    EXPECT_STREQ(paper.name, "A4");
    EXPECT_EQ(paper.values[0], 2100);  // 0.1 mm
    EXPECT_EQ(paper.values[1], 2970);
    EXPECT_GT(paper.values[2], 0);
    EXPECT_LT(paper.values[2] * 2, paper.values[0]);

    const MTRX m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(m.m[r * 3 + c], r == c ? 1.0 : 0.0);
    EXPECT_EQ(m.flags, 0);
    DemInitData init{};
    std::memcpy(init.matrix, &m, sizeof m);  // as the main dialog fills its record
    double first;
    std::memcpy(&first, init.matrix, sizeof first);
    EXPECT_EQ(first, 1.0);

    EXPECT_EQ(OrbGetMainWnd(nullptr), nullptr);
}

}  // namespace
