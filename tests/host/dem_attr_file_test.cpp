// DemAttr::Load and DemAttr::Save on document files named by Windows paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "host/doc_format.h"
#include "tests/host/doc_samples.h"
#include "tests/support/temp_prefix.h"

namespace {

namespace fs = std::filesystem;

std::string ToString(const std::vector<uint8_t>& v) { return {v.begin(), v.end()}; }

class DemAttrFile : public ::testing::Test {
protected:
    // A document in a folder whose names hold 表 (95 5C): C:\データ\表\図面.DEM
    void SetUp() override {
        folder = prefix.DriveC() + "/データ/表";
        MakeHostDirs(folder);
        host = folder + "/図面.DEM";
        win = W("C:\\データ\\表\\図面.DEM");
    }
    void WriteDoc(const DemAttr& attr, const std::string& body, uint16_t flags = 0) {
        WriteHostFile(host, ToString(docfmt::EncodeDocument(attr, samples::Bytes(body), flags)));
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
        return names;
    }
    TempPrefix prefix;
    std::string folder, host, win;
};

TEST_F(DemAttrFile, SaveThenLoadGivesTheSavedGroups) {
    WriteDoc(*samples::Attr(1, 0, 0, 0, 0, ""), "");
    auto saved = samples::Attr(20, 32, 7, 256, 3, "bytes of other attributes");
    ASSERT_TRUE(saved->Save(win.c_str()));
    DemAttr loaded;
    ASSERT_TRUE(loaded.Load(win.c_str(), 0));
    EXPECT_TRUE(samples::Same(loaded, *saved));
    // The second argument has no meaning.
    DemAttr again;
    ASSERT_TRUE(again.Load(win.c_str(), 12345));
    EXPECT_TRUE(samples::Same(again, *saved));
    // Names match ignoring case, as on Windows: the one document is rewritten.
    again.kind1Settings[3] = 4321;
    ASSERT_TRUE(again.Save(W("c:\\データ\\表\\図面.dem").c_str()));
    ASSERT_TRUE(loaded.Load(win.c_str(), 0));
    EXPECT_EQ(loaded.kind1Settings[3], 4321);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"図面.DEM"});
}

