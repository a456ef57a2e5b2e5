// The transfer locks: when a lock file counts as held and when it is taken over,
// takers racing for one stale lock, the folder lock's name among a stick's files,
// and the operations refusing to write while another run holds a lock.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "catalogue/folder_index_file.h"
#include "platform/copy_file.h"
#include "platform/lock_file.h"
#include "platform/win32.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/restore_point.h"
#include "transfer/transfer_lock.h"
#include "transfer/undo_register.h"

namespace {

namespace fs = std::filesystem;

void SetAge(const std::string& path, int64_t seconds) {
    const time_t t = time(nullptr) - static_cast<time_t>(seconds);
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// A pid that named a process a moment ago and names none now.
int DeadPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return static_cast<int>(child);
}

LockOwner Me() { return ThisProcessAsOwner(); }

struct RuleCase {
    const char* name;
    std::function<std::string()> content;  // null: no file at all
    int64_t ageSeconds;
    bool takenOver;
};

class LockRules : public ::testing::TestWithParam<RuleCase> {
protected:
    LockRules() : dir(MakeTempDir()), path(dir + "/x.lock") {}
    ~LockRules() override { RemoveHostTree(dir); }
    std::string dir, path;
};

TEST_P(LockRules, HeldOrTakenOver) {
    const RuleCase& c = GetParam();
    std::string before;
    if (c.content) {
        before = c.content();
        WriteHostFile(path, before);
        SetAge(path, c.ageSeconds);
    }
    TransferLock lock = TransferLock::Take(path);
    if (!c.takenOver) {
        EXPECT_EQ(lock.State(), LockState::Busy);
        EXPECT_EQ(ReadHostFile(path), before);  // the holder's file is untouched
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
        return;
    }
    ASSERT_EQ(lock.State(), LockState::Held);
    const LockOwner written = ParseLockOwner(ReadHostFile(path));
    EXPECT_TRUE(written.named);
    EXPECT_EQ(written.pid, static_cast<int>(getpid()));
    EXPECT_EQ(written.pidStart, Me().pidStart);
    EXPECT_EQ(written.host, Me().host);
    lock.Release();
    EXPECT_TRUE(fs::is_empty(dir));  // the lock and the stale one moved aside are gone
}

std::string With(const std::string& host, int pid, int64_t pidStart, const std::string& boot = "") {
    LockOwner o = Me();
    o.host = host;
    o.pid = pid;
    o.pidStart = pidStart;
    o.bootId = boot.empty() ? o.bootId : boot;
    return FormatLockOwner(o);
}

constexpr int64_t kOld = kLockStaleSeconds + 60;

INSTANTIATE_TEST_SUITE_P(
    Cases, LockRules,
    ::testing::Values(
        RuleCase{"Free", nullptr, 0, true}, RuleCase{"LiveProcessHere", [] { return FormatLockOwner(Me()); }, 0, false},
        // A live holder here is never taken over, however long it has held the lock.
        RuleCase{"LiveProcessHereForLong", [] { return FormatLockOwner(Me()); }, kOld, false},
        RuleCase{"DeadProcessHere", [] { return With(Me().host, DeadPid(), 1); }, 0, true},
        RuleCase{"PidUsedAgainByAnotherProcess", [] { return With(Me().host, Me().pid, Me().pidStart + 1); }, 0, true},
        RuleCase{"BeforeThisMachinesBoot", [] { return With(Me().host, Me().pid, Me().pidStart, "other-boot"); }, 0,
                 true},
        RuleCase{"OtherHostFresh", [] { return With("pc17.example", 4711, 99); }, 60, false},
        RuleCase{"OtherHostJustUnderTheAge", [] { return With("pc17.example", 4711, 99); }, kLockStaleSeconds - 60,
                 false},
        RuleCase{"OtherHostOld", [] { return With("pc17.example", 4711, 99); }, kOld, true},
        // Content that names no holder (being written, cut short, garbage) is held until old.
        RuleCase{"EmptyFresh", [] { return std::string(); }, 0, false},
        RuleCase{"GarbageFresh", [] { return std::string("\x01\xff not a lock\n"); }, 0, false},
        RuleCase{"CutShortFresh", [] { return FormatLockOwner(Me()).substr(0, 20); }, 0, false},
        RuleCase{"OversizedFresh", [] { return FormatLockOwner(Me()) + std::string(5000, '#'); }, 0, false},
        RuleCase{"GarbageOld", [] { return std::string("garbage"); }, kOld, true},
        RuleCase{"UnknownKeyOld", [] { return FormatLockOwner(Me()) + "owner=someone\n"; }, kOld, true}),
    [](const ::testing::TestParamInfo<RuleCase>& p) { return std::string(p.param.name); });

TEST(TransferLock, ContentRoundTripsAndReleaseSparesAnotherRunsLock) {
    LockOwner o = Me();
    o.startedUnix = 1796000000;
    const LockOwner back = ParseLockOwner(FormatLockOwner(o));
    EXPECT_TRUE(back.named);
    EXPECT_EQ(back.host, o.host);
    EXPECT_EQ(back.pid, o.pid);
    EXPECT_EQ(back.pidStart, o.pidStart);
    EXPECT_EQ(back.bootId, o.bootId);
    EXPECT_EQ(back.startedUnix, o.startedUnix);

    const std::string dir = MakeTempDir(), path = dir + "/x.lock";
    {
        TransferLock lock = TransferLock::Take(path);
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(TransferLock::Take(path).State(), LockState::Busy);  // not re-entrant
        // Taken over meanwhile (as a stale one would be): the end leaves the new holder's file.
        WriteHostFile(path, With("pc17.example", 1, 1));
    }
    EXPECT_EQ(ReadHostFile(path), With("pc17.example", 1, 1));
    // A wait is ended by the stop flag; the holder is named while waiting.
    std::atomic<bool> stop{true};
    int told = 0;
    const LockWait wait{kLockWaitForever, &stop, [&](const LockOwner& holder) {
                            ++told;
                            EXPECT_EQ(holder.host, "pc17.example");
                        }};
    EXPECT_EQ(TransferLock::Take(path, wait).State(), LockState::Stopped);
    RemoveHostTree(dir);
}

int g_takerDelayUs = 0;

// Several processes find one stale lock at once: exactly one of them holds it.
TEST(TransferLock, RacingTakersOfAStaleLockLeaveOneHolder) {
    const std::string dir = MakeTempDir(), path = dir + "/x.lock";
    constexpr int kTakers = 6;
    for (int round = 0; round < 20; ++round) {
        WriteHostFile(path, With("pc17.example", 4711, 99));
        SetAge(path, kOld);
        int go[2], held[2], done[2];
        ASSERT_EQ(pipe(go), 0);
        ASSERT_EQ(pipe(held), 0);
        ASSERT_EQ(pipe(done), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < kTakers; ++i) {
            const pid_t child = fork();
            if (child == 0) {
                char c;
                close(go[1]);
                close(done[1]);
                if (read(go[0], &c, 1) != 0) _exit(3);  // all start when the pipe closes
                // Every taker judges the lock stale before the first takes it over; they
                // go on in pairs, at once and after the ones before have finished.
                g_takerDelayUs = 20000 + (i / 2) * 3000;
                SetTakeOverHookForTesting([] { usleep(static_cast<useconds_t>(g_takerDelayUs)); });
                TransferLock lock = TransferLock::Take(path);
                const char mark = lock.Held() ? 'H' : lock.State() == LockState::Busy ? 'B' : 'F';
                if (write(held[1], &mark, 1) != 1) _exit(3);
                if (read(done[0], &c, 1) != 0) _exit(3);  // hold until every taker has answered
                lock.Release();                           // _exit runs no destructor
                _exit(0);
            }
            children.push_back(child);
        }
        close(go[0]);
        close(go[1]);
        close(held[1]);
        std::string marks;
        char c;
        while (marks.size() < kTakers && read(held[0], &c, 1) == 1) marks += c;
        close(done[1]);
        for (pid_t child : children) waitpid(child, nullptr, 0);
        close(held[0]);
        close(done[0]);
        EXPECT_EQ(std::count(marks.begin(), marks.end(), 'H'), 1) << "round " << round << ": " << marks;
        EXPECT_EQ(std::count(marks.begin(), marks.end(), 'B'), kTakers - 1) << marks;
        EXPECT_TRUE(fs::is_empty(dir)) << "round " << round;  // released, nothing left aside
    }
    RemoveHostTree(dir);
}

class LockedOperations : public TransferTest {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            const std::string d = "D" + std::to_string(i);
            catalogue.push_back(MakeEntry(0, 0, d, "\\" + d, {"\\*.ini"}));
            WriteSys(d + "/s.ini", "system " + d);
            WriteExt("保守A/" + d + "/s.ini", "folder " + d);
        }
        presence = {1, 1};
        host.folderName = W("保守A");
        Context().lockFolder = userData + "/locks";
        Context().restoreRoot = userData + "/points";
    }
    ~LockedOperations() override { RemoveHostTree(userData); }
    // A lock held by this (live) process, or an old one of another machine.
    void PlantLock(const std::string& path, bool live) {
        MakeHostDirs(fs::path(path).parent_path().string());
        WriteHostFile(path, live ? FormatLockOwner(Me()) : With("pc17.example", 4711, 99));
        if (!live) SetAge(path, kOld);
    }
    std::string FolderLock() const { return ExtHost("保守A/~$maintenance.lock"); }
    std::string userData = MakeTempDir();
};

