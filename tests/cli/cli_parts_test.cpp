// The command line's own parts: set lists, the progress line, how the operations'
// messages become exit codes and answers.
#include <gtest/gtest.h>

#include "cli/cli_host.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/progress_bar.h"
#include "cli/set_list.h"
#include "platform/cp932.h"
#include "transfer/safety_texts.h"
#include "transfer/transfer_lock.h"
#include "transfer/transfer_texts.h"

namespace {

std::vector<int> Chosen(const std::vector<char>& chosen) {
    std::vector<int> numbers;
    for (size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i]) numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

TEST(SetList, NumbersAndRangesAsListed) {
    std::vector<char> chosen;
    std::string error;
    ASSERT_TRUE(ParseSetList("1,3,5-7", 10, chosen, &error)) << error;
    EXPECT_EQ(Chosen(chosen), (std::vector<int>{1, 3, 5, 6, 7}));
    ASSERT_TRUE(ParseSetList("10,10,9-10", 10, chosen, &error));
    EXPECT_EQ(Chosen(chosen), (std::vector<int>{9, 10}));
    for (const char* bad : {"", "0", "11", "1,", ",1", "3-1", "a", "1-", "-2", "1 ,2", "99999999999", "2-11"}) {
        error.clear();
        EXPECT_FALSE(ParseSetList(bad, 10, chosen, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(ParseSetList("1", 0, chosen, &error));  // an empty catalogue has no set 1
}

TEST(ProgressLine, FilesBytesAndRate) {
    ProgressBar bar(10);
    ProgressState s;
    s.filesDone = 3;
    s.filesTotal = 10;
    s.bytesDone = 512 * 1024;
    s.bytesTotal = 2 * 1024 * 1024;
    s.elapsedSeconds = 0.5;
    EXPECT_EQ(bar.Render(s), "[##--------] 3/10 files  0.5/2.0 MB  1.0 MB/s");
    // Without bytes the files measure the work; never past the end, no division by zero.
    ProgressState empty;
    empty.filesDone = 5;
    empty.filesTotal = 4;
    EXPECT_EQ(bar.Render(empty), "[##########] 5/4 files  0.0/0.0 MB  0.0 MB/s");
}

UserMessage Stop(std::string text, std::string caption = {}, bool appCaption = false) {
    UserMessage m;
    m.text = std::move(text);
    m.caption = std::move(caption);
    m.appCaption = appCaption;
    m.icon = MsgIcon::Stop;
    return m;
}

int FailureOf(const UserMessage& message) {
    HostOptions options;
    options.quiet = true;
    CliHost host(options);
    host.ShowMessage(message);
    return host.Failure();
}

UserMessage Question(std::string text, bool appCaption = false) {
    UserMessage m;
    m.text = std::move(text);
    m.appCaption = appCaption;
    m.buttons = MsgButtons::OkCancel;
    m.icon = MsgIcon::Question;
    return m;
}

// Every kind of message the logic shows: its stable code in the JSON, and the
// exit code a failure stands for.
TEST(CliHostMessages, EachKindHasItsCodeAndExitCode) {
    UserMessage info;
    info.text = safety_texts::UndoDone(0, "A", 3, 0);
    info.caption = transfer_texts::CaptionRegister();
    UserMessage stopped = info;
    stopped.text = transfer_texts::Outcome(true, true, 1, 2, 3, 0.5, "E:\\PARC_JDT\\A");
    stopped.icon = MsgIcon::Information;
    const struct {
        UserMessage message;
        const char* code;
        int exitCode;
    } cases[] = {
        {Stop(transfer_texts::WriteError(), transfer_texts::CaptionMaintenance()), "write_error", exit_code::kWrite},
        {Stop(transfer_texts::WriteError() + safety_texts::MediumMismatchLine(), transfer_texts::CaptionMaintenance()),
         "medium_mismatch", exit_code::kVerify},
        {Stop(transfer_texts::SpaceShortage('E', "1 KB", "2 KB"), {}, true), "space_shortage", exit_code::kSpace},
        {Stop(transfer_texts::NoFiles(), transfer_texts::CaptionRegister()), "no_files", exit_code::kRefused},
        {Stop(transfer_texts::BadFolderName("a*"), transfer_texts::CaptionSave()), "bad_folder_name",
         exit_code::kRefused},
        {Stop(transfer_texts::IndexWriteError("E:\\PARC_JDT\\A\\JKNDT.INI"), transfer_texts::CaptionSave()),
         "index_write_error", exit_code::kWrite},
        {Stop(safety_texts::RestorePointFailed("/x", 28, "C:\\A"), transfer_texts::CaptionRegister()),
         "restore_point_failed", exit_code::kWrite},
        {Stop(safety_texts::UndoFailed("C:\\A", 5), transfer_texts::CaptionRegister()), "undo_failed",
         exit_code::kWrite},
        {Stop(safety_texts::LockFailed("E:\\x.lock", 13), transfer_texts::CaptionSave()), "lock_failed",
         exit_code::kWrite},
        {Stop(safety_texts::LockWaitStopped(), transfer_texts::CaptionSave()), "lock_wait_stopped",
         exit_code::kCancelled},
        {Stop(safety_texts::FolderBusy("E:\\PARC_JDT\\A", LockOwner{}, "E:\\x.lock"), transfer_texts::CaptionSave()),
         "busy", exit_code::kBusy},
        {info, "undo_done", 0},
        {stopped, "stopped", 0},
        {Question(transfer_texts::ConfirmSave('E')), "confirm_save", 0},
        {Question(transfer_texts::ConfirmRegister('E')), "confirm_register", 0},
        {Question(transfer_texts::SaveEmptyNameQuestion()), "confirm_default_folder", 0},
        {Question(safety_texts::ConfirmUndo(0, "A", 2)), "confirm_undo", 0},
        {Question(transfer_texts::InsertDisk('E'), true), "insert_disk", 0},
    };
    for (const auto& c : cases) {
        const MessageClass kind = ClassifyMessage(c.message);
        EXPECT_STREQ(kind.code, c.code) << platform::Cp932ToUtf8(c.message.text);
        if (c.message.buttons == MsgButtons::OkCancel) continue;
        EXPECT_EQ(FailureOf(c.message), c.exitCode) << c.code;
    }
}

TEST(CliHostMessages, ConfirmationsAnsweredByYesOnly) {
    UserMessage question;
    question.text = transfer_texts::ConfirmSave('E');
    question.buttons = MsgButtons::OkCancel;
    question.icon = MsgIcon::Question;
    UserMessage medium;
    medium.text = transfer_texts::InsertDisk('E');
    medium.appCaption = true;
    medium.buttons = MsgButtons::OkCancel;

    HostOptions yes;
    yes.yes = true;
    yes.quiet = true;
    CliHost withYes(yes);
    EXPECT_EQ(withYes.ShowMessage(question), MsgAnswer::Ok);
    EXPECT_EQ(withYes.Failure(), 0);
    // --yes cannot put a medium into the drive.
    EXPECT_EQ(withYes.ShowMessage(medium), MsgAnswer::Cancel);
    EXPECT_EQ(withYes.Failure(), exit_code::kMedium);

    HostOptions no;
    no.quiet = true;
    CliHost without(no);
    EXPECT_EQ(without.ShowMessage(question), MsgAnswer::Cancel);
    EXPECT_EQ(without.Failure(), exit_code::kRefused);
    ASSERT_EQ(without.Messages().size(), 1u);
    EXPECT_EQ(without.Messages()[0].text, platform::Cp932ToUtf8(question.text));
    EXPECT_FALSE(without.Messages()[0].accepted);
}

}  // namespace

#include "cli/cli_main.h"

namespace {
bool Cli(std::vector<const char*> args) {
    args.insert(args.begin(), "quillmark");
    return IsCliInvocation(static_cast<int>(args.size()), const_cast<char**>(args.data()));
}

TEST(Dispatch, WordsAndLongOptionsLeaveTheDialog) {
    EXPECT_FALSE(Cli({}));
    EXPECT_FALSE(Cli({"-platform", "offscreen"}));
    EXPECT_TRUE(Cli({"lists"}));  // a misspelt command gets the usage message
    EXPECT_TRUE(Cli({"list"}));
    EXPECT_TRUE(Cli({"undo-register", "--list"}));
    EXPECT_TRUE(Cli({"--version"}));
    EXPECT_TRUE(Cli({"--prefix", "/x", "drives"}));
    EXPECT_TRUE(Cli({"-h"}));
}
}  // namespace

// Long lists are written straight as text; what they print must be what the
// document tree dumps, byte for byte, whatever bytes the paths hold.
TEST(RecordsText, PrintsWhatTheTreeDumps) {
    const std::string texts[] = {
        "C:\\SYS\\USERDATA\\S1\\a.D0",                        // ASCII
        "E:\\PARC_JDT\\\x90\xdd\x92\xe8\\S1\\a.D0",           // a folder name that is not ASCII
        "E:\\PARC_JDT\\\x90\xdd\x92\xe8\\S2\\b.D0",           // the same folder name again
        "E:\\\x95\x5c\\x",                                    // 0x5C as a trail byte, then a separator
        "E:\\\x85\x40\\\x81\x20\\\x81",                       // an unassigned pair, a stray lead byte, one at the end
        "E:\\\x90\xdd\x92\xe8\\\xa0\x80",                     // the folder name again, then bytes that do not decode
        "E:\\\x85\x40\\x.D0",                                 // bytes that do not decode before a piece that does
        std::string("q\"\x01\t\n\x1f\x7f/", 9) + "\x81\x5c",  // what JSON escapes, and a pair ending in 0x5C
        "",
    };
    nlohmann::json tree = {{"command", "save"}, {"rows", 3}, {"zeta", {{"a", {1, 2}}}}};
    nlohmann::json files = nlohmann::json::array(), sets = nlohmann::json::array();
    cli_json::RecordsText filesText, setsText;
    const size_t count = std::size(texts);
    for (size_t i = 0; i < count; ++i) {
        const std::string& source = texts[i];
        const std::string& destination = texts[(i + 1) % count];
        const nlohmann::json failure = {{"path", "E:\\x"}, {"errno", 28}, {"mismatch", false}};
        nlohmann::json file = nlohmann::json::object();
        cli_json::PutCp932(file, "source", source);
        cli_json::PutCp932(file, "destination", destination);
        file["bytes"] = uint64_t{1} << (i * 8 % 64);
        file["data_set"] = static_cast<int>(i) - 1;
        if (i % 2) file["outcome"] = "written";
        if (i == 3) file["failure"] = failure;
        files.push_back(file);
        filesText.Begin();
        filesText.Unsigned("bytes", uint64_t{1} << (i * 8 % 64));
        filesText.Signed("data_set", static_cast<int>(i) - 1);
        filesText.Cp932("destination", destination);
        if (i == 3) filesText.Value("failure", failure);
        if (i % 2) filesText.Value("outcome", "written");
        filesText.Cp932("source", source);
        sets.push_back(cli_json::SetRecord(static_cast<int32_t>(i), source));
        cli_json::PutSetRecord(setsText, static_cast<int32_t>(i), source);
    }
    for (const bool empty : {false, true}) {
        nlohmann::json document = tree;
        document["files"] = empty ? nlohmann::json::array() : files;
        document["sets"] = empty ? nlohmann::json::array() : sets;
        nlohmann::json placeholders = tree;
        placeholders["files"] = nullptr;
        placeholders["sets"] = nullptr;
        EXPECT_EQ(cli_json::DumpWith(placeholders, {{"files", filesText.Finish()}, {"sets", setsText.Finish()}}),
                  cli_json::Dump(document));
        // Each Finish starts anew: the second round has no records.
    }
}
