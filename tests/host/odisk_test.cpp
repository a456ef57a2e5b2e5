// Sizes, their display text, free space, file sizes and plain copies.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include "host/odisk.h"
#include "tests/support/temp_prefix.h"

namespace {

TEST(ODiskSize, SumsAndComparesWithoutWrapping) {
    ODiskSize total;
    EXPECT_EQ(total.Bytes(), 0u);
    total += ODiskSize(5000000000ull);
    total += ODiskSize(7);
    EXPECT_EQ(total.Bytes(), 5000000007ull);
    // Equal free space is enough for a save: neither is less than the other.
    EXPECT_FALSE(ODiskSize(100) < ODiskSize(100));
    EXPECT_TRUE(ODiskSize(99) < ODiskSize(100));
    // A sum that would wrap stays at the largest size, so it never looks small.
    ODiskSize big(UINT64_MAX - 10);
    big += ODiskSize(11);
    EXPECT_EQ(big.Bytes(), UINT64_MAX);
    EXPECT_FALSE(big < ODiskSize(1));
}

TEST(ODiskSize, DisplayText) {
    const struct {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        // clang-format off
        {0, "0 バイト"},
        {1023, "1023 バイト"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {10234, "9.99 KB"},
        {10239, "10.0 KB"},       // 9.999 rounds to 10.00: one decimal from 10 on
        {12288, "12.0 KB"},
        {1048063, "1023.5 KB"},
        {1048575, "1.00 MB"},     // 1023.999 KB rounds up into the next unit
        {478937088, "456.8 MB"},  // 456.75 MB, half up
        {1320702444, "1.23 GB"},
        {5ull << 40, "5.00 TB"},
        {1ull << 51, "2048.0 TB"},
        {UINT64_MAX, "16777216.0 TB"},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(ODiskSize(c.bytes).ToString(0xFFFFFFFF), W(c.text)) << c.bytes;
    EXPECT_EQ(ODiskSize(1536).ToString(0), ODiskSize(1536).ToString(0xFFFFFFFF));
}

TEST(ODiskFiles, FreeSpaceOfDrives) {
    TempPrefix prefix;
    struct statvfs vfs;
    ASSERT_EQ(::statvfs(prefix.DriveC().c_str(), &vfs), 0);
    const uint64_t expected = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    const uint64_t measured = ODiskNo(2).GetFreeSize().Bytes();
    // Others write to the same file system meanwhile: allow some drift.
    const uint64_t drift = 512ull << 20;
    EXPECT_GT(measured + drift, expected);
    EXPECT_LT(measured, expected + drift);
    EXPECT_GT(measured, 0u);

    EXPECT_EQ(ODiskNo(16).GetFreeSize().Bytes(), 0u);  // Q: does not exist
    prefix.LinkDrive('E', prefix.Dir() + "/no-medium");
    EXPECT_EQ(ODiskNo(4).GetFreeSize().Bytes(), 0u);  // E: without a medium
    EXPECT_EQ(ODiskNo(200).GetFreeSize().Bytes(), 0u);
}

TEST(ODiskFiles, FileSizesAndCopies) {
    TempPrefix prefix;
    const std::string dir = prefix.DriveC() + "/データ";
    WriteHostFile(dir + "/a.dat", std::string(12345, 'a'));
    WriteHostFile(dir + "/b.dat", std::string(50000, 'b'));
    EXPECT_EQ(O_FileSize(W("C:\\データ\\a.dat").c_str()).Bytes(), 12345u);
    EXPECT_EQ(O_FileSize(W("C:\\データ\\none.dat").c_str()).Bytes(), 0u);
    EXPECT_EQ(O_FileSize(W("C:\\データ").c_str()).Bytes(), 0u);
    EXPECT_EQ(O_FileSize(nullptr).Bytes(), 0u);

    // Register relies on the copy replacing the system's file of the same name.
    EXPECT_TRUE(O_CopyFile(W("C:\\データ\\a.dat").c_str(), W("C:\\データ\\b.dat").c_str()));
    EXPECT_EQ(ReadHostFile(dir + "/b.dat"), std::string(12345, 'a'));
    EXPECT_TRUE(O_CopyFile(W("C:\\データ\\a.dat").c_str(), W("C:\\データ\\new.dat").c_str()));
    EXPECT_EQ(ReadHostFile(dir + "/new.dat"), std::string(12345, 'a'));

    WriteHostFile(dir + "/b.dat", "kept");
    EXPECT_FALSE(O_CopyFile(W("C:\\データ\\gone.dat").c_str(), W("C:\\データ\\b.dat").c_str()));
    EXPECT_EQ(ReadHostFile(dir + "/b.dat"), "kept");
    EXPECT_FALSE(O_CopyFile(W("C:\\データ\\a.dat").c_str(), W("C:\\無い\\a.dat").c_str()));
    EXPECT_FALSE(O_CopyFile(nullptr, W("C:\\データ\\b.dat").c_str()));
}

}  // namespace
