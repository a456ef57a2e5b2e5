// The command line run as a script runs it: the real executables on a fresh demo
// installation, no display, no terminal.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "platform/copy_file.h"
#include "tests/cli/command_line_fixture.h"
#include "tests/cli/tool_runner.h"
#include "tests/support/temp_prefix.h"
#include "transfer/transfer_lock.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {


TEST_F(CommandLine, ListsMatchTheDemoFilesAndTheEnginesList) {
    const json list = RunJson({"list"});
    ASSERT_GT(list["count"].get<int>(), 0);
    ASSERT_EQ(list["sets"].size(), list["count"].get<size_t>());
    EXPECT_EQ(list["sets"][0]["number"], 1);
    EXPECT_EQ(list["sets"][0]["index"], 0);
    // Text mode: one line per data set, starting with its number.
    const ToolResult text = Run({"list"});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(static_cast<size_t>(std::count(text.out.begin(), text.out.end(), '\n')), list["sets"].size());
    EXPECT_EQ(text.out.rfind("1\t" + list["sets"][0]["name"].get<std::string>() + "\t", 0), 0u) << text.out;

    // Files and bytes per set agree with the save's own list, and every listed
    // file is on the system with the bytes stated.
    const json dry = RunJson({"save", "--drive", "E:", "--all", "--dry-run"});
    uint64_t files = 0, bytes = 0;
    for (const json& s : list["sets"]) {
        files += s["files"].get<uint64_t>();
        bytes += s["bytes"].get<uint64_t>();
    }
    // The list counts a document once per set, as the save's rows do; the save's
    // files and bytes count each destination file once.
    EXPECT_EQ(dry["rows"].get<uint64_t>(), files);
    std::map<std::string, uint64_t> distinct;
    for (const json& f : dry["files"]) {
        const std::string host = HostPath(f["source"]);
        ASSERT_TRUE(fs::is_regular_file(host)) << host;
        EXPECT_EQ(fs::file_size(host), f["bytes"].get<uint64_t>()) << host;
        EXPECT_EQ(f["destination"].get<std::string>().rfind("E:\\PARC_JDT\\", 0), 0u);
        for (const char* side : {"source", "destination"})  // names as typed: no doubled separator
            EXPECT_EQ(f[side].get<std::string>().find("\\\\"), std::string::npos) << f.dump();
        distinct[f["destination"]] = f["bytes"];
    }
    uint64_t distinctBytes = 0;
    for (const auto& [path, size] : distinct) distinctBytes += size;
    EXPECT_EQ(dry["file_count"].get<size_t>(), distinct.size());
    EXPECT_EQ(dry["bytes"].get<uint64_t>(), distinctBytes);
    EXPECT_LT(distinctBytes, bytes);  // the demo's documents are in several sets
    EXPECT_TRUE(dry["space"]["fits"].get<bool>());

    // Which sets a folder holds comes from its index file.
    const json held = RunJson({"list", "--drive", "E:", "--folder", "現場A"});
    const std::string index = ReadHostFile(Stick() + "/現場A/JKNDT.INI");
    for (const json& s : held["sets"]) {
        const std::string flag = std::to_string(s["index"].get<int>()) + "=1\r\n";
        const bool inFile = index.find("\n" + flag) != std::string::npos;
        EXPECT_EQ(s["held"].get<bool>(), inFile) << s.dump();
    }
}

TEST_F(CommandLine, DrivesAndFoldersAsTheDialogShowsThem) {
    const json drives = RunJson({"drives"});
    std::map<std::string, json> byLetter;
    for (const json& d : drives["drives"]) byLetter[d["letter"]] = d;
    ASSERT_TRUE(byLetter.count("E:") && byLetter.count("F:") && byLetter.count("C:"));
    EXPECT_EQ(byLetter["E:"]["type"], "removable");
    EXPECT_TRUE(byLetter["E:"]["medium"].get<bool>());
    EXPECT_GT(byLetter["E:"]["free_bytes"].get<uint64_t>(), 0u);
    EXPECT_FALSE(byLetter["F:"]["medium"].get<bool>());

    std::vector<std::string> onDisk;
    for (const auto& e : fs::directory_iterator(Stick()))
        if (e.is_directory()) onDisk.push_back(e.path().filename().string());
    std::sort(onDisk.begin(), onDisk.end());
    const json folders = RunJson({"folders", "--drive", "e:"});
    std::vector<std::string> listed;
    for (const json& f : folders["folders"]) listed.push_back(f["dir"]);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, onDisk);
    EXPECT_EQ(folders["root"], "E:\\PARC_JDT");
}

