// A stick (or a catalogue) made by someone else: links that point out of it,
// paths that climb out of the data root, FIFOs, our own temporary files and a
// source that changes while it is copied. Nothing outside the roots may be written
// or read, and a partial copy is never reported as saved.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "catalogue/folder_index_file.h"
#include "platform/copy_file.h"
#include "tests/transfer/transfer_fixture.h"

namespace {
namespace fs = std::filesystem;

constexpr const char* kSecret = "SECRET OF THE MACHINE";

// Every file below a host folder (links not followed) with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> out;
    std::error_code ec;
    if (fs::is_symlink(dir, ec)) return {{".", "-> " + fs::read_symlink(dir, ec).string()}};
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path& p = it->path();
        std::string rel = fs::relative(p, dir).string();
        if (it->is_symlink(ec))
            out[rel] = "-> " + fs::read_symlink(p, ec).string();
        else if (it->is_regular_file(ec))
            out[rel] = ReadHostFile(p.string());
        else if (it->is_directory(ec))
            out[rel] = "<dir>";
        else
            out[rel] = "<special>";
    }
    return out;
}

bool AnyFileHolds(const std::string& dir, const std::string& text) {
    for (const auto& [rel, bytes] : Snapshot(dir))
        if (bytes.find(text) != std::string::npos) return true;
    return false;
}

void Truncate(const char* host) { ASSERT_EQ(::truncate(host, 3), 0); }
void Grow(const char* host) {
    FILE* f = std::fopen(host, "ab");
    ASSERT_NE(f, nullptr);
    std::fputs(" and more", f);
    std::fclose(f);
}

class HostileStick;

struct HostileCase {
    const char* name;
    bool save;  // else register
    std::function<void(HostileStick&, const std::string& outside)> arrange;
    std::function<void(HostileStick&)> check;  // beyond "nothing outside written or read"
    void (*hook)(const char*) = nullptr;       // runs while a file is copied
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

const char* const kWriteError = "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください";

class HostileStick : public TransferTest, public ::testing::WithParamInterface<HostileCase> {
public:
    using TransferTest::catalogue;
    using TransferTest::engine;
    using TransferTest::ExtHost;
    using TransferTest::host;
    using TransferTest::SysHost;
    using TransferTest::WriteExt;
    using TransferTest::WriteSys;

