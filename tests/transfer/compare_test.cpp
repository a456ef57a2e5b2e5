// What a register or a save would change: prepared pairs of copies, one data set each.
#include <fcntl.h>
#include <sys/stat.h>

#include <optional>

#include "platform/cp932.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/carry_over.h"
#include "transfer/compare.h"

namespace {

constexpr int64_t kTime = 1700000000;

void SetTime(const std::string& hostPath, int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), times, 0), 0) << hostPath;
}

// One side of a case: a plain file's bytes, or a document's attributes, at a time.
struct Side {
    std::optional<std::string> bytes;
    std::optional<DemAttr> document;
    int64_t time = kTime;
};
Side File(const char* bytes, int64_t time = kTime) { return Side{std::string(bytes), std::nullopt, time}; }
Side Doc(const DemAttr& attr, int64_t time = kTime) { return Side{std::nullopt, attr, time}; }
Side None() { return Side{}; }

DemAttr WithOther(DemAttr attr, uint8_t table265SecondByte) {
    attr.table265Second.Entry(0)[0] = table265SecondByte;
    return attr;
}

struct Case {
    const char* what;
    int type, typeIndex;
    const char* systemName;  // the name on each side: a search may give either case
    const char* folderName;
    Side system, folder;
    bool held;
    FileState state;
    bool size, time, content;
    unsigned groups;
    FileChange onRegister, onSave;
};

class CompareTest : public TransferTest {
protected:
    void Prepare(const std::vector<Case>& cases) {
        catalogue.clear();
        for (size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const std::string set = "S" + std::to_string(i);
            catalogue.push_back(MakeEntry(c.type, c.typeIndex, set, "\\" + set, {"\\*.DAT", "\\*.DEM"}));
            Write(SysHost(set + "/" + c.systemName), c.system);
            Write(ExtHost("保守A/" + set + "/" + c.folderName), c.folder);
            MakeHostDirs(SysHost(set) + "/");
            MakeHostDirs(ExtHost("保守A/" + set) + "/");
        }
        Context();
        for (size_t i = 0; i < cases.size(); ++i) presence[i] = cases[i].held ? 1 : 0;
    }
    static void Write(const std::string& hostPath, const Side& side) {
        if (side.bytes) WriteHostFile(hostPath, *side.bytes);
        if (side.document) WriteDocument(hostPath, *side.document, "body");
        if (side.bytes || side.document) SetTime(hostPath, side.time);
    }
};

