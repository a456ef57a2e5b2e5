// Restore points of a register and their undo: bytes, times, modes and absent
// files put back exactly, also after a crash; a full disk stops the register
// before anything is touched; pruning; damaged points are never trusted.
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/transfer/transfer_fixture.h"
#include "transfer/restore_point_manifest.h"
#include "transfer/safety_texts.h"
#include "transfer/undo_register.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct FileState {
    bool exists = false;
    std::string bytes;
    int64_t mtimeNs = 0;
    mode_t mode = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& hostPath) {
    FileState s;
    struct stat st {};
    if (stat(hostPath.c_str(), &st) != 0) return s;
    s.exists = true;
    s.bytes = ReadHostFile(hostPath);
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.mode = st.st_mode & 07777;
    return s;
}

void SetTimes(const std::string& hostPath, time_t seconds, long ns) {
    const timespec t[2] = {{seconds, ns}, {seconds, ns}};
    ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), t, 0), 0);
}

class RestorePointTest : public TransferTest {
protected:
    RestorePointTest() : data(MakeTempDir()), store(data + "/points", "C:\\SYS") {}
    ~RestorePointTest() override {
        if (mounted) umount2(store.Root().c_str(), MNT_DETACH);
        RemoveHostTree(data);
    }

    // The system before the register: a settings file with its own mode and time,
    // a document, and a file the folder brings that the system lacks.
    void SetUpRegister() {
        catalogue = {MakeEntry(0, 0, "U", "\\U", {"\\*.ini"}), MakeEntry(2, 0, "DOC", "\\DOC", {"\\MAP.DEM"})};
        WriteSys("U/a.ini", "system a");
        chmod(SysHost("U/a.ini").c_str(), 0640);
        SetTimes(SysHost("U/a.ini"), 1000000000, 123456789);
        WriteDocument(SysHost("DOC/MAP.DEM"), SeededAttr(10, 2), "system body");
        WriteExt("保守A/U/a.ini", "folder a, longer");
        WriteExt("保守A/U/new.ini", "folder new");
        WriteDocument(ExtHost("保守A/DOC/MAP.DEM"), SeededAttr(90, 7), "folder body");
        presence = {1, 1};
        host.externalSelected = {0, 1};
        Context().restoreRoot = store.Root();
        Context().keepRestorePoints = 20;
        before = Snapshot();
    }
    std::vector<FileState> Snapshot() const {
        return {StateOf(SysHost("U/a.ini")), StateOf(SysHost("U/new.ini")), StateOf(SysHost("DOC/MAP.DEM"))};
    }
    // A point folder `id` with the manifest `m` (its id set to `id`) and the kept
    // copies of `copiesFrom`, when given.
    void Plant(const std::string& id, json m, const std::string& copiesFrom = "") {
        m["id"] = id;
        MakeHostDirs(store.Root() + "/" + id);
        WriteHostFile(store.Root() + "/" + id + "/manifest.json", m.dump());
        if (!copiesFrom.empty())
            fs::copy(copiesFrom + "/files", store.Root() + "/" + id + "/files", fs::copy_options::recursive);
    }
    // An empty point folder: never a valid point, it only takes a name.
    void PlantPointFolder(const std::string& id) { MakeHostDirs(store.Root() + "/" + id); }
    // `count` points of one settings file, oldest first.
    std::vector<std::string> CreatePoints(int count) {
        WriteSys("U/a.ini", "a");
        std::vector<std::string> ids;
        for (RestorePoint point; count-- > 0 && store.Create({"C:\\SYS\\U\\a.ini"}, "E:\\PARC_JDT\\X", &point) == 0;)
            ids.push_back(point.id);
        return ids;
    }
    std::vector<std::string> ListedIds() const {
        std::vector<std::string> ids;
        for (const RestorePoint& p : store.List()) ids.push_back(p.id);
        return ids;
    }
    static json ManifestOf(const RestorePoint& p) { return json::parse(ReadHostFile(p.dir + "/manifest.json")); }
    RestorePoint Latest() const {
        RestorePoint point;
        EXPECT_TRUE(store.Latest(&point));
        return point;
    }

    std::string data;
    RestorePointStore store;
    std::vector<FileState> before;
    bool mounted = false;
};