    int WriteErrors() const {
        int n = 0;
        for (const std::string& text : host.Texts()) n += text.rfind(kWriteError, 0) == 0;
        return n;
    }
    int Flag() const { return FolderIndexFile::ReadFlag(W("E:\\PARC_JDT\\保守A\\JKNDT.INI"), 0); }

protected:
    void SetUp() override {
        // D0: one plain data set on both sides; D1: a document data set.
        catalogue.push_back(MakeEntry(0, 0, "D0", "\\D0", {"\\*.*"}));
        WriteSys("D0/s.ini", "system D0");
        // Outside the data root C:\SYS and outside the stick.
        outside = prefix.DriveC() + "/outside";
        WriteHostFile(outside + "/s.ini", kSecret);
        WriteHostFile(outside + "/JKNDT.INI", std::string("[x]\r\n") + kSecret + "\r\n");
        WriteHostFile(outside + "/D0/s.ini", kSecret);
        WriteExt("保守A/JKNDT.INI", W("[データ存在フラグ]\r\n0=1\r\n"));
        WriteExt("保守A/D0/s.ini", "stick D0");
    }
    void TearDown() override { platform::SetCopyHookForTesting(nullptr); }
    std::string outside;
};

const HostileCase kCases[] = {
    {"SaveIntoLinkedMaintenanceFolder", true,
     [](HostileStick& t, const std::string& out) {
         RemoveHostTree(t.ExtHost("保守A"));
         fs::create_directory_symlink(out, t.ExtHost("保守A"));
     },
     [](HostileStick& t) { EXPECT_EQ(t.WriteErrors(), 1); }},
    {"SaveIntoLinkedMaintenanceRoot", true,
     [](HostileStick& t, const std::string& out) {
         RemoveHostTree(t.ExtHost());
         fs::create_directory_symlink(out, t.ExtHost());
     },
     nullptr},
    {"SaveIntoLinkedSubFolder", true,
     [](HostileStick& t, const std::string& out) {
         RemoveHostTree(t.ExtHost("保守A/D0"));
         fs::create_directory_symlink(out, t.ExtHost("保守A/D0"));
     },
     [](HostileStick& t) { EXPECT_EQ(t.WriteErrors(), 1); }},
    {"SaveOverLinkedIndexFile", true,
     [](HostileStick& t, const std::string& out) {
         fs::remove(t.ExtHost("保守A/JKNDT.INI"));
         fs::create_symlink(out + "/JKNDT.INI", t.ExtHost("保守A/JKNDT.INI"));
     },
     [](HostileStick& t) {
         // Saved, and the link replaced by an index file of our own.
         EXPECT_EQ(ReadHostFile(t.ExtHost("保守A/D0/s.ini")), "system D0");
         EXPECT_FALSE(fs::is_symlink(t.ExtHost("保守A/JKNDT.INI")));
         EXPECT_EQ(t.Flag(), 1);
     }},
    {"RegisterFromLinkedFile", false,
     [](HostileStick& t, const std::string& out) {
         fs::remove(t.ExtHost("保守A/D0/s.ini"));
         fs::create_symlink(out + "/s.ini", t.ExtHost("保守A/D0/s.ini"));
     },
     [](HostileStick& t) { EXPECT_EQ(ReadHostFile(t.SysHost("D0/s.ini")), "system D0"); }},
    {"RegisterFromLinkedSubFolder", false,
     [](HostileStick& t, const std::string& out) {
         RemoveHostTree(t.ExtHost("保守A/D0"));
         fs::create_directory_symlink(out, t.ExtHost("保守A/D0"));
     },
     [](HostileStick& t) { EXPECT_EQ(ReadHostFile(t.SysHost("D0/s.ini")), "system D0"); }},
    {"RegisterFromLinkedMaintenanceFolder", false,
     [](HostileStick& t, const std::string& out) {
         RemoveHostTree(t.ExtHost("保守A"));
         fs::create_directory_symlink(out, t.ExtHost("保守A"));
     },
     [](HostileStick& t) { EXPECT_EQ(ReadHostFile(t.SysHost("D0/s.ini")), "system D0"); }},
    {"RegisterThroughCataloguePathWithDotDot", false,
     [](HostileStick& t, const std::string&) {
         t.catalogue[0] = MakeEntry(0, 0, "..\\..\\..\\outside\\D0", "\\D0", {"\\*.*"});
     },
     [](HostileStick& t) { EXPECT_EQ(t.engine.FileCount(), 0u); }},
    {"SaveThroughCatalogueNameWithDotDot", true,
     [](HostileStick& t, const std::string&) {
         t.catalogue[0] = MakeEntry(0, 0, "D0", "\\D0", {"\\..\\..\\..\\..\\outside\\*.*"});
     },
     [](HostileStick& t) { EXPECT_EQ(t.engine.FileCount(), 0u); }},
    {"RegisterLeavesOurTemporaryFileBehind", false,
     [](HostileStick& t, const std::string&) { t.WriteExt("保守A/D0/~$s.ini.k3j9x0qa.tmp", "half a copy"); },
     [](HostileStick& t) {
         EXPECT_FALSE(HostExists(t.SysHost("D0/~$s.ini.k3j9x0qa.tmp")));
         EXPECT_EQ(ReadHostFile(t.SysHost("D0/s.ini")), "stick D0");
     }},
    {"SaveSweepsStaleTemporaryFile", true,
     [](HostileStick& t, const std::string&) {
         t.WriteExt("保守A/D0/~$s.ini.0a1b2c3d.tmp", std::string(4096, 'x'));
         struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
         ASSERT_EQ(utimensat(AT_FDCWD, t.ExtHost("保守A/D0/~$s.ini.0a1b2c3d.tmp").c_str(), old, 0), 0);
     },
     [](HostileStick& t) {
         EXPECT_EQ(Listing(t.ExtHost("保守A/D0")), std::vector<std::string>{"s.ini"});
         EXPECT_EQ(ReadHostFile(t.ExtHost("保守A/D0/s.ini")), "system D0");
     }},
    {"SaveOfSourceTruncatedMidCopy", true,
     [](HostileStick& t, const std::string&) {
         t.WriteSys("D0/s.ini", std::string(1 << 20, 'a'));
         t.WriteExt("保守A/JKNDT.INI", W("[データ存在フラグ]\r\n0=0\r\n"));
     },
     [](HostileStick& t) {
         EXPECT_EQ(t.Flag(), 0);
         EXPECT_EQ(ReadHostFile(t.ExtHost("保守A/D0/s.ini")), "stick D0");
         EXPECT_EQ(Listing(t.ExtHost("保守A/D0")), std::vector<std::string>{"s.ini"});
         EXPECT_EQ(t.WriteErrors(), 1);
     },
     Truncate},
    {"SaveOfSourceGrownMidCopy", true,
     [](HostileStick& t, const std::string&) { t.WriteExt("保守A/JKNDT.INI", W("[データ存在フラグ]\r\n0=0\r\n")); },
     [](HostileStick& t) {
         EXPECT_EQ(t.Flag(), 0);
         EXPECT_EQ(ReadHostFile(t.ExtHost("保守A/D0/s.ini")), "stick D0");
         EXPECT_EQ(t.WriteErrors(), 1);
     },
     Grow},
    {"SaveOfDocumentOverFifoOnTheStick", true,
     [](HostileStick& t, const std::string&) {
         t.catalogue.push_back(MakeEntry(2, 0, "DOC", "\\DOC", {"\\*.DEM"}));
         WriteDocument(t.SysHost("DOC/A.DEM"), SeededAttr(1, 2), "body");
         MakeHostDirs(t.ExtHost("保守A/DOC"));
         ASSERT_EQ(mkfifo(t.ExtHost("保守A/DOC/A.DEM").c_str(), 0600), 0);
         t.host.systemSelected.insert(1);
     },
     [](HostileStick& t) {
         EXPECT_EQ(t.WriteErrors(), 1);
         struct stat st {};
         ASSERT_EQ(lstat(t.ExtHost("保守A/DOC/A.DEM").c_str(), &st), 0);
         EXPECT_TRUE(S_ISFIFO(st.st_mode));
     }},
};

TEST_P(HostileStick, NothingOutsideIsWrittenOrReadAndNoPartialCopyCountsAsSaved) {
    const HostileCase& c = GetParam();
    c.arrange(*this, outside);
    const auto before = Snapshot(outside);
    platform::SetCopyHookForTesting(c.hook);
    if (c.save) {
        host.systemSelected.insert(0);
        RunSave(engine, Context(), host);
    } else {
        presence.assign(catalogue.size(), 0);
        presence[0] = 1;
        Context().presence = presence.data();
        host.externalSelected = {0};
        RunRegister(engine, context, host);
    }
    platform::SetCopyHookForTesting(nullptr);
    EXPECT_EQ(Snapshot(outside), before);
    EXPECT_FALSE(AnyFileHolds(SysHost(), kSecret));
    EXPECT_FALSE(AnyFileHolds(ExtHost(), kSecret));
    if (c.check) c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileStick, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& p) { return p.param.name; });

}  // namespace