TEST_F(CommandLine, SaveRegisterAndUndoRoundTrip) {
    const json saved = RunJson({"save", "--drive", "E:", "--folder", "点検", "--sets", "1-3", "--yes"});
    ASSERT_TRUE(saved["written"].get<bool>()) << saved.dump();
    ASSERT_GT(saved["file_count"].get<int>(), 0);
    for (const json& f : saved["files"])
        EXPECT_EQ(ReadHostFile(HostPath(f["destination"])), ReadHostFile(HostPath(f["source"])));
    // Saved again: the plain files already as their sources are left, and said so.
    const json again = RunJson({"save", "--drive", "E:", "--folder", "点検", "--sets", "1-3", "--yes"});
    EXPECT_EQ(again["outcome"]["unchanged"], again["file_count"]) << again.dump();
    EXPECT_EQ(again["outcome"]["written"], 0);
    for (const json& f : again["files"]) EXPECT_EQ(f["outcome"], "unchanged") << f.dump();
    // The index file marks exactly the saved sets.
    const std::string index = ReadHostFile(Stick() + "/" + "点検/JKNDT.INI");
    for (int i = 0; i < 3; ++i) EXPECT_NE(index.find("\n" + std::to_string(i) + "=1\r\n"), std::string::npos) << index;
    EXPECT_EQ(index.find("\n3=1"), std::string::npos);
    const json held = RunJson({"list", "--drive", "E:", "--folder", "点検"});
    EXPECT_TRUE(held["sets"][2]["held"].get<bool>());
    EXPECT_FALSE(held["sets"][3]["held"].get<bool>());

    // Change a system file, register it back, then undo the register.
    const std::string system = HostPath(saved["files"][0]["source"]);
    const std::string original = ReadHostFile(system);
    WriteHostFile(system, "changed after the save");
    const json registered = RunJson({"register", "--drive", "E:", "--folder", "点検", "--all", "--yes"});
    EXPECT_TRUE(registered["written"].get<bool>());
    EXPECT_EQ(registered["file_count"], saved["file_count"]);
    EXPECT_EQ(ReadHostFile(system), original);
    ASSERT_TRUE(registered.contains("restore_point"));

    const json points = RunJson({"undo-register", "--list"});
    ASSERT_EQ(points["restore_points"].size(), 1u);
    EXPECT_EQ(points["restore_points"][0]["id"], registered["restore_point"]);
    const json undone = RunJson({"undo-register", "--id", registered["restore_point"], "--yes"});
    EXPECT_TRUE(undone["undone"].get<bool>());
    EXPECT_TRUE(undone["restore_point"]["used"].get<bool>()) << undone.dump();
    EXPECT_EQ(ReadHostFile(system), "changed after the save");

    // A register naming a set the folder does not hold is refused, nothing done.
    const std::string before = TreeDigest(prefixDir);
    const ToolResult notHeld = Run({"register", "--drive", "E:", "--folder", "点検", "--sets", "4", "--yes"});
    EXPECT_EQ(notHeld.code, 3) << notHeld.err;
    EXPECT_EQ(TreeDigest(prefixDir), before);
}

TEST_F(CommandLine, DryRunChangesNothing) {
    const std::string before = TreeDigest(prefixDir);
    const std::string userBefore = TreeDigest(userDir);
    const json save = RunJson({"save", "--drive", "E:", "--folder", "新しい", "--all", "--dry-run"});
    EXPECT_GT(save["file_count"].get<int>(), 0);
    const json reg = RunJson({"register", "--drive", "E:", "--folder", "2026年12月点検", "--all", "--dry-run"});
    EXPECT_GT(reg["file_count"].get<int>(), 0);
    for (const json& f : reg["files"]) EXPECT_EQ(f["destination"].get<std::string>().rfind("C:\\", 0), 0u);
    const ToolResult text = Run({"save", "--drive", "E:", "--all", "--dry-run"});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(static_cast<int>(std::count(text.out.begin(), text.out.end(), '\n')), save["rows"].get<int>());
    EXPECT_EQ(TreeDigest(prefixDir), before);
    EXPECT_EQ(TreeDigest(userDir), userBefore);
}

TEST_F(CommandLine, ConfirmationWithoutTerminalIsRefused) {
    const std::string before = TreeDigest(prefixDir);
    const ToolResult save = Run({"save", "--drive", "E:", "--folder", "点検", "--all"});
    EXPECT_EQ(save.code, 3);
    EXPECT_NE(save.err.find("ドライブにデータの保存を行いますか"), std::string::npos) << save.err;
    EXPECT_NE(save.err.find("--yes"), std::string::npos);
    // No folder named: the default folder needs a confirmation too.
    EXPECT_EQ(Run({"register", "--drive", "E:", "--all"}).code, 3);
    EXPECT_EQ(Run({"undo-register"}).code, 3);  // nothing to undo yet
    EXPECT_EQ(TreeDigest(prefixDir), before);
}

