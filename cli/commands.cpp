// The subcommands: parsing, the operations over the same logic as the dialog,
// and their results as text or one JSON document on standard output.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

#include "catalogue/folder_index_file.h"
#include "catalogue/folder_names.h"
#include "cli/cancel_signal.h"
#include "cli/cli_host.h"
#include "cli/cli_main.h"
#include "cli/compare_command.h"
#include "cli/exit_codes.h"
#include "cli/failure_text.h"
#include "cli/installation_view.h"
#include "cli/json_text.h"
#include "cli/set_list.h"
#include "host/dem.h"
#include "host/odisk.h"
#include "platform/cp932.h"
#include "platform/drive_letter.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/win32.h"
#include "transfer/maintenance_folder.h"
#include "transfer/restore_point.h"
#include "transfer/safety_texts.h"
#include "transfer/tool_settings.h"
#include "transfer/transfer_texts.h"
#include "transfer/undo_register.h"
#include "transfer/user_checks.h"

using nlohmann::json;

#ifndef PROGRAM_VERSION
#define PROGRAM_VERSION "0"
#endif

namespace {

std::string U(const std::string& cp932) { return platform::Cp932ToUtf8(cp932); }
std::string W(const std::string& utf8) { return platform::Utf8ToCp932(utf8); }

struct Options {
    bool json = false;
    bool yes = false;
    bool dryRun = false;
    bool all = false;
    bool listPoints = false;
    bool namesOnly = false;  // folders: the names alone, for shell completion
    bool quiet = false;      // failures only on standard error
    bool verbose = false;    // one line per file written
    std::string prefix, drive, folder, sets, name, id;
    std::string wait;  // --wait[=SECONDS] as given; "" without it
    int waitSeconds = 0;
};

// One command's run: the host that shows messages, and the JSON being built.
struct Run {
    const CliProgram& program;
    const Options& options;
    CliHost host;
    json out = json::object();
    // Top-level fields too long to build as a tree, as their text (out holds null for each).
    std::vector<std::pair<std::string, std::string>> texts;

    Run(const CliProgram& p, const Options& o, const char* command) : program(p), options(o), host(MakeHostOptions(o)) {
        out["schema"] = cli_json::kSchema;
        out["program"] = p.programName;
        out["command"] = command;
    }

    static HostOptions MakeHostOptions(const Options& o) {
        HostOptions h;
        h.yes = o.yes;
        h.interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
        h.progress = !o.json && !o.quiet && !o.verbose && isatty(STDERR_FILENO);
        h.errorsOnly = o.quiet;
        h.verbose = o.verbose;
        h.lockWaitSeconds = o.waitSeconds;
        return h;
    }

    // Ends the command: the JSON document (with the code and every message) or nothing.
    int Finish(int code) {
        if (code == 0) code = host.Failure();
        if (options.json) {
            out["exit_code"] = code;
            json messages = json::array();
            for (const ShownMessage& m : host.Messages())
                messages.push_back(cli_json::MessageRecord(m.text, m.code, m.question, m.accepted));
            out["messages"] = messages;
            std::printf("%s\n", cli_json::DumpWith(out, texts).c_str());
        }
        return code;
    }

