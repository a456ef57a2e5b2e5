// A fresh demo installation per test, and the real executables run on it as a
// script runs them: no display, no terminal.
#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/cli/tool_runner.h"
#include "tests/support/temp_prefix.h"

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        prefixDir = MakeTempDir();
        userDir = MakeTempDir();
        const std::string command =
            std::string("'") + DEMO_SCRIPT + "' '" + prefixDir + "' '" + DEMDOC_BIN + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void TearDown() override {
        if (mounted) umount2(mountPoint.c_str(), MNT_DETACH);
        RemoveHostTree(prefixDir);
        RemoveHostTree(userDir);
    }

    ToolResult Run(std::vector<std::string> args, const char* program = QUILLMARK_BIN, bool interrupt = false) {
        ToolRun run;
        run.program = program;
        run.args = std::move(args);
        run.env = {"WINEPREFIX=" + prefixDir,
                   "XDG_CONFIG_HOME=" + userDir + "/config",
                   "XDG_DATA_HOME=" + userDir + "/data",
                   "QT_QPA_PLATFORM=",
                   "DISPLAY=",
                   "WAYLAND_DISPLAY="};
        run.cwd = prefixDir + "/drive_c";
        run.pendingInterrupt = interrupt;
        return RunTool(run);
    }
    nlohmann::json RunJson(std::vector<std::string> args, int expectedCode = 0) {
        args.push_back("--json");
        const ToolResult r = Run(args);
        EXPECT_EQ(r.code, expectedCode) << r.err;
        nlohmann::json doc = nlohmann::json::parse(r.out, nullptr, false);
        EXPECT_FALSE(doc.is_discarded()) << r.out;
        if (!doc.is_discarded()) {
            EXPECT_EQ(doc["exit_code"], expectedCode);
        }
        return doc;
    }
    // Host file behind a Windows path of the prefix ("C:\A\\B" -> <prefix>/dosdevices/c:/A/B).
    std::string HostPath(std::string win) const {
        std::string host = prefixDir + "/dosdevices/" + static_cast<char>(std::tolower(win[0])) + ":";
        for (size_t i = 2; i < win.size(); ++i) host += win[i] == '\\' ? '/' : win[i];
        return std::filesystem::path(host).lexically_normal().string();
    }
    std::string Stick() const { return prefixDir + "/drive_e/PARC_JDT"; }
    // Drive E: on a fresh tmpfs with these mount options; false without root.
    bool MountStick(const char* options) {
        if (geteuid() != 0) return false;
        mountPoint = prefixDir + "/small";
        MakeHostDirs(mountPoint);
        mounted = mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options) == 0;
        if (!mounted) return false;
        std::filesystem::remove(prefixDir + "/dosdevices/e:");
        std::filesystem::create_symlink(mountPoint, prefixDir + "/dosdevices/e:");
        return true;
    }

    // Two runs started together, as two technicians (or two scripts) would.
    std::pair<ToolResult, ToolResult> RunTogether(std::vector<std::string> a, std::vector<std::string> b) {
        auto first = std::async(std::launch::async, [&] { return Run(a); });
        const ToolResult second = Run(b);
        return {first.get(), second};
    }
    // The numbers (from 1) of the first `n` data sets that have files.
    std::vector<int> SetsWithFiles(size_t n) {
        std::vector<int> sets;
        const nlohmann::json list = RunJson({"list"});
        for (const nlohmann::json& s : list["sets"])
            if (s["files"].get<int>() > 0 && sets.size() < n) sets.push_back(s["number"].get<int>());
        return sets;
    }

    std::string prefixDir, userDir, mountPoint;
    bool mounted = false;
};