TEST_F(CommandLine, ExitCodesFromRealCauses) {
    const std::string before = TreeDigest(prefixDir);
    // 2: usage.
    EXPECT_EQ(Run({"save", "--drive", "E:"}).code, 2);
    EXPECT_EQ(Run({"save", "--drive", "E:", "--sets", "0"}).code, 2);
    EXPECT_EQ(Run({"save", "--drive", "E:", "--sets", "3-1"}).code, 2);
    EXPECT_EQ(Run({"save", "--drive", "EE:", "--all"}).code, 2);
    EXPECT_EQ(Run({"list", "--bogus"}).code, 2);
    EXPECT_EQ(Run({"lsit"}).code, 2);
    EXPECT_EQ(Run({"list", "--folder", "現場A"}).code,
              2);  // a folder needs its drive  // no window for a misspelt command
    // 3: refused by a check: a name the file system refuses, nothing to copy, an existing folder.
    const ToolResult badName = Run({"save", "--drive", "E:", "--folder", "a:b*?", "--all", "--yes"});
    EXPECT_EQ(badName.code, 3) << badName.err;
    const json list = RunJson({"list"});
    std::string empty;
    for (const json& s : list["sets"])
        if (s["files"] == 0) empty = std::to_string(s["number"].get<int>());
    ASSERT_FALSE(empty.empty());
    const ToolResult nothing = Run({"save", "--drive", "E:", "--folder", "x", "--sets", empty, "--yes"});
    EXPECT_EQ(nothing.code, 3);
    EXPECT_NE(nothing.err.find("ファイル"), std::string::npos) << nothing.err;
    EXPECT_EQ(Run({"new-folder", "--drive", "E:", "現場A"}).code, 3);
    EXPECT_EQ(Run({"new-folder", "--drive", "E:", "a\\b"}).code, 3);  // not one folder: nothing made
    EXPECT_EQ(Run({"new-folder", "--drive", "E:", ".."}).code, 3);
    EXPECT_EQ(Run({"new-folder", "--drive", "E:", std::string(130, 'n')}).code, 3);
    // 5: the card reader without a card, a drive the prefix does not have.
    EXPECT_EQ(Run({"save", "--drive", "F:", "--all", "--yes"}).code, 5);
    EXPECT_EQ(Run({"folders", "--drive", "Q:"}).code, 5);
    EXPECT_EQ(TreeDigest(prefixDir), before);
    // 8: interrupted before anything was written.
    const ToolResult stopped = Run({"save", "--drive", "E:", "--folder", "y", "--all", "--yes"}, QUILLMARK_BIN, true);
    EXPECT_EQ(stopped.code, 8) << stopped.err;
    EXPECT_EQ(TreeDigest(prefixDir), before);
    // 9: no settings file in the prefix given.
    const std::string empty_prefix = MakeTempDir();
    const ToolResult none = Run({"list", "--prefix", empty_prefix});
    EXPECT_EQ(none.code, 9);
    EXPECT_NE(none.err.find(empty_prefix), std::string::npos) << none.err;
    RemoveHostTree(empty_prefix);
    // The other program reads its own catalogue.
    const ToolResult other = Run({"list", "--json"}, BRIGHTFEN_BIN);
    EXPECT_EQ(other.code, 0);
    EXPECT_NE(json::parse(other.out)["catalogue"], list["catalogue"]);
}

TEST_F(CommandLine, FolderNamesThatLeaveTheirPlaceAreRefused) {
    const std::string before = TreeDigest(prefixDir);
    for (const std::string name :
         {"..", "/", "\\", "..\\..\\x", "CON", "nul.txt", "末尾.", "a ", "   ", "二十一バイトを超える名前です"}) {
        for (const char* command : {"save", "register"}) {
            const json doc = RunJson({command, "--drive", "E:", "--folder", name, "--all", "--yes"}, 3);
            ASSERT_FALSE(doc["messages"].empty()) << name;
            EXPECT_EQ(doc["messages"].back()["text"],
                      "ディレクトリ名［ " + name + " ］が不正です。（名称を変更して下さい。）");
        }
        EXPECT_EQ(Run({"list", "--drive", "E:", "--folder", name}).code, 3) << name;
        EXPECT_EQ(Run({"new-folder", "--drive", "E:", name}).code, 3) << name;
    }
    EXPECT_EQ(TreeDigest(prefixDir), before);
    // Names with the trail bytes 5C and 7C, and a date, are names.
    for (const char* name : {"表示", "ポイント", "2027年1月点検"}) {
        EXPECT_EQ(Run({"new-folder", "--drive", "E:", name}).code, 0) << name;
        EXPECT_TRUE(fs::exists(Stick() + "/" + name + "/JKNDT.INI")) << name;
        EXPECT_EQ(RunJson({"save", "--drive", "E:", "--folder", name, "--sets", "1", "--yes"})["written"], true);
    }
}

