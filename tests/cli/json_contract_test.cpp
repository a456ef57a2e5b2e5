// What scripts rely on: the JSON documents as docs/cli-json.md describes them, the
// space check a dry run and a save share, and the shells' completion candidates.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "tests/cli/command_line_fixture.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The field names the docs' tables describe: every `name` in a row's first cell.
std::set<std::string> DocumentedFields(const std::string& docs) {
    std::set<std::string> names;
    const std::regex row(R"(^\| ([^|]+) \|)", std::regex::multiline);
    const std::regex name("`([a-z_]+)`");
    for (auto r = std::sregex_iterator(docs.begin(), docs.end(), row); r != std::sregex_iterator(); ++r) {
        const std::string cell = (*r)[1];
        for (auto n = std::sregex_iterator(cell.begin(), cell.end(), name); n != std::sregex_iterator(); ++n)
            names.insert((*n)[1]);
    }
    return names;
}

void ExpectDocumented(const json& example, const std::set<std::string>& documented, const std::string& where) {
    if (example.is_array())
        for (const json& e : example) ExpectDocumented(e, documented, where + "[]");
    if (!example.is_object()) return;
    for (const auto& [key, value] : example.items()) {
        EXPECT_TRUE(documented.count(key)) << where << "." << key << " is in an example but in no table";
        ExpectDocumented(value, documented, where + "." + key);
    }
}

// The real document has the example's fields with the same types; every element of
// an array is shaped like the example's first. Null stands for "or null".
void ExpectSameShape(const json& example, const json& real, const std::string& where) {
    if (example.is_null() || real.is_null()) return;
    if (example.is_number()) {
        EXPECT_TRUE(real.is_number()) << where << ": " << real.dump();
        return;
    }
    ASSERT_EQ(example.type_name(), std::string(real.type_name())) << where << ": " << real.dump();
    if (example.is_array() && !example.empty())
        for (const json& e : real) ExpectSameShape(example[0], e, where + "[]");
    if (!example.is_object()) return;
    std::set<std::string> exampleKeys, realKeys;
    for (const auto& [key, value] : example.items()) exampleKeys.insert(key);
    for (const auto& [key, value] : real.items())
        if (key.size() < 8 || key.compare(key.size() - 8, 8, "_raw_hex") != 0) realKeys.insert(key);
    EXPECT_EQ(exampleKeys, realKeys) << where;
    for (const auto& [key, value] : example.items())
        if (real.contains(key)) ExpectSameShape(value, real[key], where + "." + key);
}

TEST_F(CommandLine, DocsExamplesMatchRealOutput) {
    const std::string docs = ReadText(std::string(SOURCE_DIR) + "/docs/cli-json.md");
    const std::set<std::string> documented = DocumentedFields(docs);
    // Each example names its command line; they run in order on one installation.
    const std::regex example(R"(Example[^`]*\(`quillmark ([^`]+)`\)[^`]*```json\n([^`]*)```)");
    std::set<std::string> exampled, sections;
    const std::regex section(R"(^## ([a-z-]+))", std::regex::multiline);
    for (auto s = std::sregex_iterator(docs.begin(), docs.end(), section); s != std::sregex_iterator(); ++s)
        sections.insert((*s)[1]);
    for (auto e = std::sregex_iterator(docs.begin(), docs.end(), example); e != std::sregex_iterator(); ++e) {
        std::vector<std::string> args;
        std::istringstream words((*e)[1].str());
        for (std::string w; words >> w;) args.push_back(w);
        const json doc = json::parse((*e)[2].str(), nullptr, false);
        ASSERT_FALSE(doc.is_discarded()) << (*e)[1];
        const ToolResult r = Run(args);
        const json real = json::parse(r.out, nullptr, false);
        ASSERT_FALSE(real.is_discarded()) << (*e)[1] << ": " << r.out << r.err;
        EXPECT_EQ(real["exit_code"], doc["exit_code"]) << (*e)[1] << ": " << r.err;
        ExpectSameShape(doc, real, (*e)[1]);
        ExpectDocumented(doc, documented, (*e)[1]);
        exampled.insert(args[0]);
    }
    EXPECT_EQ(exampled, sections);
    // A refusal before any command ran is a document of the same contract.
    const json usage = RunJson({"save", "--drive", "E:"}, 2);
    EXPECT_EQ(usage["schema"], 1);
    EXPECT_EQ(usage["messages"][0]["code"], "usage");
}

