#include "cli/compare_command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/cancel_signal.h"
#include "cli/exit_codes.h"
#include "cli/installation_view.h"
#include "cli/json_text.h"
#include "cli/set_list.h"
#include "host/dem.h"
#include "platform/cp932.h"
#include "platform/drive_letter.h"
#include "platform/win32.h"
#include "transfer/carry_over.h"
#include "transfer/compare.h"
#include "transfer/save_register.h"
#include "transfer/transfer_texts.h"
#include "transfer/user_checks.h"

using nlohmann::json;

namespace {

std::string U(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }

// The command's one output: messages on standard error, the JSON document at the end.
struct Report {
    const CompareArgs& args;
    json out = json::object();
    json messages = json::array();

    int Finish(int code) {
        if (args.json) {
            out["exit_code"] = code;
            out["messages"] = messages;
            std::printf("%s\n", cli_json::Dump(out).c_str());
        }
        return code;
    }
    int Fail(int code, const char* what, const std::string& utf8) {
        messages.push_back(cli_json::MessageRecord(utf8, what, false, false));
        std::fprintf(stderr, "%s\n", utf8.c_str());
        return Finish(code);
    }
};

json CountsJson(const ChangeCounts& c) {
    return {{"add", c.add},
            {"replace_differs", c.replaceDiffers},
            {"replace_same", c.replaceSame},
            {"leave", c.leave},
            {"fails", c.fails}};
}

std::string CountsText(const char* direction, const ChangeCounts& c) {
    char text[160];
    std::snprintf(text, sizeof text, "%s add=%u replace_differs=%u replace_same=%u leave=%u fails=%u", direction, c.add,
                  c.replaceDiffers, c.replaceSame, c.leave, c.fails);
    return text;
}

// "size", "time", "content" as they differ (a document's content is its groups).
json Differences(const ComparedFile& f) {
    json list = json::array();
    if (f.sizeDiffers) list.push_back("size");
    if (f.timeDiffers) list.push_back("time");
    if (f.contentDiffers) list.push_back(f.kind == CarryOver::WholeFile ? "content" : "groups");
    if (f.unreadable) list.push_back("unreadable");
    return list;
}

json FileJson(const ComparedFile& f) {
    json groups = json::array();
    for (unsigned g : kAttributeGroups)
        if (f.groupsDiffer & g) groups.push_back(AttributeGroupName(g));
    return {{"system", U(f.systemPath)},
            {"folder", U(f.folderPath)},
            {"kind", static_cast<int>(f.kind)},
            {"state", FileStateName(f.State())},
            {"differs", Differences(f)},
            {"groups", std::move(groups)},
            {"register", FileChangeName(f.onRegister)},
            {"save", FileChangeName(f.onSave)},
            {"system_bytes", f.inSystem ? json(f.systemSize) : json(nullptr)},
            {"folder_bytes", f.inFolder ? json(f.folderSize) : json(nullptr)},
            {"system_time", f.inSystem ? json(f.systemTime) : json(nullptr)},
            {"folder_time", f.inFolder ? json(f.folderTime) : json(nullptr)}};
}

void PrintFile(const json& file) {
    std::string differs;
    for (const json& d : file["differs"]) differs += (differs.empty() ? "" : ",") + d.get<std::string>();
    for (const json& g : file["groups"]) differs += "," + g.get<std::string>();
    std::printf("\t%s\t%s\tregister=%s\tsave=%s\t%s\t%s\n", file["state"].get<std::string>().c_str(),
                differs.empty() ? "-" : differs.c_str(), file["register"].get<std::string>().c_str(),
                file["save"].get<std::string>().c_str(), file["system"].get<std::string>().c_str(),
                file["folder"].get<std::string>().c_str());
}

// The drive and its medium, or the failure's exit code.
int CheckDrive(Report& report, platform::DriveLetter drive) {
    const char letter = drive.Letter();
    report.out["drive"] = drive.Name();
    if (!(GetLogicalDrives() & (1u << drive.Number())))
        return report.Fail(exit_code::kMedium, "no_drive", "ドライブ " + std::string(1, letter) + ": がありません。");
    if (!IsDiskInDrive(drive))
        return report.Fail(exit_code::kMedium, "insert_disk", U(transfer_texts::InsertDisk(letter)));
    return exit_code::kOk;
}

}  // namespace