TEST_F(CommandLine, JsonHoldsLabelsAndNamesThatAreNotText) {
    const std::string label = "USB\xff\xfe\x83";
    WriteHostFile(prefixDir + "/drive_e/.windows-label", label + "\n");
    const json drives = RunJson({"drives"});
    bool seen = false;
    for (const json& d : drives["drives"]) {
        if (d["letter"] != "E:") continue;
        seen = true;
        EXPECT_EQ(d["label"], "USB\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
        EXPECT_EQ(d["label_raw_hex"], "555342fffe83");
    }
    EXPECT_TRUE(seen);
    // A data set name of the catalogue that is no CP932 text.
    const std::string catalogue = prefixDir + "/drive_c/ORBIS/SYSDATA/SYSTEM/JDTKANRI.JYO";
    std::string text = ReadHostFile(catalogue);
    const size_t at = text.find("0=");
    ASSERT_NE(at, std::string::npos);
    text.insert(at + 2, "\x81\x7f");
    WriteHostFile(catalogue, text);
    const json list = RunJson({"list"});
    ASSERT_FALSE(list["sets"].empty());
    EXPECT_EQ(list["sets"][0]["name_raw_hex"].get<std::string>().rfind("817f", 0), 0u) << list["sets"][0].dump();
    EXPECT_EQ(list["sets"][0]["name"].get<std::string>().rfind("\xEF\xBF\xBD", 0), 0u);
    EXPECT_FALSE(list["sets"][1].contains("name_raw_hex"));
    // An argument that is not UTF-8 is answered, not aborted on.
    const json bad = RunJson({"folders", "--drive", "\xff"}, 2);
    EXPECT_FALSE(bad["messages"].empty());
}

TEST_F(CommandLine, TerminationStopsACopyAndLeavesTheOldFile) {
    if (!MountStick("size=900m")) GTEST_SKIP() << "needs root to mount a stick large enough";
    ASSERT_EQ(RunJson({"save", "--drive", "E:", "--folder", "x", "--sets", "1", "--yes"})["written"], true);
    const json dry = RunJson({"save", "--drive", "E:", "--folder", "x", "--sets", "1", "--dry-run"});
    const std::string source = HostPath(dry["files"][0]["source"]);
    const std::string destination = HostPath(dry["files"][0]["destination"]);
    const std::string old = ReadHostFile(destination);
    fs::resize_file(source, uint64_t(400) << 20);
    auto temporaries = [&] {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(mountPoint))
            if (platform::IsTransferTempName(e.path().filename().string())) found.push_back(e.path().string());
        return found;
    };
    for (const int signal : {SIGTERM, SIGHUP}) {
        ToolRun run;
        run.program = QUILLMARK_BIN;
        run.args = {"save", "--drive", "E:", "--folder", "x", "--sets", "1", "--yes"};
        run.env = {"WINEPREFIX=" + prefixDir, "XDG_CONFIG_HOME=" + userDir + "/config",
                   "XDG_DATA_HOME=" + userDir + "/data", "DISPLAY=", "WAYLAND_DISPLAY="};
        bool sent = false;
        run.whileRunning = [&](pid_t pid) {
            // Sent once the copy's temporary file is there: the copy is under way.
            auto running = [pid] {
                siginfo_t info{};
                return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       info.si_pid == 0;
            };
            while (!sent && running())
                if (!temporaries().empty()) sent = kill(pid, signal) == 0;
        };
        const ToolResult r = RunTool(run);
        ASSERT_TRUE(sent) << "the copy ended before it could be stopped";
        EXPECT_EQ(r.code, 8) << r.err;
        EXPECT_NE(r.err.find(signal == SIGTERM ? "中止しました (SIGTERM)" : "中止しました (SIGHUP)"), std::string::npos)
            << r.err;
        EXPECT_EQ(temporaries(), std::vector<std::string>{});
        EXPECT_EQ(ReadHostFile(destination), old);
    }
}