// Drive E: on a loop-mounted ext4 with 64 KiB clusters; false where mounting is refused.
bool MountBigalloc(const std::string& image, const std::string& at) {
    const std::string make = "truncate -s 16M '" + image + "' && mkfs.ext4 -q -F -b 4096 -C 65536 -O bigalloc '" +
                             image + "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + at + "' 2>/dev/null";
    return std::system(make.c_str()) == 0;
}

TEST_F(CommandLine, SpaceCheckCountsWholeAllocationUnits) {
    if (!MountStick("size=64k")) GTEST_SKIP() << "needs root to mount a small stick";
    // The demo's files add up to about 10 KB: they fit a 64 KiB stick by their bytes,
    // not by the pages they take. The save is refused before it writes anything.
    const std::string image = prefixDir + "/big.img";
    for (const uint64_t unit : {4096u, 65536u}) {
        if (unit == 65536u) {
            umount2(mountPoint.c_str(), MNT_DETACH);
            mounted = MountBigalloc(image, mountPoint);
            if (!mounted) GTEST_SKIP() << "no loop mount of ext4 with bigalloc here";
            // Leave 256 KiB free: room for the bytes, not for 17 files of 64 KiB.
            struct statvfs vfs {};
            ASSERT_EQ(statvfs(mountPoint.c_str(), &vfs), 0);
            std::ofstream(mountPoint + "/filler")
                .write(std::string(vfs.f_bavail * vfs.f_frsize - (256u << 10), 'f').data(),
                       static_cast<std::streamsize>(vfs.f_bavail * vfs.f_frsize - (256u << 10)));
        }
        const json dry = RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--dry-run"}, 4);
        EXPECT_FALSE(dry["space"]["fits"].get<bool>()) << dry.dump();
        EXPECT_EQ(dry["space"]["allocation_unit"], unit);
        EXPECT_LT(dry["bytes"].get<uint64_t>(), dry["space"]["free_bytes"].get<uint64_t>());
        EXPECT_GT(dry["space"]["needed_bytes"].get<uint64_t>(), dry["space"]["free_bytes"].get<uint64_t>());
        const json saved = RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--yes"}, 4);
        EXPECT_EQ(saved["messages"].back()["code"], "space_shortage") << saved.dump();
        EXPECT_EQ(saved["outcome"]["written"], 0);
        for (const json& f : saved["files"]) EXPECT_FALSE(fs::exists(HostPath(f["destination"]))) << f.dump();
    }
}

TEST_F(CommandLine, WhatTheDryRunSaysFitsTheSaveWrites) {
    if (!MountStick("size=16m")) GTEST_SKIP() << "needs root to mount a small stick";
    const uint64_t needed =
        RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--dry-run"})["space"]["needed_bytes"]
            .get<uint64_t>();
    // Exactly the room counted fits and the save goes through; one page less does not
    // fit. (The save itself may then still fit: its lock has made the folders by
    // the time it counts, and folders take no pages on a tmpfs.)
    for (const uint64_t size : {needed - 4096, needed}) {
        umount2(mountPoint.c_str(), MNT_DETACH);
        const std::string options = "size=" + std::to_string(size);
        mounted = mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options.c_str()) == 0;
        ASSERT_TRUE(mounted);
        const bool fits = size >= needed;
        const json dry = RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--dry-run"}, fits ? 0 : 4);
        EXPECT_EQ(dry["space"]["fits"], fits) << dry.dump();
    }
    const json saved = RunJson({"save", "--drive", "E:", "--folder", "x", "--all", "--yes"});
    EXPECT_TRUE(saved["written"].get<bool>()) << saved.dump();
    EXPECT_EQ(saved["outcome"]["written"], saved["file_count"]);
}