TEST_F(DemAttrFile, SaveRewritesOnlyTheAttributePart) {
    const std::string body = "the drawing itself\r\n" + std::string(300000, '\x5C') + "end";
    auto original = samples::Attr(30, 4, 4, 10, 10, "opaque \x01\x02 other");
    WriteDoc(*original, body, 0x0042);
    ::chmod(host.c_str(), 0640);

    DemAttr work;
    ASSERT_TRUE(work.Load(win.c_str(), 0));
    // A carry-over of kind 2 changes the 341-byte table and nothing else.
    samples::FillTable(work.table341, 9, 200);
    ASSERT_TRUE(work.Save(win.c_str()));

    const std::string bytes = ReadHostFile(host);
    auto attr = std::make_unique<DemAttr>();
    std::vector<uint8_t> bodyBack;
    docfmt::Header header;
    ASSERT_EQ(docfmt::DecodeDocument(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), attr.get(),
                                     &bodyBack, &header),
              "");
    EXPECT_EQ(ToString(bodyBack), body);
    EXPECT_EQ(header.flags, 0x0042);
    EXPECT_EQ(attr->otherAttributes, original->otherAttributes);
    EXPECT_EQ(attr->table341.count, 9);
    EXPECT_EQ(attr->table341.entries, work.table341.entries);
    EXPECT_EQ(attr->table265First.entries, original->table265First.entries);
    EXPECT_TRUE(std::equal(attr->kind1Settings, attr->kind1Settings + 5, original->kind1Settings));
    struct stat st;
    ASSERT_EQ(::stat(host.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // No temporary file is left beside the document.
    EXPECT_EQ(FolderEntries().size(), 1u);
}

TEST_F(DemAttrFile, SaveWritesNothingWhereThereIsNoValidDocument) {
    auto attr = samples::Attr(40, 1, 1, 1, 1);
    // Missing document: nothing is created.
    EXPECT_FALSE(attr->Save(win.c_str()));
    EXPECT_FALSE(HostExists(host));
    EXPECT_TRUE(FolderEntries().empty());
    // Missing folder, missing drive, no path at all.
    EXPECT_FALSE(attr->Save(W("C:\\データ\\無い\\図面.DEM").c_str()));
    EXPECT_FALSE(attr->Save("Q:\\x.DEM"));
    EXPECT_FALSE(attr->Save(nullptr));
    EXPECT_FALSE(attr->Save(W("C:\\データ\\表").c_str()));  // a folder
    // A file that is not a document (or a damaged one) is left exactly as it was.
    WriteHostFile(host, "plain text, not a document");
    EXPECT_FALSE(attr->Save(win.c_str()));
    EXPECT_EQ(ReadHostFile(host), "plain text, not a document");
    std::string damaged = ToString(docfmt::EncodeDocument(*samples::Attr(1, 2, 2, 2, 2), {}));
    damaged[40] ^= 0x10;
    WriteHostFile(host, damaged);
    EXPECT_FALSE(attr->Save(win.c_str()));
    EXPECT_EQ(ReadHostFile(host), damaged);
    EXPECT_EQ(FolderEntries().size(), 1u);
}

TEST_F(DemAttrFile, SaveRefusesReadOnlyDocumentsAndLinks) {
    // Windows refuses to write a read-only file (error 5); so does Save.
    WriteDoc(*samples::Attr(1, 1, 1, 1, 1), "body");
    const std::string before = ReadHostFile(host);
    ::chmod(host.c_str(), 0444);
    auto attr = samples::Attr(60, 2, 2, 2, 2);
    EXPECT_FALSE(attr->Save(win.c_str()));
    EXPECT_EQ(ReadHostFile(host), before);
    ::chmod(host.c_str(), 0644);

    // A link in the document's place is neither written through nor replaced.
    const std::string target = prefix.DriveC() + "/target.DEM";
    WriteHostFile(target, before);
    fs::remove(host);
    fs::create_symlink(target, host);
    EXPECT_FALSE(attr->Save(win.c_str()));
    EXPECT_TRUE(fs::is_symlink(host));
    EXPECT_EQ(ReadHostFile(target), before);
}

TEST_F(DemAttrFile, FailedLoadLeavesTheObjectAlone) {
    auto target = samples::Attr(80, 5, 5, 5, 5, "mine");
    const auto before = std::make_unique<DemAttr>(*target);
    // Every truncation of a small document, then a few damaged ones.
    const auto small = docfmt::EncodeDocument(*samples::Attr(70, 0, 0, 0, 0, "o"), samples::Bytes("body"));
    for (size_t len = 0; len < small.size(); ++len) {
        WriteHostFile(host, std::string(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(len)));
        ASSERT_FALSE(target->Load(win.c_str(), 0)) << len;
    }
    auto doc = docfmt::EncodeDocument(*samples::Attr(70, 2, 1, 3, 1, "o"), samples::Bytes("body"));
    for (size_t len : {doc.size() - 1, doc.size() - 5, doc.size() / 2}) {
        WriteHostFile(host, std::string(doc.begin(), doc.begin() + static_cast<std::ptrdiff_t>(len)));
        ASSERT_FALSE(target->Load(win.c_str(), 0)) << len;
    }
    auto longer = doc;
    longer.push_back('!');
    WriteHostFile(host, ToString(longer));
    EXPECT_FALSE(target->Load(win.c_str(), 0));
    auto hugeCount = doc;
    for (size_t i = 0; i < 4; ++i) hugeCount[24 + i] = 0xFF;  // the 341-byte table's count
    WriteHostFile(host, ToString(hugeCount));
    EXPECT_FALSE(target->Load(win.c_str(), 0));
    EXPECT_TRUE(samples::Same(*target, *before));

    EXPECT_FALSE(target->Load(W("C:\\データ\\無い.DEM").c_str(), 0));
    EXPECT_FALSE(target->Load(W("C:\\データ").c_str(), 0));
    EXPECT_FALSE(target->Load(nullptr, 0));
    EXPECT_TRUE(samples::Same(*target, *before));

    WriteHostFile(host, ToString(doc));
    EXPECT_TRUE(target->Load(win.c_str(), 0));
    EXPECT_EQ(target->table341.count, 2);
    EXPECT_EQ(target->table341.entries[4][0], 0);  // nothing of the old object survives
}

}  // namespace