TEST_F(CommandLine, FullAndReadOnlySticks) {
    if (!MountStick("size=8k")) GTEST_SKIP() << "needs root to mount a small stick";
    const ToolResult full = Run({"save", "--drive", "E:", "--folder", "x", "--all", "--yes"});
    EXPECT_EQ(full.code, 4) << full.err;
    const json dry = RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--dry-run"}, 4);
    EXPECT_FALSE(dry["space"]["fits"].get<bool>());
    umount2(mountPoint.c_str(), MNT_DETACH);
    mounted = mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_RDONLY, "size=1m") == 0;
    ASSERT_TRUE(mounted);
    const ToolResult readOnly = Run({"save", "--drive", "E:", "--folder", "x", "--sets", "1", "--yes"});
    EXPECT_EQ(readOnly.code, 6) << readOnly.err;
    EXPECT_NE(readOnly.err.find("エラー"), std::string::npos) << readOnly.err;
    EXPECT_NE(readOnly.err.find("E:\\PARC_JDT: "), std::string::npos) << readOnly.err;  // the folder, and why
    EXPECT_NE(readOnly.err.find("(errno 13 EACCES"), std::string::npos) << readOnly.err;
}

TEST_F(CommandLine, AStickThatFillsDuringTheSaveIsAShortage) {
    // Room for the bytes, not for the files: the space check passes, the writes fail.
    if (!MountStick("size=64m,nr_inodes=6")) GTEST_SKIP() << "needs root to mount a small stick";
    const json doc = RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--yes"}, 4);
    EXPECT_EQ(doc["written"], false);
    EXPECT_EQ(doc["failure"]["errno_name"], "ENOSPC") << doc.dump();
    EXPECT_EQ(doc["failure"]["path"].get<std::string>().rfind("E:\\PARC_JDT\\x", 0), 0u) << doc.dump();
    // Each file's outcome: the ones before the failing row written, that row failed
    // with the system's error, the rest not reached; the counts add up to the files.
    size_t failedRows = 0;
    for (const json& f : doc["files"]) {
        if (f["outcome"] != "failed") continue;
        ++failedRows;
        EXPECT_EQ(f["failure"]["errno_name"], "ENOSPC") << f.dump();
        EXPECT_EQ(f["failure"]["windows_error"], 112) << f.dump();
    }
    EXPECT_EQ(failedRows, 1u) << doc.dump();
    const json& outcome = doc["outcome"];
    EXPECT_EQ(outcome["failed"], 1);
    EXPECT_EQ(outcome["written"], doc["written_files"]);
    EXPECT_EQ(outcome["written"].get<int>() + outcome["failed"].get<int>() + outcome["not_reached"].get<int>(),
              doc["file_count"].get<int>());
    for (const json& set : doc["marked_sets"])  // only sets wholly written are marked
        for (const json& f : doc["files"])
            EXPECT_TRUE(f["data_set"] != set["number"] || f["outcome"] == "written") << f.dump();
    const ToolResult text = Run({"save", "--drive", "E:", "--folder", "x", "--all", "--yes"});
    EXPECT_EQ(text.code, 4);
    EXPECT_NE(text.err.find("No space left on device (errno 28 ENOSPC"), std::string::npos) << text.err;
}

TEST_F(CommandLine, EveryCommandSaysWhatIsMissing) {
    const struct {
        std::vector<std::string> args;
        int code;
        const char* says;
    } rows[] = {
        {{"list", "--drive", "G:"}, 5, "ドライブ G: がありません"},
        {{"list", "--drive", "F:"}, 5, "ドライブ F: にディスクを挿入"},
        {{"folders", "--drive", "F:"}, 5, "ドライブ F: にディスクを挿入"},
        {{"list", "--drive", "E:", "--folder", "nosuch"}, 3, "保守フォルダ E:\\PARC_JDT\\nosuch がありません"},
        {{"register", "--drive", "E:", "--folder", "nosuch", "--all", "--yes"}, 3, "nosuch がありません"},
        {{"drives", "--prefix", "/nonexistent"}, 9, "プレフィックス /nonexistent がありません"},
        {{"folders", "--drive", "E:", "--prefix", "/nonexistent"}, 9, "/nonexistent/dosdevices"},
        {{"list", "--bogus"}, 2, "使えない引数があります"},
        {{"folders"}, 2, "必要な引数がありません"},
        {{"lsit"}, 2, "はコマンドではありません"},
    };
    for (const auto& row : rows) {
        const ToolResult text = Run(row.args);
        EXPECT_EQ(text.code, row.code) << row.args[0] << " " << text.err;
        EXPECT_NE(text.err.find(row.says), std::string::npos) << text.err;
        const json doc = RunJson(row.args, row.code);  // a document, also for a usage error
        ASSERT_FALSE(doc["messages"].empty()) << doc.dump();
        EXPECT_NE(doc["messages"].back()["text"].get<std::string>().find(row.says), std::string::npos);
    }
    // The dialog without a display: one line naming --help, no core dump.
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"-y"}, {"-v"}}) {
        const ToolResult dialog = Run(args);
        EXPECT_EQ(dialog.code, 11) << dialog.err;
        EXPECT_EQ(std::count(dialog.err.begin(), dialog.err.end(), '\n'), 1) << dialog.err;
        EXPECT_NE(dialog.err.find("quillmark --help"), std::string::npos) << dialog.err;
    }
}