    // Ends the command with a message of the command line itself (`what`: its code).
    int Fail(int code, const char* what, const std::string& utf8) {
        host.Say(utf8, what);
        return Finish(code);
    }
};

// Settings file and catalogue, or the reason they cannot be used.
bool LoadOrFail(Run& run, SystemView& view, int* code) {
    view = LoadSystem(run.program);
    if (!view.missingText.empty()) {
        *code = run.Fail(exit_code::kNoSettings, "no_settings", U(view.missingText));
        return false;
    }
    return true;
}

// A drive the prefix does not have, or one without its medium (a removable
// drive is asked for its medium by the operation itself, as the dialog does).
bool MediumOrFail(Run& run, platform::DriveLetter drive, bool askRemovable, int* code) {
    const std::string letter(1, drive.Letter());
    if (!(GetLogicalDrives() & (1u << drive.Number()))) {
        *code = run.Fail(exit_code::kMedium, "no_drive", "ドライブ " + letter + ": がありません。");
        return false;
    }
    if (askRemovable && platform::DriveType(drive.Number()) == DRIVE_REMOVABLE) return true;
    if (!IsDiskInDrive(drive)) {
        *code = run.Fail(exit_code::kMedium, "insert_disk", U(transfer_texts::InsertDisk(letter[0])));
        return false;
    }
    return true;
}

// The --drive argument, a drive the prefix has and (see MediumOrFail) its medium;
// none, with the failure's exit code in *code, when any is missing.
std::optional<platform::DriveLetter> DriveOrFail(Run& run, bool askRemovable, int* code) {
    const std::optional<platform::DriveLetter> drive = ParseDriveLetter(run.options.drive);
    if (!drive) {
        *code =
            run.Fail(exit_code::kUsage, "usage", "--drive: ドライブ文字ではありません: '" + run.options.drive + "'");
        return std::nullopt;
    }
    run.out["drive"] = drive->Name();
    if (!MediumOrFail(run, *drive, askRemovable, code)) return std::nullopt;
    return drive;
}

// The stop's message, naming the signal that asked for it.
std::string StoppedText(const std::string& rest) {
    const std::string signal = CancelSignalName();
    return "中止しました" + (signal.empty() ? std::string() : " (" + signal + ")") + "。" + rest;
}

// A maintenance folder that is not on the drive: said, rather than listed as empty.
bool FolderOrFail(Run& run, const std::string& folderPath, int* code) {
    const DWORD attributes = GetFileAttributesA(folderPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    *code = run.Fail(exit_code::kRefused, "no_folder", "保守フォルダ " + U(folderPath) + " がありません。");
    return false;
}

// What became of each listed row after a run: written (in place and on the
// medium), unchanged (it held the source's bytes already and was left), failed
// (the row the run stopped at, with the system's error), or not reached (after
// the failure or a stop, or no copy ran).
const char* RowOutcome(uint32_t row, const TransferEngine& engine, const CliHost& host, uint32_t failedRow) {
    if (!host.Copied()) return "not_reached";
    if (row < host.Result().rows) return engine.RowUnchanged(row) ? "unchanged" : "written";
    return row == failedRow ? "failed" : "not_reached";
}

// The row a failed run names: the first not kept whose destination failed, or the
// first not kept.
uint32_t FailedRow(const TransferEngine& engine, const CliHost& host) {
    if (!host.Copied() || !host.Result().failed) return UINT32_MAX;
    const std::string& path = engine.LastFailure().path;
    for (uint32_t i = host.Result().rows; i < engine.FileCount(); ++i)
        if (engine.List().Row(i).destination == path) return i;
    return host.Result().rows < engine.FileCount() ? host.Result().rows : UINT32_MAX;
}

// One row of the transfer list, its fields in the document's order; with its
// outcome after a run, and the failure on the row that failed.
void PutFileRecord(cli_json::RecordsText& files, const TransferRow& row, const char* outcome,
                   const TransferFailure* failure) {
    files.Begin();
    files.Unsigned("bytes", row.size);
    files.Signed("data_set", int64_t{row.dataSet} + 1);
    files.Cp932("destination", row.destination);
    if (failure) files.Value("failure", cli_failure::Record(*failure));
    files.Signed("kind", static_cast<int>(row.kind));
    if (outcome) files.Value("outcome", outcome);
    files.Cp932("source", row.source);
}

// Outcomes from the best to the worst; a destination file has its worst row's.
constexpr const char* kOutcomes[] = {"unchanged", "written", "not_reached", "failed"};

// Counts a row's outcome into its destination file's worst (an index into kOutcomes).
void TallyOutcome(std::map<std::string, int>& fileOutcome, const std::string& destination, const char* outcome) {
    int& worst = fileOutcome.try_emplace(destination, 0).first->second;
    for (int k = 0; k < 4; ++k)
        if (std::strcmp(outcome, kOutcomes[k]) == 0) worst = std::max(worst, k);
}

// What a run wrote: the files by their outcome, and the counts of the result.
void PutRunOutcome(Run& run, const std::map<std::string, int>& fileOutcome) {
    json outcome = {{"written", 0}, {"unchanged", 0}, {"failed", 0}, {"not_reached", 0}};
    for (const auto& [destination, worst] : fileOutcome)
        outcome[kOutcomes[worst]] = outcome[kOutcomes[worst]].get<int>() + 1;
    run.out["outcome"] = std::move(outcome);
    const TransferResult& result = run.host.Result();
    run.out["written_files"] = run.host.Copied() ? result.files : 0;
    run.out["written_bytes"] = run.host.Copied() ? result.bytes : 0;
    run.out["written_rows"] = run.host.Copied() ? result.rows : 0;
}

// The transfer list into the JSON; a dry run's text output prints it too. Files
// and bytes count each destination file once (a document is one row per
// attribute kind); `rows` counts the rows. After a run (`ran`) each row has its
// outcome and `outcome` counts the files by theirs.
void PutTransferList(Run& run, const TransferEngine& engine, bool ran) {
    const Options& o = run.options;
    // Written straight as text: a list can hold many thousands of rows.
    cli_json::RecordsText files;
    uint64_t bytes = 0;
    uint32_t fileCount = 0;
    const uint32_t failedRow = ran ? FailedRow(engine, run.host) : UINT32_MAX;
    std::map<std::string, int> fileOutcome;
    for (uint32_t i = 0; i < engine.FileCount(); ++i) {
        const TransferRow& row = engine.List().Row(i);
        if (row.counted) {
            ++fileCount;
            bytes += row.size;
        }
        const char* const outcome = ran ? RowOutcome(i, engine, run.host, failedRow) : nullptr;
        if (outcome) TallyOutcome(fileOutcome, row.destination, outcome);
        if (o.json) PutFileRecord(files, row, outcome, i == failedRow ? &engine.LastFailure() : nullptr);
        if (!o.json && o.dryRun)
            std::printf("%s\t%s\t%d\t%llu\n", U(row.source).c_str(), U(row.destination).c_str(),
                        static_cast<int>(row.kind), static_cast<unsigned long long>(row.size));
    }
    run.out["files"] = nullptr;
    run.texts.emplace_back("files", files.Finish());
    run.out["file_count"] = fileCount;
    run.out["bytes"] = bytes;
    run.out["rows"] = engine.FileCount();
    if (ran) PutRunOutcome(run, fileOutcome);
}

// The folder of a save or register, checked before its index file is read: the
// name must not lead anywhere else, and a register reads a folder that is there
// (a save makes it).
bool TransferFolderOrFail(Run& run, const std::string& externalRoot, const std::string& folder, bool save, int* code) {
    if (!folder.empty() && !IsUsableMaintenanceFolder(externalRoot, folder)) {
        *code = run.Fail(exit_code::kRefused, "bad_folder_name", U(transfer_texts::BadFolderName(folder)));
        return false;
    }
    const std::string used = folder.empty() ? transfer_texts::DefaultFolderName() : folder;
    return save || FolderOrFail(run, externalRoot + "\\" + used, code);
}

// A failed write names its file and the system's error; a full medium met during
// the copy is a shortage. Returns the exit code that replaces a write failure, or 0.
int TellFailure(Run& run, const TransferFailure& failure) {
    if (failure.path.empty()) return 0;
    run.host.Say(cli_failure::Line(failure), "failure");
    run.out["failure"] = cli_failure::Record(failure);
    return cli_failure::IsFull(failure.error) && run.host.Failure() == exit_code::kWrite ? exit_code::kSpace : 0;
}

json SetJson(const SystemView& view, int32_t i) { return cli_json::SetRecord(i, SetName(view.catalogue, i)); }

// The presence flags of the maintenance folder at `folderPath`, or the refusal of
// its index file for its size.
bool PresenceOrFail(Run& run, const std::string& folderPath, int32_t count, std::vector<int32_t>& presence, int* code) {
    if (ReadPresence(folderPath, run.program, count, presence)) return true;
    *code = run.Fail(exit_code::kRefused, "file_too_large",
                     U(transfer_texts::FileTooLarge(folderPath + "\\" + run.program.files.indexFile)));
    return false;
}

// The maintenance folder `list --drive` names, and what it holds.
bool ListedFolderOrFail(Run& run, const SystemView& view, std::vector<int32_t>& presence, int* code) {
    const std::optional<platform::DriveLetter> drive = DriveOrFail(run, false, code);
    if (!drive) return false;
    const std::string root = ExternalRootOf(*drive, run.program);
    const std::string folder = run.options.folder.empty() ? transfer_texts::DefaultFolderName() : W(run.options.folder);
    if (!TransferFolderOrFail(run, root, folder, false, code)) return false;
    const std::string folderPath = root + "\\" + folder;
    cli_json::PutCp932(run.out, "folder", folder);
    cli_json::PutCp932(run.out, "folder_path", folderPath);
    return PresenceOrFail(run, folderPath, view.catalogue.count, presence, code);
}

// Data set `i` as `list` gives it: a line, or with --json a record into `sets`.
// With `presence` (a folder was named) it says whether the folder holds the set.
void ListSet(Run& run, const SystemView& view, int32_t i, const std::vector<int32_t>* presence, json& sets) {
    const SetFiles files = CountSetFiles(view.catalogue, i);
    const bool held = presence && (*presence)[static_cast<size_t>(i)] != 0;
    if (!run.options.json) {
        std::printf("%d\t%s\t%u\t%llu%s\n", static_cast<int>(i) + 1, U(SetName(view.catalogue, i)).c_str(), files.files,
                    static_cast<unsigned long long>(files.bytes), presence ? (held ? "\theld" : "\t-") : "");
        return;
    }
    json set = SetJson(view, i);
    set["files"] = files.files;
    set["bytes"] = files.bytes;
    if (presence) set["held"] = held;
    sets.push_back(std::move(set));
}

int CmdList(const CliProgram& program, const Options& o) {
    Run run(program, o, "list");
    SystemView view;
    int code = 0;
    if (!LoadOrFail(run, view, &code)) return code;
    std::vector<int32_t> presence;
    const bool byFolder = !o.drive.empty();
    if (byFolder && !ListedFolderOrFail(run, view, presence, &code)) return code;
    cli_json::PutCp932(run.out, "system_root", view.catalogue.systemPath);
    cli_json::PutCp932(run.out, "catalogue", view.catalogue.catalogPath);
    run.out["count"] = view.catalogue.count;
    json sets = json::array();
    for (int32_t i = 0; i < view.catalogue.count; ++i) ListSet(run, view, i, byFolder ? &presence : nullptr, sets);
    run.out["sets"] = std::move(sets);
    return run.Finish(0);
}

int CmdDrives(const CliProgram& program, const Options& o) {
    Run run(program, o, "drives");
    json drives = json::array();
    for (const DriveInfo& d : ListDrives()) {
        const std::string letter = std::string(1, d.letter) + ":";
        drives.push_back(cli_json::DriveRecord(d));
        if (!o.json)
            std::printf("%s\t%s\t%s\t%s\t%llu\n", letter.c_str(), DriveTypeName(d.type),
                        cli_json::ValidUtf8(d.label).c_str(), d.medium ? "medium" : "no-medium",
                        static_cast<unsigned long long>(d.freeBytes));
    }
    run.out["drives"] = std::move(drives);
    return run.Finish(0);
}

int CmdFolders(const CliProgram& program, const Options& o) {
    Run run(program, o, "folders");
    int code = 0;
    const std::optional<platform::DriveLetter> drive = DriveOrFail(run, false, &code);
    if (!drive) return code;
    const std::string root = ExternalRootOf(*drive, program);
    cli_json::PutCp932(run.out, "root", root);
    json folders = json::array();
    for (const FolderInfo& f : ListFolders(root)) {
        folders.push_back(cli_json::FolderRecord(f));
        bool decodes = true;
        const std::string name = cli_json::ValidUtf8(U(o.namesOnly ? f.name : f.boxText), &decodes);
        // A completion offers only names that can be typed back as they are.
        if (!o.json && (!o.namesOnly || (decodes && name.find('\n') == std::string::npos)))
            std::printf("%s\n", name.c_str());
    }
    run.out["folders"] = std::move(folders);
    return run.Finish(0);
}

int CmdNewFolder(const CliProgram& program, const Options& o) {
    Run run(program, o, "new-folder");
    SystemView view;
    int code = 0;
    if (!LoadOrFail(run, view, &code)) return code;
    const std::optional<platform::DriveLetter> drive = DriveOrFail(run, false, &code);
    if (!drive) return code;
    const std::string root = ExternalRootOf(*drive, program);
    const std::string name = W(o.name);
    cli_json::PutUtf8(run.out, "folder", o.name);
    cli_json::PutCp932(run.out, "folder_path", root + "\\" + name);
    run.out["created"] = false;
    if (name.empty()) return run.Fail(exit_code::kUsage, "usage", "new-folder: フォルダ名が空です。");
    if (PathExists((root + "\\" + name).c_str()))
        return run.Fail(exit_code::kRefused, "folder_exists", U(FolderExistsText(name)));
    // A name that cannot be one folder, or too long for the index file: refused as the dialog refuses it.
    if (!IsUsableFolderName(name) ||
        FolderIndexFile::PathFor(root + "\\" + name, program.files.indexFile).size() > kMaxIndexPath)
        return run.Fail(exit_code::kRefused, "bad_folder_name", U(FolderCreateErrorText()));
    if (!CreateMaintenanceFolder(root, name, program.files.indexFile, view.catalogue.count)) {
        const DWORD error = GetLastError();
        run.host.Say(cli_failure::Line(root + "\\" + name, error), "failure");
        return run.Fail(cli_failure::IsFull(error) ? exit_code::kSpace : exit_code::kWrite, "folder_create_error",
                        U(FolderCreateErrorText()));
    }
    run.out["created"] = true;
    if (!o.json) std::printf("%s\n", U(root + "\\" + name).c_str());
    return run.Finish(0);
}

// The dry run's space check: the engine's own figures, so that what it says
// fits is what the save itself accepts.
void PutSpace(Run& run, const TransferEngine& engine, platform::DriveLetter drive, bool fits) {
    SpaceCheck space = engine.Space();
    if (space.unit == 0) {  // nothing listed: the drive's figures alone
        const ODiskNo disk(static_cast<unsigned char>(drive.Number()));
        space.freeBytes = disk.GetFreeSize().Bytes();
        space.unit = disk.GetAllocationUnit();
    }
    run.out["space"] = {{"free_bytes", space.freeBytes},
                        {"needed_bytes", space.neededBytes},
                        {"allocation_unit", space.unit},
                        {"fits", fits}};
    if (!run.options.json && (!run.options.quiet || !fits))
        std::fprintf(stderr, "%s: %s / %s\n", fits ? "空き容量 OK" : "空き容量不足",
                     U(ODiskSize(space.neededBytes).ToString(0xFFFFFFFF)).c_str(),
                     U(ODiskSize(space.freeBytes).ToString(0xFFFFFFFF)).c_str());
}

// The folder of a save or register (the folder box's text is in the host) and
// its presence flags: a register lists what the folder holds, its rows are the
// held data sets in order.
bool TransferFolderPresence(Run& run, const std::string& externalRoot, bool save, int32_t count,
                            std::vector<int32_t>& presence, int* code) {
    const std::string& folder = run.host.folder;
    const std::string folderUsed = folder.empty() ? transfer_texts::DefaultFolderName() : folder;
    cli_json::PutCp932(run.out, "folder", folderUsed);
    cli_json::PutCp932(run.out, "folder_path", externalRoot + "\\" + folderUsed);
    if (!TransferFolderOrFail(run, externalRoot, folder, save, code)) return false;
    return PresenceOrFail(run, externalRoot + "\\" + folderUsed, count, presence, code);
}

// The data sets the command names, marked in the host's rows and put into the
// JSON; a register refuses a set named explicitly that the folder does not hold.
bool ChooseSetsOrFail(Run& run, const SystemView& view, const std::vector<int32_t>& presence, bool save, int* code) {
    const Options& o = run.options;
    const int32_t count = view.catalogue.count;
    CliHost& host = run.host;
    std::vector<char> chosen;
    if (o.all) {
        chosen.assign(static_cast<size_t>(count), 1);
    } else {
        std::string error;
        if (!ParseSetList(o.sets, count, chosen, &error)) {
            *code = run.Fail(exit_code::kUsage, "usage", "--sets: " + error);
            return false;
        }
    }
    cli_json::RecordsText sets;  // as text: a catalogue can hold many thousands
    host.systemRows.assign(static_cast<size_t>(count), 0);
    for (int32_t i = 0; i < count; ++i) {
        const size_t k = static_cast<size_t>(i);
        if (!chosen[k]) continue;
        if (!save && !presence[k]) {
            // Named explicitly but not in the folder: say so rather than skip it quietly.
            if (o.all) continue;
            *code = run.Fail(exit_code::kRefused, "not_held",
                             "データ " + std::to_string(i + 1) + " (" + U(SetName(view.catalogue, i)) +
                                 ") は保守フォルダにありません。");
            return false;
        }
        host.systemRows[k] = 1;
        cli_json::PutSetRecord(sets, i, SetName(view.catalogue, i));
    }
    if (!save)
        for (int32_t i = 0; i < count; ++i)
            if (presence[static_cast<size_t>(i)]) host.externalRows.push_back(host.systemRows[static_cast<size_t>(i)]);
    run.out["sets"] = nullptr;
    run.texts.emplace_back("sets", sets.Finish());
    return true;
}

// --dry-run: the checks the operation makes before its list, without asking
// anything, then the list and (a save) the space check.
int DryRunTransfer(Run& run, TransferEngine& engine, const TransferContext& context, Direction direction,
                   platform::DriveLetter drive) {
    CliHost& host = run.host;
    if (!host.folder.empty() && !IsValidFolderName(host.folder))
        return run.Fail(exit_code::kRefused, "bad_folder_name", U(transfer_texts::BadFolderName(host.folder)));
    const bool fits = engine.BuildTransferList(direction, context, host);
    PutTransferList(run, engine, false);
    if (direction == Direction::Save) PutSpace(run, engine, drive, fits);
    if (fits && engine.FileCount() == 0) return run.Fail(exit_code::kRefused, "no_files", U(transfer_texts::NoFiles()));
    return run.Finish(0);
}

// The save or register itself, and what it did.
int RunTransfer(Run& run, TransferEngine& engine, const TransferContext& context, Direction direction,
                const SystemView& view) {
    const bool save = direction == Direction::Save;
    CliHost& host = run.host;
    // Registers keep a restore point and name it.
    RestorePoint made;
    if (CancelRequested()) return run.Fail(exit_code::kCancelled, "stopped", StoppedText("何も行っていません。"));
    if (save)
        RunSave(engine, context, host);
    else
        RunRegister(engine, context, host, &made);
    const int fullCode = TellFailure(run, engine.LastFailure());
    PutTransferList(run, engine, true);
    if (save) {
        // The sets the index file now marks held; empty when the save did not get that far.
        json marked = json::array();
        for (int i : host.Marked()) marked.push_back(SetJson(view, i));
        run.out["marked_sets"] = std::move(marked);
    }
    // A register that failed part way keeps its restore point: the undo needs its id.
    if (!save && !made.id.empty()) run.out["restore_point"] = made.id;
    if (CancelRequested() && host.TransferStarted()) {
        // The engine stopped at a safe point: files already written are whole and on the medium.
        run.out["written"] = false;
        return run.Fail(exit_code::kCancelled, "stopped",
                        StoppedText("書き終えたファイルは完全なまま残り、途中のファイルは元のままです。"));
    }
    const bool written = host.TransferFinished() && host.Failure() == 0;
    run.out["written"] = written;
    if (host.Failure() == 0 && !written) host.SetFailure(exit_code::kRefused);
    return run.Finish(fullCode);
}

// Save or register, with --dry-run: the operation's own checks, then the list.
int CmdTransfer(const CliProgram& program, const Options& o, Direction direction) {
    const bool save = direction == Direction::Save;
    Run run(program, o, save ? "save" : "register");
    run.out["dry_run"] = o.dryRun;
    SystemView view;
    int code = 0;
    if (!LoadOrFail(run, view, &code)) return code;
    const std::optional<platform::DriveLetter> drive = DriveOrFail(run, !o.dryRun && save, &code);
    if (!drive) return code;
    run.host.drive = drive;
    run.host.folder = W(o.folder);
    const std::string externalRoot = ExternalRootOf(*drive, program);
    std::vector<int32_t> presence;
    if (!TransferFolderPresence(run, externalRoot, save, view.catalogue.count, presence, &code)) return code;
    if (!ChooseSetsOrFail(run, view, presence, save, &code)) return code;

    DemInitData docInit;
    TransferContext context = ContextFor(view, program, externalRoot, presence, &docInit);
    ApplyToolSettings(context, program.programName);
    run.out["verify"] = context.verify;
    TransferEngine engine;
    if (o.dryRun) return DryRunTransfer(run, engine, context, direction, *drive);
    return RunTransfer(run, engine, context, direction, view);
}

json PointJson(const RestorePoint& p) {
    json point = json::object();
    cli_json::PutUtf8(point, "id", p.id);
    point["created"] = p.createdUnix;
    cli_json::PutCp932(point, "folder", p.folder);
    point["files"] = p.files.size();
    point["bytes"] = p.KeptBytes();
    point["used"] = p.used;
    return point;
}

int CmdUndo(const CliProgram& program, const Options& o) {
    Run run(program, o, "undo-register");
    // An undo writes only below the current installation's system data root.
    RestorePointStore store(RestorePointRoot(program.programName), LoadSystem(program).catalogue.systemPath);
    if (o.listPoints) {
        json points = json::array();
        for (const RestorePoint& p : store.List()) {
            points.push_back(PointJson(p));
            if (!o.json)
                std::printf("%s\t%s\t%s\t%zu\t%s\n", p.id.c_str(), U(safety_texts::LocalTime(p.createdUnix)).c_str(),
                            U(p.folder).c_str(), p.files.size(), p.used ? "used" : "-");
        }
        run.out["restore_points"] = std::move(points);
        return run.Finish(0);
    }
    RestorePoint point;
    if (o.id.empty() ? !store.Latest(&point) : !store.Load(o.id, &point))
        return run.Fail(exit_code::kRefused, "no_restore_point",
                        o.id.empty() ? U(safety_texts::NoRestorePoint()) : "復元ポイント " + o.id + " はありません。");
    run.out["restore_point"] = PointJson(point);
    if (CancelRequested()) return run.Fail(exit_code::kCancelled, "stopped", StoppedText("何も行っていません。"));
    const bool ok = RunUndoRegister(store, point, run.host, LockFolder(program.programName));
    run.out["undone"] = ok;
    // The point as the undo left it: used once it has been put back.
    RestorePoint after;
    if (store.Load(point.id, &after)) run.out["restore_point"] = PointJson(after);
    if (!ok) run.host.SetFailure(exit_code::kWrite);
    return run.Finish(0);
}

// A failure before or outside a command's run: one line, and with --json one document.
int FailOutsideRun(const CliProgram& program, bool asJson, const std::string& command, int code, const char* what,
                   const std::string& utf8) {
    std::fprintf(stderr, "%s\n", cli_json::ValidUtf8(utf8).c_str());
    if (asJson) {
        json out = {{"schema", cli_json::kSchema}, {"program", program.programName}, {"exit_code", code}};
        cli_json::PutUtf8(out, "command", command);
        out["messages"] = json::array({cli_json::MessageRecord(utf8, what, false, false)});
        std::printf("%s\n", cli_json::Dump(out).c_str());
    }
    return code;
}

// CLI11's refusal in the messages' language, its own words kept for the detail.
std::string UsageText(const std::string& command, const CLI::Error& e) {
    const auto is = [&e](auto* type) { return dynamic_cast<decltype(type)>(&e) != nullptr; };
    const char* head = is(static_cast<const CLI::RequiredError*>(nullptr)) ? "必要な引数がありません"
                       : is(static_cast<const CLI::ExtrasError*>(nullptr)) ? "使えない引数があります"
                       : is(static_cast<const CLI::ExcludesError*>(nullptr)) ? "同時には指定できない引数があります"
                       : is(static_cast<const CLI::RequiresError*>(nullptr)) ? "一緒に指定する引数がありません"
                       : is(static_cast<const CLI::ArgumentMismatch*>(nullptr)) ? "引数の数が違います"
                                                                                : "引数の値が正しくありません";
    return command + ": " + head + " (" + e.what() + ")。使い方は " + command + " --help を参照してください。";
}

// The prefix every command reads: its drives are "<prefix>/dosdevices".
bool PrefixExists() {
    struct stat st {};
    return stat((platform::PrefixDir() + "/dosdevices").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool IsCliInvocation(int argc, char** argv) {
    if (argc < 2) return false;
    const char* first = argv[1];
    // The dialog takes no words: any word is a command (a misspelt one gets the
    // usage message, not a window). Long options and -h are ours; single-dash
    // words (-platform, -style) stay Qt's.
    if (first[0] != '-') return true;
    return std::strncmp(first, "--", 2) == 0 || std::strcmp(first, "-h") == 0;
}

namespace {

// The options every command takes after its name.
void AddCommonOptions(CLI::App* sub, Options& o) {
    sub->add_flag("--json", o.json, "one JSON document on standard output");
    sub->add_option("--prefix", o.prefix, "the installation's prefix folder (instead of $WINEPREFIX)");
    sub->add_flag("--quiet,-q", o.quiet, "failures only on standard error");
    sub->add_flag("--verbose", o.verbose, "one line per file written, on standard error");
}

CLI::Option* AddDriveOption(CLI::App* sub, Options& o, bool required) {
    auto* opt = sub->add_option("--drive", o.drive, "drive letter of the maintenance folders, e.g. E:");
    if (required) opt->required();
    return opt;
}

void AddWaitOption(CLI::App* sub, Options& o) {
    sub->add_option("--wait", o.wait,
                    "wait up to SECONDS (without a value: until free) for a folder or installation another run "
                    "holds, instead of exit code 10")
        ->expected(0, 1)
        ->default_str("forever")
        ->type_name("[=SECONDS]");
}

// The subcommands, as RunCli tells which one was given.
struct Commands {
    CLI::App* list = nullptr;
    CLI::App* drives = nullptr;
    CLI::App* folders = nullptr;
    CLI::App* transfers[2] = {nullptr, nullptr};  // register, save
    CLI::App* newFolder = nullptr;
    CLI::App* undo = nullptr;
    CLI::App* compare = nullptr;
};

void AddTransferCommands(CLI::App& app, Options& o, Commands& c) {
    c.transfers[0] = app.add_subcommand("register", "maintenance folder -> system");
    c.transfers[1] = app.add_subcommand("save", "system -> maintenance folder");
    for (CLI::App* sub : c.transfers) {
        AddCommonOptions(sub, o);
        AddDriveOption(sub, o, true);
        sub->add_option("--folder", o.folder, "maintenance folder (default: the default folder, after a confirmation)");
        auto* sets = sub->add_option("--sets", o.sets, "data set numbers as listed: 1,3,5-7");
        auto* all = sub->add_flag("--all", o.all, "every data set (a register: every one the folder holds)");
        sets->excludes(all);
        sub->add_flag("--dry-run", o.dryRun, "print the transfer list and the space check; change nothing");
        sub->add_flag("--yes,-y", o.yes, "answer the confirmations with OK");
        AddWaitOption(sub, o);
    }
}

Commands AddCommands(CLI::App& app, Options& o, CompareArgs& compareArgs) {
    Commands c;
    c.list = app.add_subcommand("list", "the catalogue's data sets (and which a maintenance folder holds)");
    AddCommonOptions(c.list, o);
    CLI::Option* listDrive = AddDriveOption(c.list, o, false);
    c.list->add_option("--folder", o.folder, "maintenance folder (with --drive)")->needs(listDrive);
    c.drives = app.add_subcommand("drives", "the drives: letter, type, label, medium, free space");
    AddCommonOptions(c.drives, o);
    c.folders = app.add_subcommand("folders", "the maintenance folders of a drive");
    AddCommonOptions(c.folders, o);
    AddDriveOption(c.folders, o, true);
    c.folders->add_flag("--names-only", o.namesOnly, "the folder names alone, one a line")->group("");
    AddTransferCommands(app, o, c);
    c.newFolder = app.add_subcommand("new-folder", "make a maintenance folder");
    AddCommonOptions(c.newFolder, o);
    AddDriveOption(c.newFolder, o, true);
    c.newFolder->add_option("name", o.name, "the folder's name")->required();
    c.undo = app.add_subcommand("undo-register", "undo a register from its restore point");
    AddCommonOptions(c.undo, o);
    auto* listOpt = c.undo->add_flag("--list", o.listPoints, "list the restore points");
    c.undo->add_option("--id", o.id, "the restore point to undo (default: the newest not undone)")->excludes(listOpt);
    c.undo->add_flag("--yes,-y", o.yes, "answer the confirmation with OK");
    AddWaitOption(c.undo, o);
    c.compare = AddCompareCommand(app, compareArgs);
    AddCommonOptions(c.compare, o);
    return c;
}

bool IsCommandName(const CLI::App& app, const std::string& word) {
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        if (sub->get_name() == word) return true;
    return false;
}

// What the parser cannot check: a transfer names its sets, --wait a number of
// seconds (kept in o.waitSeconds). The usage failure's code, or 0.
int CheckParsedOptions(const CliProgram& program, const Commands& c, Options& o) {
    for (CLI::App* sub : c.transfers)
        if (sub->parsed() && !o.all && o.sets.empty())
            return FailOutsideRun(program, o.json, sub->get_name(), exit_code::kUsage, "usage",
                                  sub->get_name() + ": --sets か --all のどちらかが必要です。");
    if (o.wait == "forever") {
        o.waitSeconds = kLockWaitForever;
        return exit_code::kOk;
    }
    if (o.wait.empty()) return exit_code::kOk;
    char* end = nullptr;
    const long seconds = std::strtol(o.wait.c_str(), &end, 10);
    if (*end != '\0' || seconds < 0 || seconds > INT32_MAX || !std::isdigit(static_cast<unsigned char>(o.wait[0])))
        return FailOutsideRun(program, o.json, "", exit_code::kUsage, "usage",
                              "--wait: 秒数ではありません: '" + o.wait + "'");
    o.waitSeconds = static_cast<int>(seconds);
    return exit_code::kOk;
}

// Runs the command the parser found.
int Dispatch(const CliProgram& program, const Commands& c, const Options& o, CompareArgs& compareArgs) {
    if (c.list->parsed()) return CmdList(program, o);
    if (c.drives->parsed()) return CmdDrives(program, o);
    if (c.folders->parsed()) return CmdFolders(program, o);
    if (c.transfers[1]->parsed()) return CmdTransfer(program, o, Direction::Save);
    if (c.transfers[0]->parsed()) return CmdTransfer(program, o, Direction::Register);
    if (c.newFolder->parsed()) return CmdNewFolder(program, o);
    if (c.undo->parsed()) return CmdUndo(program, o);
    if (c.compare->parsed()) {
        compareArgs.json = o.json;
        return RunCompare(program, compareArgs);
    }
    return exit_code::kUsage;
}

// The prefix, then the command, with whatever goes wrong answered as one failure.
int RunParsed(const CliProgram& program, const CLI::App& app, const Commands& c, const Options& o,
              CompareArgs& compareArgs) {
    const std::string name = app.get_subcommands().empty() ? std::string() : app.get_subcommands().front()->get_name();
    try {
        if (!PrefixExists())
            return FailOutsideRun(program, o.json, name, exit_code::kNoSettings, "no_prefix",
                                  "プレフィックス " + platform::PrefixDir() + " がありません（" +
                                      platform::PrefixDir() +
                                      "/dosdevices がありません）。--prefix か WINEPREFIX で指定してください。");
        return Dispatch(program, c, o, compareArgs);
    } catch (const std::exception& e) {
        // Whatever went wrong, the caller gets one answer and a code, never an abort.
        return FailOutsideRun(program, o.json, name, exit_code::kInternal, "internal",
                              std::string("内部エラーです: ") + e.what());
    }
}

}  // namespace

int RunCli(int argc, char** argv, const CliProgram& program) {
    std::string command = program.programName;
    for (char& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    CLI::App app{std::string(program.programName) + ": save and register the settings data sets of " +
                     program.productName + " (without arguments: the dialog)",
                 command};
    app.set_version_flag("--version", std::string(program.programName) + " " + PROGRAM_VERSION);
    app.require_subcommand(1);
    Options o;
    app.add_option("--prefix", o.prefix, "the installation's prefix folder (instead of $WINEPREFIX)");
    app.add_flag("--json", o.json, "one JSON document on standard output");
    app.add_flag("--quiet,-q", o.quiet, "failures only on standard error");
    app.add_flag("--verbose", o.verbose, "one line per file written, on standard error");
    CompareArgs compareArgs;
    const Commands commands = AddCommands(app, o, compareArgs);
    // Asked for before the arguments are understood: a refusal of them is a document too.
    bool asJson = false;
    for (int i = 1; i < argc; ++i) asJson |= std::strcmp(argv[i], "--json") == 0;

    if (argv[1][0] != '-' && !IsCommandName(app, argv[1]))
        return FailOutsideRun(program, asJson, argv[1], exit_code::kUsage, "usage",
                              command + ": '" + argv[1] + "' はコマンドではありません。使い方は " + command +
                                  " --help を参照してください。");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        const std::string name =
            app.get_subcommands().empty() ? std::string() : app.get_subcommands().front()->get_name();
        return FailOutsideRun(program, asJson, name, exit_code::kUsage, "usage", UsageText(command, e));
    }
    if (const int code = CheckParsedOptions(program, commands, o); code != exit_code::kOk) return code;
    if (!o.prefix.empty()) setenv("WINEPREFIX", o.prefix.c_str(), 1);
    InstallInterruptHandler();
    return RunParsed(program, app, commands, o, compareArgs);
}