TEST_F(CompareTest, EachPairOfCopiesAsARegisterAndASaveWouldFindIt) {
    const DemAttr a = SeededAttr(10, 3);
    const std::vector<Case> cases = {
        {"only here", 0, 0, "x.dat", "x.dat", File("s"), None(), true, FileState::OnlySystem, false, false, false, 0,
         FileChange::Leave, FileChange::Add},
        {"only there", 0, 0, "x.dat", "x.dat", None(), File("f"), true, FileState::OnlyFolder, false, false, false, 0,
         FileChange::Add, FileChange::Leave},
        {"same", 0, 0, "x.dat", "x.dat", File("abc"), File("abc"), true, FileState::Same, false, false, false, 0,
         FileChange::ReplaceSame, FileChange::ReplaceSame},
        {"one name in two cases", 0, 0, "x.dat", "X.DAT", File("abc"), File("abc"), true, FileState::Same, false, false,
         false, 0, FileChange::ReplaceSame, FileChange::ReplaceSame},
        {"times within FAT's 2 s", 0, 0, "x.dat", "x.dat", File("abc", kTime + 1), File("abc"), true, FileState::Same,
         false, false, false, 0, FileChange::ReplaceSame, FileChange::ReplaceSame},
        {"size differs", 0, 0, "x.dat", "x.dat", File("abc"), File("abcd"), true, FileState::Different, true, false,
         true, 0, FileChange::ReplaceDiffers, FileChange::ReplaceDiffers},
        {"time differs", 0, 0, "x.dat", "x.dat", File("abc", kTime + 100), File("abc"), true, FileState::Different,
         false, true, false, 0, FileChange::ReplaceSame, FileChange::ReplaceSame},
        {"content differs, same size and time", 0, 0, "x.dat", "x.dat", File("abc"), File("abd"), true,
         FileState::Different, false, false, true, 0, FileChange::ReplaceDiffers, FileChange::ReplaceDiffers},
        {"set not held: a register leaves it", 0, 0, "x.dat", "x.dat", File("abc"), File("abd"), false,
         FileState::Different, false, false, true, 0, FileChange::Leave, FileChange::ReplaceDiffers},
        // Documents: only the set's groups count, whatever else differs.
        {"document, its groups the same", 2, 1, "m.dem", "m.dem", Doc(a), Doc(WithOther(a, 0x55), kTime + 100), true,
         FileState::Same, false, true, false, 0, FileChange::ReplaceSame, FileChange::ReplaceSame},
        {"document, one group of kind 1 differs", 2, 0, "m.dem", "m.dem", Doc(a), Doc(WithOther(a, 0x55)), true,
         FileState::Different, false, false, true, kGroupTable265Second, FileChange::ReplaceDiffers,
         FileChange::ReplaceDiffers},
        {"document the system lacks: a register cannot carry into it", 2, 2, "m.dem", "m.dem", None(), Doc(a), true,
         FileState::OnlyFolder, false, false, false, 0, FileChange::Fails, FileChange::Leave},
        {"document only on the system: a save copies it whole", 2, 2, "m.dem", "m.dem", Doc(a), None(), true,
         FileState::OnlySystem, false, false, false, 0, FileChange::Leave, FileChange::Add},
        {"a document that does not load", 2, 2, "m.dem", "m.dem", File("not a document"), Doc(a), true,
         FileState::Different, true, false, false, 0, FileChange::Fails, FileChange::Fails},
    };
    Prepare(cases);
    const std::vector<char> all(cases.size(), 1);
    const CompareResult result = CompareFolder(Context(), W("保守A"), all);
    EXPECT_TRUE(result.folderExists);
    EXPECT_EQ(platform::Cp932ToUtf8(result.folderPath), "E:\\PARC_JDT\\保守A");
    ASSERT_EQ(result.sets.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        const ComparedSet& set = result.sets[i];
        EXPECT_EQ(set.index, static_cast<int32_t>(i));
        ASSERT_EQ(set.files.size(), 1u);
        const ComparedFile& f = set.files[0];
        EXPECT_EQ(f.State(), c.state);
        EXPECT_EQ(f.sizeDiffers, c.size);
        EXPECT_EQ(f.timeDiffers, c.time);
        EXPECT_EQ(f.contentDiffers, c.content);
        EXPECT_EQ(f.groupsDiffer, c.groups);
        EXPECT_EQ(f.onRegister, c.onRegister);
        EXPECT_EQ(f.onSave, c.onSave);
        ChangeCounts reg, save;
        reg.Count(c.onRegister);
        save.Count(c.onSave);
        EXPECT_EQ(set.onRegister, reg);
        EXPECT_EQ(set.onSave, save);
    }
    // Nothing was written on either side.
    EXPECT_EQ(ReadHostFile(SysHost("S7/x.dat")), "abc");
    EXPECT_EQ(ReadHostFile(ExtHost("保守A/S7/x.dat")), "abd");
}

TEST_F(CompareTest, OnlyChosenSetsAndEveryFileOfASetOnce) {
    catalogue = {MakeEntry(0, 0, "A", "\\A", {"\\*.DAT", "\\X.*"}), MakeEntry(0, 0, "B", "\\B", {"\\*.DAT"})};
    WriteSys("A/x.dat", "1");  // matched by both names
    WriteExt("保守A/A/x.dat", "2");
    WriteSys("A/y.dat", "1");
    WriteExt("保守A/A/z.dat", "1");
    WriteSys("B/b.dat", "1");
    Context();
    presence = {1, 1};
    const CompareResult result = CompareFolder(Context(), W("保守A"), {1, 0});
    ASSERT_EQ(result.sets.size(), 1u);
    EXPECT_EQ(result.sets[0].files.size(), 3u);
    EXPECT_EQ(result.sets[0].onRegister, (ChangeCounts{1, 1, 0, 1, 0}));
    EXPECT_EQ(result.sets[0].onSave, (ChangeCounts{1, 1, 0, 1, 0}));
}

TEST_F(CompareTest, LinkedCopiesAreNotFollowedAndAStopEndsBetweenFiles) {
    catalogue = {MakeEntry(0, 0, "A", "\\A", {"\\*.DAT"})};
    WriteSys("A/x.dat", "secret");
    MakeHostDirs(ExtHost("保守A/A") + "/");
    ASSERT_EQ(symlink(SysHost("A/x.dat").c_str(), ExtHost("保守A/A/x.dat").c_str()), 0);
    Context();
    presence = {1};
    const CompareResult result = CompareFolder(Context(), W("保守A"), {1});
    ASSERT_EQ(result.sets.size(), 1u);
    ASSERT_EQ(result.sets[0].files.size(), 1u);
    EXPECT_FALSE(result.sets[0].files[0].inFolder);  // a link on a stick reads as missing
    const std::atomic<bool> stop{true};
    EXPECT_TRUE(CompareFolder(Context(), W("保守A"), {1}, &stop).cancelled);
    EXPECT_FALSE(CompareFolder(Context(), W("無い"), {1}).folderExists);
}

}  // namespace