TEST_F(CommandLine, QuietSaysOnlyFailuresAndVerboseNamesEachFile) {
    const ToolResult quiet = Run({"save", "--drive", "E:", "--folder", "q", "--sets", "1-3", "--yes", "--quiet"});
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.err, "");
    const ToolResult refused = Run({"save", "--drive", "E:", "--folder", "a*", "--sets", "1", "--yes", "--quiet"});
    EXPECT_EQ(refused.code, 3);
    EXPECT_NE(refused.err.find("が不正です"), std::string::npos) << refused.err;
    const json dry = RunJson({"save", "--drive", "E:", "--folder", "v", "--sets", "1-3", "--dry-run"});
    const ToolResult verbose = Run({"save", "--drive", "E:", "--folder", "v", "--sets", "1-3", "--yes", "--verbose"});
    EXPECT_EQ(verbose.code, 0);
    for (const json& f : dry["files"])
        EXPECT_NE(verbose.err.find(f["destination"].get<std::string>() + "\t"), std::string::npos) << verbose.err;
}

json Parsed(const ToolResult& r) {
    json doc = json::parse(r.out, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << r.out << r.err;
    return doc;
}

TEST_F(CommandLine, TwoSavesIntoOneFolderAtOnceKeepEveryMark) {
    const std::vector<int> sets = SetsWithFiles(4);
    ASSERT_EQ(sets.size(), 4u);
    const std::string setsA = std::to_string(sets[0]) + "," + std::to_string(sets[1]);
    const std::string setsB = std::to_string(sets[2]) + "," + std::to_string(sets[3]);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Odd rounds wait for the other run; even ones are refused while it runs.
        const bool wait = round % 2 == 1;
        const std::string folder = "同時" + std::to_string(round);
        std::vector<std::string> a = {"save", "--drive", "E:", "--folder", folder, "--sets", setsA, "--yes", "--json"};
        std::vector<std::string> b = a;
        b[6] = setsB;
        if (wait) {
            a.push_back("--wait");
            b.push_back("--wait=60");
        }
        const auto [ra, rb] = RunTogether(a, b);
        const std::string index = ReadHostFile(Stick() + "/" + folder + "/JKNDT.INI");
        for (const auto& [r, mine] :
             {std::pair{&ra, std::vector<int>{sets[0], sets[1]}}, std::pair{&rb, std::vector<int>{sets[2], sets[3]}}}) {
            const int code = r->code;
            EXPECT_TRUE(code == 0 || (!wait && code == 10)) << code << r->err;
            const json doc = Parsed(*r);
            EXPECT_EQ(doc["written"].get<bool>(), code == 0);
            if (code == 10) {
                EXPECT_NE(r->err.find("ほかの保存または再登録が使用中です"), std::string::npos) << r->err;
                EXPECT_NE(r->err.find("\n使用中: ホスト "), std::string::npos) << r->err;
            }
            // The marks of a run that succeeded are all there; a refused run wrote none.
            for (int n : mine)
                EXPECT_EQ(index.find("\n" + std::to_string(n - 1) + "=1\r\n") != std::string::npos, code == 0)
                    << n << "\n"
                    << index;
        }
        EXPECT_TRUE(ra.code == 0 || rb.code == 0) << ra.err << rb.err;
        EXPECT_FALSE(fs::exists(Stick() + "/" + folder + "/~$maintenance.lock"));
    }
}

TEST_F(CommandLine, TwoRegistersAtOnceKeepTheirOwnRestorePoints) {
    const std::vector<int> sets = SetsWithFiles(2);
    ASSERT_EQ(sets.size(), 2u);
    const std::string all = std::to_string(sets[0]) + "," + std::to_string(sets[1]);
    ASSERT_EQ(Run({"save", "--drive", "E:", "--folder", "元", "--sets", all, "--yes"}).code, 0);
    std::set<std::string> ids;
    size_t registered = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const bool wait = round % 2 == 1;
        std::vector<std::string> a = {"register", "--drive", "E:", "--folder", "元", "--sets", std::to_string(sets[0]),
                                      "--yes",    "--json"};
        std::vector<std::string> b = a;
        b[6] = std::to_string(sets[1]);
        if (wait) {
            a.push_back("--wait");
            b.push_back("--wait");
        }
        const auto [ra, rb] = RunTogether(a, b);
        for (const ToolResult* r : {&ra, &rb}) {
            // Never a failed restore point; a wait always ends in the register.
            EXPECT_TRUE(r->code == 0 || (!wait && r->code == 10)) << r->code << r->err;
            const json doc = Parsed(*r);
            if (r->code != 0) continue;
            ASSERT_TRUE(doc.contains("restore_point")) << r->out;
            EXPECT_TRUE(ids.insert(doc["restore_point"].get<std::string>()).second) << doc["restore_point"];
            ++registered;
        }
        EXPECT_TRUE(ra.code == 0 || rb.code == 0) << ra.err << rb.err;
    }
    // Every point kept is whole and its own: as many as registers, up to the 20 kept.
    const json points = RunJson({"undo-register", "--list"});
    EXPECT_EQ(points["restore_points"].size(), std::min<size_t>(registered, 20));
    for (const json& p : points["restore_points"]) EXPECT_EQ(ids.count(p["id"].get<std::string>()), 1u) << p.dump();
}