TEST_F(RestorePointTest, RegisterThenUndoPutsTheSystemBackExactly) {
    SetUpRegister();
    // A point that sorts after every one a register can make (the clock is wrong
    // elsewhere): the register still names its own.
    PlantPointFolder("99991231T235959Z-9999");
    RestorePoint made;
    RunRegister(engine, Context(), host, &made);
    ASSERT_EQ(host.messages.size(), 1u) << host.Texts().back();  // only the confirmation
    const std::vector<FileState> after = Snapshot();
    ASSERT_NE(after, before);
    EXPECT_TRUE(after[1].exists);

    RestorePoint point;
    ASSERT_TRUE(store.Load(made.id, &point));
    EXPECT_NE(made.id, "99991231T235959Z-9999");
    EXPECT_EQ(point.folder, W("E:\\PARC_JDT\\保守A"));
    ASSERT_EQ(point.files.size(), 3u);
    EXPECT_TRUE(point.files[0].existed);
    EXPECT_FALSE(point.files[1].existed);  // new.ini: removed by the undo
    EXPECT_EQ(point.KeptBytes(), before[0].bytes.size() + before[2].bytes.size());

    host.messages.clear();
    host.calls.clear();
    EXPECT_TRUE(RunUndoRegister(store, point, host, data + "/locks"));
    EXPECT_EQ(Snapshot(), before);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.Texts()[0].find("次の再登録を元に戻します。\n\n日時: "), std::string::npos);
    EXPECT_NE(host.Texts()[0].find("\n保守フォルダ: E:\\PARC_JDT\\保守A\nファイル数: 3\n"), std::string::npos);
    EXPECT_NE(host.Texts()[1].find("2 個のファイルを再登録の前の内容に戻しました。\n再登録で新しく作られた 1 個"),
              std::string::npos);
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "refresh0"), host.calls.end());
    // Used now: no other point is left to undo.
    RestorePoint none;
    EXPECT_FALSE(store.Latest(&none));
    ASSERT_EQ(store.List().size(), 1u);
    EXPECT_TRUE(store.List()[0].used);
}

TEST_F(RestorePointTest, CancelledUndoTouchesNothing) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    const std::vector<FileState> after = Snapshot();
    host.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(RunUndoRegister(store, Latest(), host, data + "/locks"));
    EXPECT_EQ(Snapshot(), after);
    EXPECT_FALSE(Latest().used);
}

TEST_F(RestorePointTest, CrashBetweenRestorePointAndCopyThenUndo) {
    SetUpRegister();
    ASSERT_TRUE(engine.BuildTransferList(Direction::Register, Context(), host));
    ASSERT_TRUE(KeepRestorePoint(engine, Context(), W("E:\\PARC_JDT\\保守A"), host));
    // The power goes after the first file: one file replaced, a temporary left.
    WriteSys("U/a.ini", "half of the register");
    WriteSys("U/.a.ini.x1y2.tmp", "left by the crash");
    const UndoResult result = store.Undo(Latest().id);
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.restored, 2u);
    EXPECT_EQ(result.removed, 1u);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestorePointTest, UndoCutShortIsFinishedByTheNextUndo) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    const std::string id = Latest().id;
    for (size_t crashAt : {0u, 1u, 2u}) {
        SCOPED_TRACE(crashAt);
        const UndoResult cut = store.Undo(id, [&](size_t i) { return i < crashAt; });
        EXPECT_FALSE(cut.ok);
        EXPECT_FALSE(Latest().used);  // still offered
    }
    const UndoResult done = store.Undo(id);
    EXPECT_TRUE(done.ok);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(RestorePointTest, ADamagedKeptCopyStopsTheUndoAndKeepsTheFile) {
    SetUpRegister();
    RunRegister(engine, Context(), host);
    const std::vector<FileState> after = Snapshot();
    const RestorePoint point = Latest();
    WriteHostFile(point.dir + "/" + point.files[0].copy, "rotten");
    const UndoResult result = store.Undo(point.id);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, EIO);
    EXPECT_EQ(result.failedPath, W("C:\\SYS\\U\\a.ini"));
    EXPECT_EQ(Snapshot()[0], after[0]);
}

