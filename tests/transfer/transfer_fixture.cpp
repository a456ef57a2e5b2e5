#include "tests/transfer/transfer_fixture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "host/doc_format.h"
#include "platform/cp932.h"

MsgAnswer FakeHost::ShowMessage(const UserMessage& message) {
    messages.push_back(message);
    calls.push_back("message");
    if (onMessage) onMessage(message);
    if (answers.empty()) return MsgAnswer::Ok;
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

void FakeHost::ProcessPendingEvents() {
    calls.push_back("events");
    if (onEvents) onEvents(eventsCount);
    ++eventsCount;
}

void FakeHost::SetFolderName(const std::string& name) {
    folderName = name;
    calls.push_back("setFolder");
}

std::vector<std::string> FakeHost::Texts() const {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(platform::Cp932ToUtf8(m.text));
    return out;
}

CatalogueEntry MakeEntry(int type, int typeIndex, const std::string& path, const std::string& backupPath,
                         const std::vector<std::string>& names, const std::vector<std::string>& folders) {
    CatalogueEntry e;
    e.type = type;
    e.typeIndex = typeIndex;
    e.SetPath(W(path));
    e.SetBackupPath(W(backupPath));
    e.nameCount = static_cast<int32_t>(names.size());
    for (size_t i = 0; i < names.size(); ++i) e.SetNames(static_cast<int>(i), W(names[i]));
    e.folderCount = static_cast<int32_t>(folders.size());
    for (size_t i = 0; i < folders.size(); ++i) e.SetFolders(static_cast<int>(i), W(folders[i]));
    return e;
}

void WriteDocument(const std::string& hostPath, const DemAttr& attr, const std::string& body) {
    const std::vector<uint8_t> bytes = docfmt::EncodeDocument(attr, std::vector<uint8_t>(body.begin(), body.end()));
    WriteHostFile(hostPath, std::string(bytes.begin(), bytes.end()));
}

DemAttr ReadDocument(const std::string& hostPath, std::string* body) {
    const std::string bytes = ReadHostFile(hostPath);
    DemAttr attr;
    std::vector<uint8_t> b;
    const std::string why =
        docfmt::DecodeDocument(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &attr, &b);
    EXPECT_EQ(why, "") << hostPath;
    if (body) body->assign(b.begin(), b.end());
    return attr;
}

DemAttr SeededAttr(uint8_t seed, int count) {
    DemAttr a;
    auto fill = [&](auto& table, uint8_t base) {
        table.count = count;
        for (size_t i = 0; i < static_cast<size_t>(count); ++i)
            std::memset(table.entries[i].data(), static_cast<int>(base + i), table.entries[i].size());
    };
    fill(a.table341, seed);
    fill(a.table269, static_cast<uint8_t>(seed + 50));
    fill(a.table265First, static_cast<uint8_t>(seed + 100));
    fill(a.table265Second, static_cast<uint8_t>(seed + 150));
    for (int i = 0; i < 5; ++i) a.kind1Settings[i] = seed * 10 + i;
    a.otherAttributes = {seed, static_cast<uint8_t>(seed + 1)};
    return a;
}

TransferTest::TransferTest() {
    driveE = prefix.AddDrive('E', "hd");
    MakeHostDirs(SysHost());
    docInit.value16 = 0x1211;
    host.folderName = W("保守A");
}

std::string TransferTest::SysHost(const std::string& rel) const {
    return prefix.DriveC() + "/SYS" + (rel.empty() ? "" : "/" + rel);
}

std::string TransferTest::ExtHost(const std::string& rel) const {
    return driveE + "/PARC_JDT" + (rel.empty() ? "" : "/" + rel);
}

TransferContext& TransferTest::Context() {
    static const char* const kIndex = "JKNDT.INI";
    context.systemRoot = "C:\\SYS";
    context.externalRoot = "E:\\PARC_JDT";
    context.dataCount = static_cast<int32_t>(catalogue.size());
    context.catalogue = catalogue.data();
    presence.resize(catalogue.size());
    context.presence = presence.data();
    context.docInit = &docInit;
    context.files = ProductFiles{"JDTKANRI.JYO", kIndex, "PARC_JDT", "Quillmark.Tmp"};
    return context;
}

std::vector<std::string> TransferTest::Rows() const {
    std::vector<std::string> out;
    const TransferList& list = engine.List();
    for (uint32_t i = 0; i < list.Count(); ++i)
        out.push_back(platform::Cp932ToUtf8(list.Row(i).source) + " -> " +
                      platform::Cp932ToUtf8(list.Row(i).destination) + " : " +
                      std::to_string(static_cast<int>(list.Row(i).kind)));
    return out;
}

void TransferTest::ExpectOneWriteError() const {
    ASSERT_EQ(host.messages.size(), 1u);
    // The write error, then what the failed transfer kept.
    const std::string text = host.Texts()[0];
    EXPECT_EQ(text.rfind("ファイルの書き込みエラーです！\n空き容量・書き込み禁止の確認等を行ってください\n", 0), 0u)
        << text;
    EXPECT_TRUE(text.find("失敗までに保存したファイルはそのままです。") != std::string::npos ||
                text.find("失敗までに再登録したファイルはそのままです。") != std::string::npos)
        << text;
    EXPECT_EQ(host.messages[0].caption, W("設定データ保守"));
    EXPECT_FALSE(host.messages[0].appCaption);
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Stop);
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(host.calls.back(), "busy0");
}

std::vector<std::string> Listing(const std::string& hostDir) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(hostDir))
        names.push_back(fs::relative(e.path(), hostDir).string());
    std::sort(names.begin(), names.end());
    return names;
}