TEST_F(LockedOperations, BusyFolderOrInstallationWritesNothingAndNamesTheHolder) {
    struct Case {
        const char* name;
        bool save;
        bool folderLock;  // else the installation's
    };
    for (const Case c : {Case{"save", true, true}, Case{"register", false, true}, Case{"register", false, false}}) {
        SCOPED_TRACE(c.name + std::string(c.folderLock ? " folder" : " installation"));
        const std::string lockPath = c.folderLock ? FolderLock() : InstallationLockPath(userData + "/locks");
        PlantLock(lockPath, true);
        const std::string held = ReadHostFile(lockPath);
        const std::vector<std::string> stick = Listing(ExtHost()), system = Listing(SysHost());
        host.messages.clear();
        host.systemSelected = {0, 1};
        host.externalSelected = {0, 1};
        if (c.save)
            RunSave(engine, Context(), host);
        else
            RunRegister(engine, Context(), host);
        ASSERT_EQ(host.messages.size(), 1u);  // no confirmation: nothing was asked
        const std::string text = host.Texts()[0];
        EXPECT_NE(text.find(c.folderLock ? "保守フォルダ「E:\\PARC_JDT\\保守A」は、ほかの保存または再登録が使用中です。"
                                         : "は、ほかの再登録または再登録の取り消しが使用中です。"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("\n使用中: ホスト " + Me().host + "、プロセス " + std::to_string(getpid()) + "、"),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("12 時間以上前"), std::string::npos) << text;
        EXPECT_EQ(host.messages[0].icon, MsgIcon::Stop);
        EXPECT_EQ(Listing(ExtHost()), stick);
        EXPECT_EQ(Listing(SysHost()), system);
        EXPECT_EQ(ReadHostFile(SysHost("D0/s.ini")), "system D0");
        EXPECT_FALSE(HostExists(userData + "/points"));  // no restore point either
        EXPECT_EQ(ReadHostFile(lockPath), held);
        fs::remove(lockPath);
    }
}

TEST_F(LockedOperations, StaleLocksAreTakenOverAndEveryLockGoesAtTheEnd) {
    PlantLock(FolderLock(), false);
    PlantLock(InstallationLockPath(userData + "/locks"), false);
    host.externalSelected = {0, 1};
    RunRegister(engine, Context(), host);
    EXPECT_EQ(ReadHostFile(SysHost("D0/s.ini")), "folder D0");
    RestorePointStore store(userData + "/points", Context().systemRoot);
    RestorePoint point;
    ASSERT_TRUE(store.Latest(&point));
    EXPECT_FALSE(HostExists(FolderLock()));
    EXPECT_FALSE(HostExists(InstallationLockPath(userData + "/locks")));
    EXPECT_TRUE(RunUndoRegister(store, point, host, userData + "/locks"));
    EXPECT_EQ(ReadHostFile(SysHost("D0/s.ini")), "system D0");

    // A save into a new folder that ends before writing leaves neither lock nor folder.
    host.folderName = W("新規");
    host.systemSelected = {0};
    host.answers = {MsgAnswer::Cancel};
    RunSave(engine, Context(), host);
    EXPECT_FALSE(HostExists(ExtHost("新規")));
    host.answers.clear();
    RunSave(engine, Context(), host);
    EXPECT_EQ(Listing(ExtHost("新規")), (std::vector<std::string>{"D0", "D0/s.ini", "JKNDT.INI"}));
}

TEST_F(LockedOperations, TheFolderLockIsNeverListedNorSwept) {
    EXPECT_FALSE(platform::IsTransferTempName(platform::kFolderLockName));
    PlantLock(FolderLock(), true);
    SetAge(FolderLock(), 24 * 3600);  // older than any temporary file the sweep removes
    WriteExt("保守A/~$s.ini.abcd1234.tmp", "left by a kill");
    SetAge(ExtHost("保守A/~$s.ini.abcd1234.tmp"), 3600);
    EXPECT_EQ(platform::RemoveStaleTemps(W("E:\\PARC_JDT\\保守A").c_str()), 1);
    EXPECT_TRUE(HostExists(FolderLock()));
    WIN32_FIND_DATAA found{};
    std::vector<std::string> names;
    HANDLE h = FindFirstFileA(W("E:\\PARC_JDT\\保守A\\*").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do names.push_back(found.cFileName);
    while (FindNextFileA(h, &found));
    FindClose(h);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "D0", "D1"}));
}

}  // namespace
