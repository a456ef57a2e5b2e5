// Verification of written files: a medium that returns other bytes than were
// written fails the row with its own second line, and a save then marks nothing.
#include "catalogue/folder_index_file.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/verify.h"

namespace {

// The write error and its reason; what the transfer kept follows.
const char* const kMismatchText =
    "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください\n"
    "書き込んだファイルを読み返すと、記録媒体から異なるデータが返されました（媒体の不良の可能性があります）";

class VerifyTest : public TransferTest {
protected:
    ~VerifyTest() override { verify::SetBeforeReadBackForTesting({}); }
    // A medium that returns other bytes for every file whose host path holds `part`.
    void LieAbout(const std::string& part) {
        verify::SetBeforeReadBackForTesting([part](const std::string& hostPath) {
            if (hostPath.find(part) == std::string::npos) return;
            std::string bytes = ReadHostFile(hostPath);
            bytes[bytes.size() / 2] ^= 0x40;
            WriteHostFile(hostPath, bytes);
        });
    }
};

struct LyingCase {
    const char* name;
    Direction direction;
    int type;  // 0 plain file, 2 document
    bool verify;
    bool caught;
};

TEST_F(VerifyTest, AMediumThatReturnsOtherBytesFailsTheRow) {
    const LyingCase cases[] = {
        {"save of a plain file", Direction::Save, 0, true, true},
        {"save of a document copied whole", Direction::Save, 2, true, true},
        {"register of a plain file", Direction::Register, 0, true, true},
        {"register of a document's groups", Direction::Register, 2, true, true},
        {"save with verification off", Direction::Save, 0, false, false},
    };
    for (const LyingCase& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveHostTree(SysHost());
        RemoveHostTree(ExtHost());
        host.messages.clear();
        const bool doc = c.type != 0;
        const std::string file = doc ? "U/MAP.DEM" : "U/a.ini";
        catalogue = {MakeEntry(c.type, 0, "U", "\\U", {doc ? "\\MAP.DEM" : "\\a.ini"})};
        if (doc) {
            WriteDocument(SysHost(file), SeededAttr(10, 4), "system body");
            WriteDocument(ExtHost("保守A/" + file), SeededAttr(60, 6), "folder body");
            if (c.direction == Direction::Save) RemoveHostTree(ExtHost("保守A"));
        } else {
            WriteSys(file, std::string(10000, 's'));
            WriteExt("保守A/" + file, std::string(10000, 'f'));
        }
        presence = {1};
        host.systemSelected = host.externalSelected = {0};
        LieAbout(c.direction == Direction::Save ? "PARC_JDT" : "/SYS/");
        Context().verify = c.verify;
        ASSERT_TRUE(engine.BuildTransferList(c.direction, Context(), host));
        const uint32_t written = engine.RunTransfer(c.direction, Context(), host).rows;
        if (c.caught) {
            EXPECT_EQ(written, 0u);
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.Texts()[0].rfind(kMismatchText, 0), 0u) << host.Texts()[0];
            EXPECT_EQ(host.messages[0].icon, MsgIcon::Stop);
        } else {
            EXPECT_EQ(written, 1u);
            EXPECT_TRUE(host.messages.empty());
        }
    }
}

TEST_F(VerifyTest, ASaveReadBackOtherThanWrittenMarksOnlyTheSetsCheckedBeforeIt) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.ini"}), MakeEntry(0, 0, "V", "\\V", {"\\*.ini"})};
    WriteSys("U/a.ini", "aaaa");
    WriteSys("V/b.ini", "bbbb");
    host.systemSelected = {0, 1};
    LieAbout("/V/");  // the read-back is of the temporary file, before any rename
    RunSave(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 2u);  // the confirmation, then the failure
    EXPECT_EQ(host.Texts()[1].rfind(kMismatchText, 0), 0u) << host.Texts()[1];
    const std::string index = W("E:\\PARC_JDT\\保守A\\JKNDT.INI");
    EXPECT_EQ(FolderIndexFile::ReadFlag(index, 0), 1);  // read back as written, before the bad one
    EXPECT_EQ(FolderIndexFile::ReadFlag(index, 1), 0);
    EXPECT_FALSE(HostExists(ExtHost("保守A/V/b.ini")));

    // The same save on an honest medium marks both.
    verify::SetBeforeReadBackForTesting({});
    host.messages.clear();
    RunSave(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(FolderIndexFile::ReadFlag(index, 0), 1);
    EXPECT_EQ(FolderIndexFile::ReadFlag(index, 1), 1);
}

TEST_F(VerifyTest, ADocumentIsCheckedByItsGroupsNotItsBytes) {
    // The system's document gains the folder's kind-1 groups; its body and other
    // groups stay, so the bytes differ from either source while the check passes.
    catalogue = {MakeEntry(2, 0, "U", "\\U", {"\\MAP.DEM"})};
    WriteDocument(SysHost("U/MAP.DEM"), SeededAttr(10, 2), "system body");
    WriteDocument(ExtHost("保守A/U/MAP.DEM"), SeededAttr(90, 7), "folder body");
    presence = {1};
    host.externalSelected = {0};
    // The medium keeps the body but hands back the second table one entry short.
    verify::SetBeforeReadBackForTesting([&](const std::string& hostPath) {
        if (hostPath.find("/SYS/") == std::string::npos) return;
        std::string body;
        DemAttr attr = ReadDocument(hostPath, &body);
        attr.table265Second.count -= 1;
        WriteDocument(hostPath, attr, body);
    });
    ASSERT_TRUE(engine.BuildTransferList(Direction::Register, Context(), host));
    EXPECT_EQ(engine.RunTransfer(Direction::Register, Context(), host).rows, 0u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.Texts()[0].rfind(kMismatchText, 0), 0u) << host.Texts()[0];

    verify::SetBeforeReadBackForTesting({});
    host.messages.clear();
    EXPECT_EQ(engine.RunTransfer(Direction::Register, Context(), host).rows, 1u);
    EXPECT_TRUE(host.messages.empty());
}

TEST(VerifyDigest, ReadBackMatchesHashOnDiskAndOnTmpfs) {
    // A disk takes direct reads; tmpfs refuses them and is read through the cache.
    std::vector<std::string> dirs = {MakeTempDir()};
    char shm[] = "/dev/shm/verify-XXXXXX";
    if (mkdtemp(shm)) dirs.push_back(shm);
    for (const std::string& dir : dirs) {
        SCOPED_TRACE(dir);
        const std::string big(5 * 1024 * 1024 + 123, 'x');  // more than one direct read, not aligned
        const std::pair<const char*, std::string> files[] = {
            {"a", "same"}, {"b", "same"}, {"c", "sama"}, {"e", ""}, {"big", big}};
        for (const auto& [name, bytes] : files) WriteHostFile(dir + "/" + name, bytes);
        verify::Digest d[5], back;
        for (int i = 0; i < 5; ++i) {
            const std::string path = dir + "/" + files[i].first;
            ASSERT_TRUE(verify::HashHostFile(path, &d[i]));
            ASSERT_TRUE(verify::ReadBackFromMedium(path, &back));
            EXPECT_EQ(back, d[i]) << files[i].first;
            EXPECT_EQ(d[i].size, files[i].second.size());
        }
        EXPECT_EQ(d[0], d[1]);
        EXPECT_NE(d[0].hash, d[2].hash);
        EXPECT_FALSE(verify::HashHostFile(dir + "/missing", &back));
        EXPECT_FALSE(verify::ReadBackFromMedium(dir + "/missing", &back));
        RemoveHostTree(dir);
    }
}

}  // namespace
