// A transfer opens each folder once and reaches its files by name: names that
// differ only in case meet the same file, a folder removed or replaced by a link
// while the run holds it fails the row, a file put where the folder's listing had
// none is kept, every copy takes its source's mode and times whatever the umask,
// whole files already as their source are left unwritten, and each source is read once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/copy_file.h"
#include "tests/transfer/transfer_fixture.h"

namespace {
namespace fs = std::filesystem;

struct stat StatOf(const std::string& host) {
    struct stat st {};
    EXPECT_EQ(::lstat(host.c_str(), &st), 0) << host;
    return st;
}

class FolderSessionTest : public TransferTest {
protected:
    TransferResult Save(bool verify) {
        Context().verify = verify;
        host.systemSelected = {0};
        EXPECT_TRUE(engine.BuildTransferList(Direction::Save, Context(), host));
        return engine.RunTransfer(Direction::Save, Context(), host);
    }
};

TEST_F(FolderSessionTest, NamesDifferingInCaseMeetTheSameDestinationFile) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.dat"})};
    // One existing destination in other case; and two sources of one fold, the
    // second finding the name the first is about to be renamed to.
    WriteSys("U/a.dat", "new a");
    WriteExt("保守A/U/A.DAT", "old A");
    WriteSys("U/b.dat", "first b");
    WriteSys("U/B.DAT", "second B");
    for (bool verify : {true, false}) {
        SCOPED_TRACE(verify);
        const TransferResult result = Save(verify);
        ASSERT_TRUE(result.Complete(engine.FileCount()));
        ASSERT_EQ(engine.FileCount(), 3u);
        std::string lastB, firstBName;
        for (uint32_t i = 0; i < engine.FileCount(); ++i) {
            const std::string& source = engine.List().Row(i).source;
            const std::string leaf = source.substr(source.rfind('\\') + 1);
            if (leaf == "b.dat" || leaf == "B.DAT") {
                lastB = ReadHostFile(SysHost("U/" + leaf));
                if (firstBName.empty()) firstBName = leaf;
            }
        }
        EXPECT_EQ(Listing(ExtHost("保守A/U")), (std::vector<std::string>{"A.DAT", firstBName}));
        EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/A.DAT")), "new a");
        EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/" + firstBName)), lastB);
        fs::remove(ExtHost("保守A/U/" + firstBName));
    }
}

struct MidRunCase {
    const char* name;
    std::function<void(const std::string& folder, const std::string& outside)> change;
};

TEST_F(FolderSessionTest, FolderRemovedOrReplacedByALinkMidRunFailsTheRow) {
    const MidRunCase cases[] = {
        {"removed", [](const std::string& folder, const std::string&) { fs::remove_all(folder); }},
        {"replaced by a link",
         [](const std::string& folder, const std::string& outside) {
             fs::rename(folder, folder + ".moved");
             fs::create_directory_symlink(outside, folder);
         }},
        {"replaced by another folder",
         [](const std::string& folder, const std::string&) {
             fs::rename(folder, folder + ".moved");
             fs::create_directory(folder);
         }},
    };
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\0.dat", "\\1.dat"})};
    WriteSys("U/0.dat", "zero");
    WriteSys("U/1.dat", "one");
    const std::string outside = prefix.Dir() + "/outside";
    for (const MidRunCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(ExtHost("保守A"));
        fs::remove_all(outside);
        MakeHostDirs(outside);
        host.messages.clear();
        host.eventsCount = 0;
        host.onEvents = [&](int call) {
            if (call == 1) c.change(ExtHost("保守A/U"), outside);
        };
        const TransferResult result = Save(true);
        host.onEvents = nullptr;
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.rows, 0u);
        EXPECT_EQ(host.messages.size(), 1u);
        EXPECT_TRUE(fs::is_empty(outside));
        for (const std::string& dir : {ExtHost("保守A/U"), ExtHost("保守A/U.moved")})
            if (fs::is_directory(fs::symlink_status(dir))) {
                EXPECT_EQ(Listing(dir), std::vector<std::string>{}) << dir;
            }
    }
}

TEST_F(FolderSessionTest, FileAppearingAfterTheListingIsKeptAndFailsItsRow) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\0.dat", "\\1.dat"})};
    WriteSys("U/0.dat", "zero");
    WriteSys("U/1.dat", "one");
    for (bool verify : {true, false}) {
        SCOPED_TRACE(verify);
        fs::remove_all(ExtHost("保守A"));
        host.messages.clear();
        host.eventsCount = 0;
        // Another program writes the second name once the run has listed the folder.
        host.onEvents = [&](int call) {
            if (call == 1) WriteExt("保守A/U/1.dat", "theirs");
        };
        const TransferResult result = Save(verify);
        host.onEvents = nullptr;
        EXPECT_TRUE(result.failed);
        EXPECT_EQ(result.rows, 1u);
        EXPECT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/0.dat")), "zero");
        EXPECT_EQ(ReadHostFile(ExtHost("保守A/U/1.dat")), "theirs");
        EXPECT_EQ(Listing(ExtHost("保守A/U")), (std::vector<std::string>{"0.dat", "1.dat"}));
    }
}