TEST_F(RestorePointTest, FullDiskWhileKeepingStopsTheRegisterBeforeAnything) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
    SetUpRegister();
    WriteSys("U/big.ini", std::string(300 * 1024, 'b'));
    WriteExt("保守A/U/big.ini", "small");
    before = Snapshot();
    const FileState bigBefore = StateOf(SysHost("U/big.ini"));
    MakeHostDirs(store.Root());
    mounted = mount("tmpfs", store.Root().c_str(), "tmpfs", 0, "size=128k") == 0;
    if (!mounted) GTEST_SKIP() << "tmpfs mount failed";

    RunRegister(engine, Context(), host);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_NE(host.Texts()[1].find("再登録は中止しました（システムのファイルは変更していません）。"),
              std::string::npos);
    EXPECT_EQ(host.messages[1].icon, MsgIcon::Stop);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "busy1"), 0);  // no copy began
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(StateOf(SysHost("U/big.ini")), bigBefore);
    EXPECT_TRUE(Listing(store.Root()).empty());  // nothing half-made left
}

// A flush that fails, at each flush of the point in turn (its owner file, the
// kept copies, the manifest, its folders, the store's folder after the rename),
// stops the register with the restore-point message, before anything is touched,
// and leaves nothing of the point; the first run whose flushes all succeed registers.
TEST_F(RestorePointTest, FailedFlushStopsTheRegisterAndLeavesNoPoint) {
    SetUpRegister();
    struct ClearFault {
        ~ClearFault() { restore_point_files::SetSyncFaultForTesting({}); }
    } clear;
    int failAt = 0;
    for (;; ++failAt) {
        int flushes = 0;
        restore_point_files::SetSyncFaultForTesting([&] { return flushes++ == failAt ? EIO : 0; });
        host.messages.clear();
        RunRegister(engine, Context(), host);
        if (flushes <= failAt) break;  // no flush failed: registered
        ASSERT_EQ(host.messages.size(), 2u) << failAt;
        EXPECT_NE(host.Texts()[1].find("再登録は中止しました（システムのファイルは変更していません）。"),
                  std::string::npos)
            << failAt;
        EXPECT_EQ(Snapshot(), before) << failAt;
        EXPECT_EQ(Listing(store.Root()), std::vector<std::string>{}) << failAt;
    }
    EXPECT_GE(failAt, 5);
    EXPECT_EQ(host.messages.size(), 1u);  // only the confirmation
    EXPECT_EQ(store.List().size(), 1u);
    EXPECT_NE(Snapshot(), before);
}

TEST_F(RestorePointTest, PruningKeepsTheNewestAndDropsUnfinished) {
    const std::vector<std::string> ids = CreatePoints(5);
    ASSERT_EQ(ids.size(), 5u);
    // Left by an earlier version a day ago: stale by its age.
    MakeHostDirs(store.Root() + "/20000101T000000-000.partial");
    SetTimes(store.Root() + "/20000101T000000-000.partial",
             time(nullptr) - RestorePointStore::kStalePartialSeconds - 60, 0);
    store.Prune(3);
    EXPECT_EQ(ListedIds(), (std::vector<std::string>{ids[4], ids[3], ids[2]}));
    EXPECT_EQ(Listing(store.Root()).size(), 3u * 4);  // folder, manifest, files/, files/0 each
}