CLI::App* AddCompareCommand(CLI::App& app, CompareArgs& args) {
    CLI::App* sub =
        app.add_subcommand("compare", "what a register and a save would change, per data set and file; writes nothing");
    sub->add_option("--drive", args.drive, "drive letter of the maintenance folders, e.g. E:")->required();
    sub->add_option("--folder", args.folder, "maintenance folder (default: the default folder)");
    auto* sets = sub->add_option("--sets", args.sets, "data set numbers as listed: 1,3,5-7 (default: every one)");
    sub->add_flag("--all", args.all, "every data set (the default)")->excludes(sets);
    return sub;
}

int RunCompare(const CliProgram& program, const CompareArgs& args) {
    Report report{args};
    report.out["schema"] = cli_json::kSchema;
    report.out["program"] = program.programName;
    report.out["command"] = "compare";
    const SystemView view = LoadSystem(program);
    if (!view.missingText.empty()) return report.Fail(exit_code::kNoSettings, "no_settings", U(view.missingText));
    const std::optional<platform::DriveLetter> drive = ParseDriveLetter(args.drive);
    if (!drive) return report.Fail(exit_code::kUsage, "usage", "--drive: not a drive letter: '" + args.drive + "'");
    if (const int code = CheckDrive(report, *drive); code != exit_code::kOk) return code;

    const int32_t count = view.catalogue.count;
    const std::string externalRoot = ExternalRootOf(*drive, program);
    const std::string folder =
        args.folder.empty() ? transfer_texts::DefaultFolderName() : platform::Utf8ToCp932(args.folder);
    if (!IsValidFolderName(folder))
        return report.Fail(exit_code::kRefused, "bad_folder_name", U(transfer_texts::BadFolderName(folder)));
    std::vector<int32_t> presence;
    if (!ReadPresence(externalRoot + "\\" + folder, program, count, presence))
        return report.Fail(
            exit_code::kRefused, "file_too_large",
            U(transfer_texts::FileTooLarge(externalRoot + "\\" + folder + "\\" + program.files.indexFile)));
    std::vector<char> chosen(static_cast<size_t>(count), 1);
    std::string error;
    if (!args.sets.empty() && !ParseSetList(args.sets, count, chosen, &error))
        return report.Fail(exit_code::kUsage, "usage", "--sets: " + error);

    DemInitData docInit;
    TransferContext context = ContextFor(view, program, externalRoot, presence, &docInit);
    const CompareResult result = CompareFolder(context, folder, chosen, CancelFlagOfInterrupt());
    if (result.cancelled) return report.Fail(exit_code::kCancelled, "stopped", "中止しました。何も行っていません。");

    report.out["folder"] = U(folder);
    report.out["folder_path"] = U(result.folderPath);
    report.out["folder_exists"] = result.folderExists;
    json sets = json::array();
    ChangeCounts registerTotal, saveTotal;
    for (const ComparedSet& set : result.sets) {
        const std::string name = U(SetName(view.catalogue, set.index));
        json files = json::array();
        for (const ComparedFile& f : set.files) files.push_back(FileJson(f));
        if (!args.json) {
            std::printf("%d\t%s\t%s\t%s\t%s\n", static_cast<int>(set.index) + 1, name.c_str(), set.held ? "held" : "-",
                        CountsText("register", set.onRegister).c_str(), CountsText("save", set.onSave).c_str());
            for (const json& file : files) PrintFile(file);
        }
        registerTotal += set.onRegister;
        saveTotal += set.onSave;
        sets.push_back({{"number", set.index + 1},
                        {"index", set.index},
                        {"name", name},
                        {"held", set.held},
                        {"register", CountsJson(set.onRegister)},
                        {"save", CountsJson(set.onSave)},
                        {"files", std::move(files)}});
    }
    report.out["sets"] = std::move(sets);
    report.out["register"] = CountsJson(registerTotal);
    report.out["save"] = CountsJson(saveTotal);
    return report.Finish(exit_code::kOk);
}