TEST_F(CommandLine, ABusyFolderOrInstallationExitsTenOrIsWaitedFor) {
    // A lock of a live process (this test) on the folder: refused at once, or after
    // the time given to --wait; nothing written.
    const std::string lock = Stick() + "/2026年12月点検/~$maintenance.lock";
    WriteHostFile(lock, FormatLockOwner(ThisProcessAsOwner()));
    const std::string before = TreeDigest(prefixDir);
    const ToolResult busy = Run({"save", "--drive", "E:", "--folder", "2026年12月点検", "--all", "--yes"});
    EXPECT_EQ(busy.code, 10) << busy.err;
    EXPECT_NE(busy.err.find("プロセス " + std::to_string(getpid()) + "、"), std::string::npos) << busy.err;
    EXPECT_NE(busy.err.find("~$maintenance.lock"), std::string::npos) << busy.err;
    const ToolResult waited =
        Run({"register", "--drive", "E:", "--folder", "2026年12月点検", "--all", "--yes", "--wait=1"});
    EXPECT_EQ(waited.code, 10) << waited.err;
    EXPECT_NE(waited.err.find("使用が終わるのを待っています"), std::string::npos) << waited.err;
    EXPECT_EQ(TreeDigest(prefixDir), before);
    EXPECT_EQ(Run({"save", "--drive", "E:", "--all", "--wait=soon"}).code, 2);
    fs::remove(lock);

    // The installation's lock stops a register and an undo the same way.
    ASSERT_EQ(Run({"register", "--drive", "E:", "--folder", "2026年12月点検", "--all", "--yes"}).code, 0);
    setenv("WINEPREFIX", prefixDir.c_str(), 1);
    const std::string installation = InstallationLockPath(userDir + "/data/quillmark/locks");
    unsetenv("WINEPREFIX");
    ASSERT_TRUE(fs::exists(userDir + "/data/quillmark/locks"));
    WriteHostFile(installation, FormatLockOwner(ThisProcessAsOwner()));
    const std::string user = TreeDigest(userDir);
    const ToolResult undo = Run({"undo-register", "--yes"});
    EXPECT_EQ(undo.code, 10) << undo.err;
    EXPECT_NE(undo.err.find("ほかの再登録または再登録の取り消しが使用中です"), std::string::npos) << undo.err;
    EXPECT_EQ(Run({"register", "--drive", "E:", "--folder", "2026年12月点検", "--all", "--yes"}).code, 10);
    EXPECT_EQ(TreeDigest(userDir), user);
    fs::remove(installation);
    EXPECT_EQ(Run({"undo-register", "--yes", "--wait=5"}).code, 0);
}