TEST_F(RestorePointTest, DamagedOrForeignManifestsAreNotOffered) {
    WriteSys("U/a.ini", "a");
    RestorePoint good;
    ASSERT_EQ(store.Create({"C:\\SYS\\U\\a.ini"}, "E:\\PARC_JDT\\X", &good), 0);
    const std::string manifest = ReadHostFile(good.dir + "/manifest.json");
    auto plant = [&](const std::string& id, const std::string& text) {
        MakeHostDirs(store.Root() + "/" + id);
        WriteHostFile(store.Root() + "/" + id + "/manifest.json", text);
    };
    auto replaced = [&](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    plant("29990101T000000-001", "{ not json");
    plant("29990101T000000-002", "[]");
    plant("29990101T000000-003", replaced(replaced(manifest, good.id, "29990101T000000-003"), "files/0", "../../x"));
    plant("29990101T000000-004", replaced(replaced(manifest, good.id, "29990101T000000-004"), good.prefix, "/other"));
    plant("29990101T000000-005", replaced(manifest, "\"version\": 1", "\"version\": 9"));
    ASSERT_EQ(store.List().size(), 1u);
    EXPECT_EQ(store.List()[0].id, good.id);
    EXPECT_EQ(store.Undo("29990101T000000-004").error, EXDEV);  // another installation's: never put back here
    EXPECT_FALSE(store.Undo("../" + good.id).ok);
}

// Undo believes nothing of a manifest: each of these is refused whole, before a
// single file is touched, and names its first bad entry.
TEST_F(RestorePointTest, UndoRefusesPointsThatReachOutsideOrAreDamaged) {
    SetUpRegister();
    RestorePoint made;
    RunRegister(engine, Context(), host, &made);
    const std::vector<FileState> after = Snapshot();
    const json good = ManifestOf(made);
    // Files outside the system data root that an undo must never remove.
    const std::string outside = data + "/outside";
    WriteHostFile(outside + "/victim", "keep me");
    WriteHostFile(prefix.DriveC() + "/windows/win.ini", "keep me");
    WriteHostFile(prefix.DriveC() + "/x", "keep me");
    ASSERT_EQ(symlink(outside.c_str(), SysHost("U/link").c_str()), 0);
    const std::vector<std::string> victims = {outside + "/victim", prefix.DriveC() + "/windows/win.ini",
                                              prefix.DriveC() + "/x"};
    // The good entries first, then a new file at `path`: an undo that trusts it removes it.
    auto withNew = [&](const std::string& path) {
        json m = good;
        m["files"].push_back({{"path", path}, {"existed", false}});
        return m;
    };
    auto edited = [&](const std::function<void(json&)>& edit) {
        json m = good;
        edit(m);
        return m;
    };
    struct Case {
        const char* name;
        json manifest;            // planted as the point's manifest (null: `raw` instead)
        std::string raw;          // manifest bytes as they are
        std::string failedPath;   // the bad entry named (UTF-8), empty: not checked
        bool linkFolder = false;  // the point folder is a link to a copy of the point
    };
    const std::vector<Case> cases = {
        {"other drive", withNew("Z:" + outside + "/victim"), "", "Z:" + outside + "/victim"},
        {"windows folder", withNew("C:\\windows\\win.ini"), "", "C:\\windows\\win.ini"},
        {"climbing out", withNew("C:\\SYS\\..\\..\\x"), "", "C:\\SYS\\..\\..\\x"},
        {"host path", withNew("/etc/x"), "", "/etc/x"},
        {"link in the system tree", withNew("C:\\SYS\\U\\link\\victim"), "", "C:\\SYS\\U\\link\\victim"},
        {"recorded root elsewhere", edited([](json& m) { m["system_root"] = "C:\\OTHER"; }), "", "C:\\SYS\\U\\a.ini"},
        {"link as the point folder", good, "", "", true},
        {"copy out of the point", edited([](json& m) { m["files"][2]["copy"] = "files/../../x"; }), "",
         "manifest.json"},
        {"malformed", nullptr, "{ not json", "manifest.json"},
        {"oversized", nullptr, good.dump() + std::string(RestorePointStore::kMaxManifestBytes, ' '), "manifest.json"},
        {"path of another type", edited([](json& m) { m["files"][2]["path"] = 5; }), "", "manifest.json"},
        {"files as an object", edited([](json& m) {
             m["files"] = json{{"a", m["files"][0]}};
         }),
         "", "manifest.json"},
        {"negative size", edited([](json& m) { m["files"][0]["size"] = -1; }), "", "manifest.json"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char id[32];
        std::snprintf(id, sizeof id, "29990101T000000Z-%04d", ++n);
        if (c.linkFolder) {
            const std::string real = store.Root() + "/elsewhere-" + id;
            Plant(std::string("elsewhere-") + id, c.manifest, made.dir);
            json m = c.manifest;
            m["id"] = id;
            WriteHostFile(real + "/manifest.json", m.dump());
            fs::create_directory_symlink(real, store.Root() + "/" + id);
        } else if (c.manifest.is_null()) {
            MakeHostDirs(store.Root() + "/" + id);
            WriteHostFile(store.Root() + "/" + id + "/manifest.json", c.raw);
        } else {
            Plant(id, c.manifest, made.dir);
        }
        const UndoResult result = store.Undo(id);
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.refused);
        if (!c.failedPath.empty()) {
            EXPECT_EQ(platform::Cp932ToUtf8(result.failedPath), c.failedPath);
        }
        EXPECT_EQ(Snapshot(), after);
        for (const std::string& v : victims) EXPECT_EQ(ReadHostFile(v), "keep me") << v;
    }

    // The front end says so without asking first.
    RestorePoint windows;
    ASSERT_TRUE(store.Load("29990101T000000Z-0002", &windows));
    host.messages.clear();
    EXPECT_FALSE(RunUndoRegister(store, windows, host, data + "/locks"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.Texts()[0],
        "この復元ポイントの記録は信頼できないため、元に戻しませんでした。\n（システムのファイルは変更していません）\n"
        "復元ポイント: 29990101T000000Z-0002\n項目: C:\\windows\\win.ini");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Stop);
    EXPECT_EQ(Snapshot(), after);
}

TEST_F(RestorePointTest, PointOfAnEarlierVersionStillUndoesWithinTheRoot) {
    SetUpRegister();
    RestorePoint made;
    RunRegister(engine, Context(), host, &made);
    json m = ManifestOf(made);
    ASSERT_EQ(m["system_root"], "C:\\SYS");
    m.erase("system_root");
    Plant("20261209T010203-000", m, made.dir);
    const UndoResult result = store.Undo("20261209T010203-000");
    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Snapshot(), before);
}

