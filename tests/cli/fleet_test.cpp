// The fleet role of docs/fleet run by ansible-playbook against this machine
// (connection local) on a fresh demo installation, as a controller runs it
// against a group. Few runs: each start of ansible costs seconds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "tests/cli/tool_runner.h"
#include "tests/support/temp_prefix.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::string FindOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
    return {};
}

// The host's counts from the PLAY RECAP ("localhost : ok=11 changed=1 ..."); empty
// when the host never ran.
std::map<std::string, int> Recap(const std::string& out, const std::string& host) {
    std::map<std::string, int> counts;
    const size_t recap = out.rfind("PLAY RECAP");
    if (recap == std::string::npos) return counts;
    std::istringstream lines(out.substr(recap));
    const std::regex hostLine("^" + host + R"(\s+:\s+(.*)$)"), count(R"((\w+)=(\d+))");
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, hostLine)) continue;
        const std::string fields = m[1];
        for (std::sregex_iterator it(fields.begin(), fields.end(), count), end; it != end; ++it)
            counts[(*it)[1]] = std::stoi((*it)[2]);
    }
    return counts;
}

class FleetRole : public ::testing::Test {
protected:
    void SetUp() override {
        ansible = FindOnPath("ansible-playbook");
        // CI installs it (scripts/install-deps.sh): there a missing one is a fault.
        if (ansible.empty() && std::getenv("CI")) FAIL() << "ansible-playbook is not installed";
        if (ansible.empty()) GTEST_SKIP() << "ansible-playbook is not installed: the fleet role is not run";
        prefixDir = MakeTempDir();
        userDir = MakeTempDir();
        controller = userDir + "/controller";
        const std::string command =
            std::string("'") + DEMO_SCRIPT + "' '" + prefixDir + "' '" + DEMDOC_BIN + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void TearDown() override {
        if (!prefixDir.empty()) RemoveHostTree(prefixDir);
        if (!userDir.empty()) RemoveHostTree(userDir);
    }

    std::vector<std::string> Env() const {
        return {"XDG_CONFIG_HOME=" + userDir + "/config",
                "XDG_DATA_HOME=" + userDir + "/data",
                "ANSIBLE_LOCAL_TEMP=" + userDir + "/ansible",
                "ANSIBLE_REMOTE_TEMP=" + userDir + "/ansible",
                "ANSIBLE_NOCOLOR=1",
                "ANSIBLE_PYTHON_INTERPRETER=auto_silent",
                "PYTHONDONTWRITEBYTECODE=1",  // nothing written into the source tree
                "HOME=" + userDir,
                "WINEPREFIX=",
                "DISPLAY=",
                "WAYLAND_DISPLAY="};
    }
    // The playbook against localhost, the role's variables given with -e.
    ToolResult Play(const std::vector<std::string>& vars, const std::string& inventory = "localhost,") {
        ToolRun run;
        run.program = ansible;
        run.args = {"-i", inventory, "-c", "local", std::string(SOURCE_DIR) + "/docs/fleet/site.yml"};
        for (const std::string& v : vars) run.args.insert(run.args.end(), {"-e", v});
        run.env = Env();
        run.cwd = prefixDir + "/drive_c";
        return RunTool(run);
    }
    std::vector<std::string> Local(std::vector<std::string> more = {}) const {
        std::vector<std::string> vars = {
            "fleet_hosts=localhost", std::string("settings_maintenance_program=") + QUILLMARK_BIN,
            "settings_maintenance_prefix=" + prefixDir, "settings_maintenance_results_dir=" + controller};
        vars.insert(vars.end(), more.begin(), more.end());
        return vars;
    }
    json Tool(std::vector<std::string> args) {
        ToolRun run;
        run.program = QUILLMARK_BIN;
        run.args = {"--prefix", prefixDir};
        run.args.insert(run.args.end(), args.begin(), args.end());
        run.args.push_back("--json");
        run.env = Env();
        run.cwd = prefixDir + "/drive_c";
        return json::parse(RunTool(run).out, nullptr, false);
    }
    std::vector<fs::path> Results(const std::string& host) const {
        std::vector<fs::path> files;
        if (fs::is_directory(controller + "/" + host))
            for (const auto& e : fs::directory_iterator(controller + "/" + host)) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }
    static json ReadJson(const fs::path& file) { return json::parse(ReadHostFile(file.string()), nullptr, false); }
    // Host file behind a Windows path of the prefix ("C:\A\\B" -> <prefix>/dosdevices/c:/A/B).
    std::string HostPath(std::string win) const {
        std::string host = prefixDir + "/dosdevices/" + static_cast<char>(std::tolower(win[0])) + ":";
        for (size_t i = 2; i < win.size(); ++i) host += win[i] == '\\' ? '/' : win[i];
        return fs::path(host).lexically_normal().string();
    }

    std::string ansible, prefixDir, userDir, controller;
};

TEST_F(FleetRole, SavesOnlyWhatDiffersAndRegistersOnlyWhenAsked) {
    const json list = Tool({"save", "--drive", "E:", "--folder", "localhost", "--all", "--dry-run"});
    ASSERT_GT(list["file_count"].get<int>(), 0);
    const std::string changed = HostPath(list["files"][0]["source"]);
    const std::string original = ReadHostFile(changed);
    const std::string folder = prefixDir + "/drive_e/PARC_JDT/localhost";

    // The default phase saves, and only saves: no restore point is taken.
    const ToolResult first = Play(Local());
    ASSERT_EQ(first.code, 0) << first.out << first.err;
    EXPECT_EQ(Recap(first.out, "localhost")["changed"], 1) << first.out;
    EXPECT_EQ(ReadHostFile(HostPath(list["files"][0]["destination"])), original);
    ASSERT_EQ(Results("localhost").size(), 1u);
    const json saved = ReadJson(Results("localhost")[0]);
    EXPECT_TRUE(saved["changed"].get<bool>()) << saved.dump();
    EXPECT_EQ(saved["save"]["result"]["file_count"], list["file_count"]);
    EXPECT_EQ(Tool({"undo-register", "--list"})["restore_points"].size(), 0u);

    // Nothing differs now: no byte is written and nothing is changed. As root the
    // run also goes through a become (su needs no password then).
    std::vector<std::string> second = {};
    if (geteuid() == 0 && access("/usr/bin/su", X_OK) == 0)
        second = {"settings_maintenance_become_user=root", "ansible_become_method=su"};
    const std::string before = TreeDigest(folder);
    const ToolResult again = Play(Local(second));
    ASSERT_EQ(again.code, 0) << again.out << again.err;
    const auto recap = Recap(again.out, "localhost");
    EXPECT_EQ(recap.at("changed"), 0) << again.out;
    EXPECT_EQ(recap.at("failed"), 0) << again.out;
    EXPECT_EQ(TreeDigest(folder), before);
    ASSERT_EQ(Results("localhost").size(), 2u);  // a result of each run, named by its run
    EXPECT_FALSE(ReadJson(Results("localhost")[1])["plan"]["write"].get<bool>());

    // A register asked for by name puts the folder's copy back, keeping a restore
    // point that the report names.
    WriteHostFile(changed, "changed by the upgrade");
    const ToolResult reg =
        Play(Local({"settings_maintenance_phase=register", "settings_maintenance_run_id=upgrade-1"}));
    ASSERT_EQ(reg.code, 0) << reg.out << reg.err;
    EXPECT_EQ(Recap(reg.out, "localhost")["changed"], 1) << reg.out;
    EXPECT_EQ(ReadHostFile(changed), original);
    const json points = Tool({"undo-register", "--list"})["restore_points"];
    ASSERT_EQ(points.size(), 1u);
    const std::string id = points[0]["id"];
    EXPECT_NE(reg.out.find("restore point " + id), std::string::npos) << reg.out;
    EXPECT_NE(reg.out.find("undo-register --id " + id), std::string::npos) << reg.out;
    const json registered = ReadJson(controller + "/localhost/upgrade-1-register.json");
    EXPECT_EQ(registered["register"]["result"]["restore_point"], id) << registered.dump();
}

TEST_F(FleetRole, FailuresShowTheProgramsExitCodeAndStopTheRollout) {
    // Four machines fail in the first batch; the last one is never started.
    struct Case {
        const char* host;
        const char* vars;
        const char* said;
    };
    const Case cases[] = {
        {"nodrive",
         "settings_maintenance_drive=Q:", "compare ended with exit code 5 (no such drive, or no medium in it): "},
        {"silent", "settings_maintenance_program=/bin/false",
         "compare ended with exit code 1 (internal error) and printed no JSON document. stdout: (empty)"},
        {"echoes", "settings_maintenance_program=/bin/echo",
         "compare ended with exit code 0 (done) and printed no JSON document. stdout: --prefix "},
        {"nofolder", "settings_maintenance_phase=register settings_maintenance_folder=missing",
         "register ended with exit code 3 (refused by a check"},
    };
    std::string inventory;
    for (const Case& c : cases) inventory += std::string(c.host) + " " + c.vars + "\n";
    inventory +=
        "after\n[all:vars]\nansible_connection=local\nsettings_maintenance_program=" + std::string(QUILLMARK_BIN) +
        "\nsettings_maintenance_prefix=" + prefixDir + "\nsettings_maintenance_results_dir=" + controller + "\n";
    WriteHostFile(userDir + "/inventory.ini", inventory);

    const ToolResult run = Play({"fleet_hosts=all", "fleet_serial=4"}, userDir + "/inventory.ini");
    EXPECT_NE(run.code, 0) << run.out;
    for (const Case& c : cases) {
        const size_t fatal = run.out.find(std::string("fatal: [") + c.host + "]");
        ASSERT_NE(fatal, std::string::npos) << c.host << "\n" << run.out;
        const std::string line = run.out.substr(fatal, run.out.find('\n', fatal) - fatal);
        EXPECT_NE(line.find(c.said), std::string::npos) << line;
        EXPECT_EQ(Recap(run.out, c.host)["failed"], 1) << c.host;
        // The result is kept for a failed machine too.
        ASSERT_EQ(Results(c.host).size(), 1u) << c.host;
    }
    EXPECT_EQ(ReadJson(Results("silent")[0])["compare"]["rc"], 1);
    EXPECT_TRUE(Recap(run.out, "after").empty()) << run.out;
    EXPECT_TRUE(Results("after").empty());
    EXPECT_FALSE(fs::exists(prefixDir + "/drive_e/PARC_JDT/missing"));
}

}  // namespace
