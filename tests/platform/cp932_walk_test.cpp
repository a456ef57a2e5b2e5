// The CP932 character walk that every separator scan uses: the lead-byte rule of
// Windows' code page 932 (CharNextA, PathFindFileNameA and the file functions).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp932_walk.h"

using platform::ForEachCp932Char;
using platform::HasCp932Separator;
using platform::LastCp932Separator;
using platform::SplitWindowsPath;

namespace {
std::vector<size_t> Starts(std::string_view s) {
    std::vector<size_t> starts;
    ForEachCp932Char(s, [&](size_t i, size_t) { starts.push_back(i); });
    return starts;
}
}  // namespace

TEST(Cp932Walk, CharactersFollowTheLeadByteRule) {
    // "a表b": 表 is 95 5C, one character of two bytes.
    EXPECT_EQ(Starts("a\x95\x5C"
                     "b"),
              (std::vector<size_t>{0, 1, 3}));
    // A lead byte takes the next byte whatever it is (CharNextA on 932 does too).
    EXPECT_EQ(Starts("\x81\x01x"), (std::vector<size_t>{0, 2}));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(Starts("x\x95"), (std::vector<size_t>{0, 1}));
    // Half-width katakana (A1-DF) are single bytes.
    EXPECT_EQ(Starts("\xB1\xB2"), (std::vector<size_t>{0, 1}));
    // A visit returning false stops the walk.
    size_t seen = 0;
    ForEachCp932Char("abc", [&](size_t, size_t) { return ++seen < 2; });
    EXPECT_EQ(seen, 2u);
}

TEST(Cp932Walk, TrailBytesAreNeverSeparators) {
    // 表 (95 5C) and ソ (83 5C) end in the byte of '\': no separator in "表" or "ソ".
    EXPECT_FALSE(HasCp932Separator("\x95\x5C"));
    EXPECT_FALSE(HasCp932Separator("\x83\x5C\x83\x5C"));
    EXPECT_TRUE(HasCp932Separator("\x95\x5C\\x"));
    EXPECT_TRUE(HasCp932Separator("a/b"));
    // "C:\表\ソ": the last separator is the one before ソ, at 5.
    EXPECT_EQ(LastCp932Separator("C:\\\x95\x5C\\\x83\x5C"), 5u);
    EXPECT_EQ(LastCp932Separator("\x95\x5C"), std::string::npos);
    // Backslashes only, when asked: '/' is then a plain character.
    EXPECT_EQ(LastCp932Separator("a\\b/c", "\\"), 1u);
}

TEST(Cp932Walk, PathsSplitAtSeparatorsOutsideCharacters) {
    bool trailing = false;
    EXPECT_EQ(SplitWindowsPath("\\\x95\x5C\\\\sub/\x83\x5C\\", &trailing),
              (std::vector<std::string>{"\x95\x5C", "sub", "\x83\x5C"}));
    EXPECT_TRUE(trailing);
    EXPECT_EQ(SplitWindowsPath("a\\b", &trailing), (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(trailing);
    // A name ending in 表 does not end with a separator.
    EXPECT_EQ(SplitWindowsPath("x\\\x95\x5C", &trailing), (std::vector<std::string>{"x", "\x95\x5C"}));
    EXPECT_FALSE(trailing);
    EXPECT_TRUE(SplitWindowsPath("", &trailing).empty());
}
