// What files take on a medium: whole allocation units.
#include <gtest/gtest.h>

#include "catalogue/catalogue_paths.h"
#include "catalogue/space_need.h"

namespace {

TEST(SpaceNeed, FilesTakeWholeUnits) {
    const struct {
        uint64_t unit;
        std::vector<uint64_t> files;
        uint64_t folders, expected;
    } cases[] = {
        {4096, {1, 4096, 4097}, 0, 4096 + 4096 + 8192},
        {32768, {0, 100, 200}, 2, 2 * 32768 + 2 * 32768},  // an empty file takes no unit
        {65536, {10595}, 1, 2 * 65536},
        {0, {1, 513}, 0, 512 + 1024},  // an unknown unit counts the smallest a medium has
        {3000, {1}, 0, 512},           // and so does one that is no power of two
        {4096, {UINT64_MAX}, 1, UINT64_MAX},
    };
    for (const auto& c : cases) {
        SpaceNeed need(c.unit);
        for (uint64_t f : c.files) need.AddFile(f);
        need.AddUnits(c.folders);
        EXPECT_EQ(need.Bytes(), c.expected) << c.unit;
    }
}

TEST(CataloguePaths, PartsJoinWithOneSeparator) {
    const struct {
        const char* folder;
        const char* part;
        const char* joined;
    } cases[] = {
        {"C:\\ORBIS\\SYSDATA", "\\USERDATA\\LINE", "C:\\ORBIS\\SYSDATA\\USERDATA\\LINE"},
        {"C:\\ORBIS\\SYSDATA", "USERDATA", "C:\\ORBIS\\SYSDATA\\USERDATA"},
        {"C:\\", "\\USERDATA", "C:\\USERDATA"},
        {"C:\\ORBIS\\SYSDATA", "", "C:\\ORBIS\\SYSDATA"},
        // 表 ends in the byte 5C: it is no separator, so one is added.
        {"C:\\\x95\x5c", "\\A", "C:\\\x95\x5c\\A"},
    };
    for (const auto& c : cases) {
        std::string folder = c.folder;
        AppendCataloguePart(folder, c.part);
        EXPECT_EQ(folder, c.joined) << c.folder << " + " << c.part;
    }
}

}  // namespace