TEST_F(FolderSessionTest, CopiesTakeTheSourceModeAndTimesWhateverTheUmask) {
    // Modes a create under the umask gives exactly, ones it would narrow, and
    // read-only ones (which only a chmod marks on some filesystems).
    const mode_t modes[] = {0644, 0600, 0755, 0640, 0444, 0400, 0666};
    const mode_t masks[] = {022, 077, 0};
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.dat"})};
    for (size_t i = 0; i < std::size(modes); ++i) {
        const std::string rel = "U/" + std::to_string(i) + ".dat";
        WriteSys(rel, "mode " + std::to_string(i));
        ASSERT_EQ(::chmod(SysHost(rel).c_str(), modes[i]), 0);
        const struct timespec times[2] = {{1600000000, 0}, {1500000000 + static_cast<time_t>(i), 123456789}};
        ASSERT_EQ(::utimensat(AT_FDCWD, SysHost(rel).c_str(), times, 0), 0);
    }
    const mode_t saved = ::umask(022);
    for (mode_t mask : masks) {
        for (bool verify : {true, false}) {
            SCOPED_TRACE(testing::Message() << "umask " << std::oct << mask << (verify ? " verified" : ""));
            ::umask(mask);
            fs::remove_all(ExtHost("保守A"));
            ASSERT_TRUE(Save(verify).Complete(std::size(modes)));
            for (size_t i = 0; i < std::size(modes); ++i) {
                const std::string rel = "U/" + std::to_string(i) + ".dat";
                const struct stat copy = StatOf(ExtHost("保守A/" + rel));
                EXPECT_EQ(copy.st_mode & 07777, modes[i]) << rel;
                EXPECT_EQ(copy.st_mtim.tv_sec, 1500000000 + static_cast<time_t>(i)) << rel;
                EXPECT_EQ(copy.st_mtim.tv_nsec, 123456789) << rel;
            }
        }
    }
    ::umask(saved);
}

struct UnchangedCase {
    const char* name;
    bool verify;
    std::function<void(const std::string& destination)> change;  // after the first save
    bool rewritten;
};

TEST_F(FolderSessionTest, WholeFilesAlreadyAsTheirSourceAreLeftUnwritten) {
    const auto sameSizeOtherBytes = [](const std::string& d) {
        const struct stat before = StatOf(d);
        WriteHostFile(d, "XXXXXXXX");
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, d.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    };
    const auto otherTime = [](const std::string& d) {
        const struct timespec times[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, d.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    };
    const UnchangedCase cases[] = {
        {"unchanged, verified", true, nullptr, false},
        {"unchanged, unverified", false, nullptr, false},
        {"same size and time, other bytes, verified", true, sameSizeOtherBytes, true},
        // Without verification size and time are all that is compared.
        {"same size and time, other bytes, unverified", false, sameSizeOtherBytes, false},
        {"other time", false, otherTime, true},
        {"other mode", true, [](const std::string& d) { ::chmod(d.c_str(), 0600); }, true},
        {"other mode, unverified", false, [](const std::string& d) { ::chmod(d.c_str(), 0600); }, true},
        {"other time, verified", true, otherTime, true},
    };
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.dat"})};
    WriteSys("U/a.dat", "AAAAAAAA");
    WriteSys("U/b.dat", "BBBBBBBB");
    ::chmod(SysHost("U/b.dat").c_str(), 0640);
    const std::string changed = ExtHost("保守A/U/a.dat"), other = ExtHost("保守A/U/b.dat");
    for (const UnchangedCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(ExtHost("保守A"));
        ASSERT_TRUE(Save(c.verify).Complete(2));
        const struct stat first = StatOf(other);
        if (c.change) c.change(changed);
        const ino_t inode = StatOf(changed).st_ino;
        const TransferResult second = Save(c.verify);
        ASSERT_TRUE(second.Complete(2));
        EXPECT_EQ(second.files, 2u);
        EXPECT_EQ(second.unchanged, c.rewritten ? 1u : 2u);
        EXPECT_EQ(StatOf(changed).st_ino != inode, c.rewritten);
        if (c.rewritten) {
            EXPECT_EQ(ReadHostFile(changed), "AAAAAAAA");
        }
        // What a full copy leaves: the source's bytes, time and mode, untouched.
        const struct stat source = StatOf(SysHost("U/b.dat")), kept = StatOf(other);
        EXPECT_EQ(ReadHostFile(other), "BBBBBBBB");
        EXPECT_EQ(kept.st_ino, first.st_ino);
        EXPECT_EQ(kept.st_mode, source.st_mode);
        EXPECT_EQ(kept.st_mtim.tv_sec, source.st_mtim.tv_sec);
        EXPECT_EQ(kept.st_mtim.tv_nsec, source.st_mtim.tv_nsec);
    }
}

size_t g_sourceBytesRead = 0;

TEST_F(FolderSessionTest, EachSourceIsReadOnce) {
    catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.dat"})};
    WriteSys("U/a.dat", std::string(5000, 'a'));
    WriteSys("U/b.dat", std::string(300 * 1024, 'b'));
    WriteSys("U/c.dat", "");
    platform::SetSourceReadHookForTesting([](size_t bytes) { g_sourceBytesRead += bytes; });
    // A first save copies (and hashes) each source in one read; a second, of
    // unchanged files, hashes each once and writes nothing.
    for (const char* save : {"first", "second"}) {
        SCOPED_TRACE(save);
        g_sourceBytesRead = 0;
        ASSERT_TRUE(Save(true).Complete(3));
        EXPECT_EQ(g_sourceBytesRead, 5000u + 300 * 1024);
    }
    platform::SetSourceReadHookForTesting(nullptr);
}

}  // namespace