// The order of points is the order they were made in, whatever the clock and
// the time zone said; ids of earlier versions come before every new one.
TEST_F(RestorePointTest, PointsSortByCreationAcrossTimeZonesAndClockSteps) {
    WriteSys("U/a.ini", "a");
    const std::string tz = getenv("TZ") ? getenv("TZ") : "";
    const bool hadTz = getenv("TZ") != nullptr;
    int64_t now = 1800000000;  // 2027-01-15 08:00:00 UTC
    store.SetClockForTesting([&] { return now; });
    struct Step {
        const char* tz;
        int64_t clockStep;
    };
    // Tokyo, then New York a minute later (its local time 14 hours earlier),
    // then the clock set back an hour, then the same second again.
    const std::vector<Step> steps = {{"JST-9", 0}, {"EST5", 60}, {"EST5", -3600}, {"UTC0", 0}};
    std::vector<std::string> made;
    for (const Step& step : steps) {
        setenv("TZ", step.tz, 1);
        tzset();
        now += step.clockStep;
        RestorePoint point;
        ASSERT_EQ(store.Create({"C:\\SYS\\U\\a.ini"}, "E:\\PARC_JDT\\X", &point), 0);
        made.insert(made.begin(), point.id);
    }
    EXPECT_EQ(safety_texts::LocalTime(now), "2027/01/15 07:01:00");  // UTC0 now: seconds shown
    if (hadTz)
        setenv("TZ", tz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    RestorePoint oldest;
    ASSERT_TRUE(store.Load(made.back(), &oldest));
    const json m = ManifestOf(oldest);
    Plant("20991231T235959-000", m, store.Root() + "/" + made.back());  // earlier versions' local-time ids
    Plant("20000101T000000-000", m, store.Root() + "/" + made.back());
    std::vector<std::string> expected = made;
    expected.insert(expected.end(), {"20991231T235959-000", "20000101T000000-000"});
    EXPECT_EQ(ListedIds(), expected);
    EXPECT_EQ(Latest().id, made.front());

    // Pruning keeps the newest by that order too.
    store.Prune(2);
    EXPECT_EQ(ListedIds(), (std::vector<std::string>{made[0], made[1]}));
}

// Pruning counts only this installation's points and leaves unfinished points
// alone while their owner lives.
TEST_F(RestorePointTest, PruningKeepsOtherInstallationsAndLiveUnfinishedPoints) {
    const std::vector<std::string> ours = CreatePoints(3);
    ASSERT_EQ(ours.size(), 3u);
    RestorePoint first;
    ASSERT_TRUE(store.Load(ours[0], &first));
    json foreign = ManifestOf(first);
    foreign["prefix"] = "/another/installation";
    const std::vector<std::string> theirs = {"29990101T000000Z-0001", "29990101T000000Z-0002"};
    for (const std::string& id : theirs) Plant(id, foreign, first.dir);

    // Owners: a live process, the same pid with another start, a process gone,
    // another machine's, none (fresh, and a day old).
    pid_t child = 0;
    char sleepArg[] = "sleep", seconds[] = "60";
    char* argv[] = {sleepArg, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    const std::string live = PartialOwnerRecord(child);
    ASSERT_FALSE(live.empty());
    pid_t gone = 0;
    ASSERT_EQ(posix_spawnp(&gone, "sleep", nullptr, nullptr, argv, environ), 0);
    const std::string goneRecord = PartialOwnerRecord(gone);
    kill(gone, SIGKILL);
    waitpid(gone, nullptr, 0);
    char hostName[256] = {};
    gethostname(hostName, sizeof hostName - 1);
    std::string otherStart = live;
    otherStart.insert(otherStart.size() - 1, "1");  // start time * 10 + 1: never the same
    struct Partial {
        const char* name;
        std::string owner;  // empty: no owner file
        bool old;
        bool survives;
    };
    const std::vector<Partial> partials = {
        {"live", live, false, true},
        {"pid reused", otherStart, false, false},
        {"gone", goneRecord, false, false},
        {"other machine", std::string("elsewhere.example ") + std::to_string(gone) + " 1\n", false, true},
        {"being made", "", false, true},
        {"a day old", "", true, false},
        {"a day old, live owner", live, true, false},
    };
    for (size_t i = 0; i < partials.size(); ++i) {
        const std::string dir = store.Root() + "/20270101T000000Z-" + std::to_string(1000 + i) + ".partial";
        MakeHostDirs(dir);
        if (!partials[i].owner.empty()) WriteHostFile(dir + "/owner", partials[i].owner);
        if (partials[i].old) SetTimes(dir, time(nullptr) - RestorePointStore::kStalePartialSeconds - 60, 0);
    }
    store.Prune(2);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    for (size_t i = 0; i < partials.size(); ++i)
        EXPECT_EQ(HostExists(store.Root() + "/20270101T000000Z-" + std::to_string(1000 + i) + ".partial"),
                  partials[i].survives)
            << partials[i].name;
    EXPECT_EQ(ListedIds(), (std::vector<std::string>{ours[2], ours[1]}));
    for (const std::string& id : theirs) EXPECT_TRUE(HostExists(store.Root() + "/" + id + "/manifest.json")) << id;
}

// A destination the register cannot write (a folder, a link, a FIFO) stops it
// with the transfer's own write error, not as a failure of the restore points.
TEST_F(RestorePointTest, UnwritableDestinationStopsWithTheWriteError) {
    struct Case {
        const char* name;
        std::function<int(const std::string& bad)> make;  // 0 when made
    };
    const std::string target = data + "/target";
    WriteHostFile(target, "elsewhere");
    const std::vector<Case> cases = {
        {"folder", [](const std::string& bad) { return mkdir(bad.c_str(), 0755); }},
        {"link", [&](const std::string& bad) { return symlink(target.c_str(), bad.c_str()); }},
        {"fifo", [](const std::string& bad) { return mkfifo(bad.c_str(), 0600); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpRegister();
        WriteExt("保守A/U/bad.ini", "folder bad");
        ASSERT_EQ(c.make(SysHost("U/bad.ini")), 0);
        before = Snapshot();
        host.messages.clear();
        host.calls.clear();
        RestorePoint made;
        RunRegister(engine, Context(), host, &made);
        ASSERT_EQ(host.messages.size(), 2u);
        EXPECT_EQ(host.Texts()[1], "ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください");
        EXPECT_EQ(host.messages[1].caption, W("設定データ保守"));
        EXPECT_EQ(host.messages[1].icon, MsgIcon::Stop);
        EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "busy1"), 0);  // no copy began
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(made.id.empty());
        EXPECT_TRUE(Listing(store.Root()).empty());
        fs::remove(SysHost("U/bad.ini"));
    }
}

}  // namespace
