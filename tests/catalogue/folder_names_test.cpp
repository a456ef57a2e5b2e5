// Which maintenance folder names can be used: every form a Windows file system
// refuses or resolves to another place, and names that only look like one.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/folder_names.h"
#include "platform/cp932.h"

namespace {

TEST(IsUsableFolderName, RefusesEveryBadFormAndTakesGoodNames) {
    const struct {
        std::string cp932;
        bool usable;
    } cases[] = {
        {"", false},
        {"   ", false},
        {".", false},
        {"..", false},
        {"/", false},
        {"\\", false},
        {"..\\..\\x", false},
        {"a/b", false},
        {"a:b", false},
        {"a*b", false},
        {"a?b", false},
        {"a\"b", false},
        {"a<b", false},
        {"a>b", false},
        {"a|b", false},
        {"a\tb", false},
        {std::string("a\0b", 3), false},
        {"a\x1f", false},
        {"a\x7f"
         "b",
         false},
        {"name.", false},
        {"name ", false},
        {"CON", false},
        {"con", false},
        {"Nul.txt", false},
        {"PRN.x.y", false},
        {"aux", false},
        {"COM1", false},
        {"lpt9.log", false},
        {"COM0", true},
        {"COM10", true},
        {"CONSOLE", true},
        {"x.CON", true},
        {std::string(21, 'a'), false},
        {std::string(20, 'a'), true},
        {"\x95", false},       // a lead byte alone is no character
        {"a\x81\x7f", false},  // no such double-byte character
        {platform::Utf8ToCp932("保守A"), true},
        {"\xe4\xbf\x9d", false},  // UTF-8 bytes are no CP932 text
        {" leading", true},
        {"2008.03", true},
        {platform::Utf8ToCp932("2026年12月点検"), true},
        {platform::Utf8ToCp932("表示"), true},      // 95 5C: not a backslash
        {platform::Utf8ToCp932("ポイント"), true},  // 83 7C: not a bar
        {platform::Utf8ToCp932("表/示"), false},
        {platform::Utf8ToCp932("設定データ保守"), true},
        {platform::Utf8ToCp932("十一文字の保守フォルダ名"), false},  // 22 bytes
    };
    for (const auto& c : cases) EXPECT_EQ(IsUsableFolderName(c.cp932), c.usable) << platform::Cp932ToUtf8(c.cp932);
}

TEST(IsUsableFolderName, AFolderOnTheMediumMayHaveTheListedLength) {
    const std::string listed(kMaxListedFolderName, 'n');
    EXPECT_FALSE(IsUsableFolderName(listed));
    EXPECT_TRUE(IsUsableFolderName(listed, kMaxListedFolderName));
    EXPECT_FALSE(IsUsableFolderName(listed + "n", kMaxListedFolderName));
    EXPECT_FALSE(IsUsableFolderName(listed.substr(1) + ".", kMaxListedFolderName));
}

}  // namespace