std::string ZshPath() {
    for (const char* path : {"/usr/bin/zsh", "/bin/zsh"})
        if (fs::exists(path)) return path;
    return {};
}

// The candidates a shell's completion ("bash", "zsh") offers for the words after the program.
std::vector<std::string> Candidates(const std::string& shell, const std::vector<std::string>& words,
                                    const std::vector<std::string>& env) {
    ToolRun run;
    const bool bash = shell == "bash";
    run.program = bash ? "/bin/bash" : ZshPath();
    const std::string file = std::string(SOURCE_DIR) + "/docs/completion/settings-tool." + shell;
    // zsh: compadd stands in for the completion system and prints what it is given.
    run.args = {"-c",
                bash ? R"(source "$1"; COMP_WORDS=("${@:2}"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _settings_tool;
                         printf '%s\n' "${COMPREPLY[@]}")"
                     : R"(compadd() { [[ $1 == -- ]] && shift; print -rl -- "$@" }; _files() {};
                         words=("${@:2}"); CURRENT=${#words}; source "$1")",
                shell, file, QUILLMARK_BIN};
    run.args.insert(run.args.end(), words.begin(), words.end());
    run.env = env;
    const ToolResult r = RunTool(run);
    EXPECT_EQ(r.code, 0) << shell << ": " << r.err;
    std::vector<std::string> lines;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

TEST_F(CommandLine, CompletionOffersFoldersAndRestorePoints) {
    const json registered = RunJson({"register", "--drive", "E:", "--folder", "2026年12月点検", "--all", "--yes"});
    const std::string id = registered["restore_point"];
    const std::vector<std::string> env = {"WINEPREFIX=" + prefixDir, "XDG_DATA_HOME=" + userDir + "/data",
                                          "XDG_CONFIG_HOME=" + userDir + "/config"};
    // The prefix named on the line wins over the environment's.
    const std::vector<std::string> lineEnv = {"WINEPREFIX=/nonexistent", "XDG_DATA_HOME=" + userDir + "/data",
                                              "XDG_CONFIG_HOME=" + userDir + "/config"};
    const struct {
        std::vector<std::string> words;
        bool onLine;
        std::vector<std::string> offered;  // all of these, and (bash) nothing else
    } cases[] = {
        {{"save", "--drive", "E:", "--folder", ""}, false, {"2026年12月点検", "現場A"}},
        {{"--prefix", prefixDir, "list", "--drive", "e:", "--folder", ""}, true, {"2026年12月点検", "現場A"}},
        {{"compare", "--drive", "E:", "--folder", "現"}, false, {"現場A"}},
        {{"undo-register", "--id", ""}, false, {id}},
        {{"--prefix", prefixDir, "undo-register", "--id", ""}, true, {id}},
        {{"save", "--drive", "E"}, false, {"E:"}},
    };
    std::vector<std::string> shells = {"bash"};
    if (!ZshPath().empty()) shells.push_back("zsh");  // without zsh only bash is checked
    for (const std::string& shell : shells) {
        for (const auto& c : cases) {
            const std::vector<std::string> got = Candidates(shell, c.words, c.onLine ? lineEnv : env);
            for (const std::string& want : c.offered)
                EXPECT_NE(std::find(got.begin(), got.end(), want), got.end()) << shell << " " << c.words.back();
            // zsh matches the typed word itself; bash's function offers only the matches.
            if (shell == "bash") {
                EXPECT_EQ(got.size(), c.offered.size()) << c.words.back();
            }
        }
    }
    // An undone point is not offered again.
    RunJson({"undo-register", "--id", id, "--yes"});
    EXPECT_TRUE(Candidates("bash", {"undo-register", "--id", ""}, env).empty());
}

}  // namespace