TEST_F(CommandLine, CompareSaysWhatARegisterAndASaveWouldChange) {
    const std::string folder = "2026年12月点検";
    const std::string before = TreeDigest(prefixDir);
    const json cmp = RunJson({"compare", "--drive", "E:", "--folder", folder});
    EXPECT_EQ(TreeDigest(prefixDir), before);  // nothing written
    EXPECT_TRUE(cmp["folder_exists"].get<bool>());
    EXPECT_EQ(cmp["folder_path"], "E:\\PARC_JDT\\" + folder);
    const json list = RunJson({"list", "--drive", "E:", "--folder", folder});
    ASSERT_EQ(cmp["sets"].size(), list["sets"].size());

    // What a register would write is what its own list names, and a save likewise.
    std::set<std::pair<std::string, std::string>> registered, saved, listedRegister, listedSave;
    const json registerList = RunJson({"register", "--drive", "E:", "--folder", folder, "--all", "--dry-run"});
    const json saveList = RunJson({"save", "--drive", "E:", "--folder", folder, "--all", "--dry-run"});
    for (const json& f : registerList["files"])
        listedRegister.insert({f["source"].get<std::string>(), f["destination"].get<std::string>()});
    for (const json& f : saveList["files"])
        listedSave.insert({f["source"].get<std::string>(), f["destination"].get<std::string>()});
    for (size_t i = 0; i < cmp["sets"].size(); ++i) {
        const json& set = cmp["sets"][i];
        EXPECT_EQ(set["held"], list["sets"][i]["held"]);
        uint32_t replaced = 0;
        for (const json& f : set["files"]) {
            if (f["register"] != "leave")
                registered.insert({f["folder"].get<std::string>(), f["system"].get<std::string>()});
            if (f["save"] != "leave") saved.insert({f["system"].get<std::string>(), f["folder"].get<std::string>()});
            // Each state as the two copies are on disk.
            const bool inSystem = fs::exists(HostPath(f["system"])), inFolder = fs::exists(HostPath(f["folder"]));
            const std::string state = f["state"];
            EXPECT_EQ(state == "only_system", inSystem && !inFolder) << f.dump();
            EXPECT_EQ(state == "only_folder", inFolder && !inSystem) << f.dump();
            if (f["kind"] == 0 && inSystem && inFolder) {
                EXPECT_EQ(f["save"] == "replace_differs",
                          ReadHostFile(HostPath(f["system"])) != ReadHostFile(HostPath(f["folder"])))
                    << f.dump();
            }
            replaced += f["register"] == "replace_differs" ? 1u : 0u;
        }
        EXPECT_EQ(set["register"]["replace_differs"], replaced) << set["name"];
    }
    EXPECT_EQ(registered, listedRegister);
    EXPECT_EQ(saved, listedSave);
    // The layers' document differs in kind 1's groups only (the folder holds the checked copy).
    const json& doc = cmp["sets"][4]["files"][0];
    EXPECT_EQ(doc["state"], "different");
    EXPECT_EQ(doc["groups"], json({"table265_first", "table265_second", "kind1_settings"}));

    // Right after a save, a register would only write the same bytes again.
    RunJson({"save", "--drive", "E:", "--folder", "点検", "--sets", "1,5", "--yes"});
    const json same = RunJson({"compare", "--drive", "E:", "--folder", "点検", "--sets", "1,5"});
    ASSERT_EQ(same["sets"].size(), 2u);
    for (const json& set : same["sets"]) {
        EXPECT_EQ(set["register"]["replace_same"], set["files"].size()) << set.dump();
        for (const json& f : set["files"]) EXPECT_EQ(f["state"], "same") << f.dump();
    }

    // Text: a line per set, then a line per file, tab-separated.
    const ToolResult text = Run({"compare", "--drive", "E:", "--folder", "点検", "--sets", "1,5"});
    EXPECT_EQ(text.code, 0) << text.err;
    std::istringstream lines(text.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("1\t" + same["sets"][0]["name"].get<std::string>() +
                             "\theld\tregister add=0 replace_differs=0 replace_same=4 leave=0 fails=0\tsave add=0",
                         0),
              0u)
        << text.out;
    std::getline(lines, line);
    EXPECT_EQ(line.rfind("\tsame\t-\tregister=replace_same\tsave=replace_same\tC:\\", 0), 0u) << line;
    EXPECT_EQ(static_cast<size_t>(std::count(text.out.begin(), text.out.end(), '\n')),
              2 + same["sets"][0]["files"].size() + same["sets"][1]["files"].size());
    EXPECT_EQ(Run({"compare", "--drive", "E:", "--sets", "0"}).code, 2);
    EXPECT_EQ(Run({"compare", "--drive", "F:"}).code, 5);  // the card reader without a card
}

}  // namespace

TEST_F(CommandLine, TheDryRunListsWhatTheSavesRunWrites) {
    // Long lists are printed straight as text: each document must read as the tree
    // it dumps from, byte for byte, and the dry run's rows be the run's.
    auto printed = [&](std::vector<std::string> args) {
        args.push_back("--json");
        const ToolResult r = Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        const json doc = json::parse(r.out, nullptr, false);
        EXPECT_FALSE(doc.is_discarded()) << r.out;
        if (!doc.is_discarded()) {
            EXPECT_EQ(r.out, doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
        }
        return doc;
    };
    const json dry = printed({"save", "--drive", "E:", "--folder", "点検", "--all", "--dry-run"});
    const json saved = printed({"save", "--drive", "E:", "--folder", "点検", "--all", "--yes"});
    ASSERT_TRUE(saved["written"].get<bool>()) << saved.dump();
    ASSERT_FALSE(dry["files"].empty());
    json ran = saved["files"];
    for (json& f : ran) {
        EXPECT_EQ(f["outcome"], "written") << f.dump();
        f.erase("outcome");
    }
    EXPECT_EQ(dry["files"], ran);
    EXPECT_EQ(dry["sets"], saved["sets"]);
    for (const char* key : {"file_count", "bytes", "rows"}) EXPECT_EQ(dry[key], saved[key]) << key;
}
