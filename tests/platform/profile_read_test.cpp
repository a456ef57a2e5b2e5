// GetPrivateProfileStringA / GetPrivateProfileIntA: each case pins the Windows result.
#include <vector>

#include "tests/platform/profile_fixture.h"

namespace {

using Read = ProfileTest;

// One look-up and its result; a missing key gives the default "def".
struct LookUp {
    const char* section;
    const char* key;
    const char* expected;
};

// A file and the look-ups that pin how Windows reads it.
struct LookUpCase {
    const char* name;
    const char* file;
    std::vector<LookUp> lookUps;
};

const LookUpCase kLookUps[] = {
    // Windows: CRLF, LF and a lone CR all end lines; keys and values are trimmed of
    // spaces, tabs and VT; one outer pair of equal quotes comes off; ';' lines are
    // comments, also for look-ups; '#' is text; there are no inline comments.
    {"LineEndsBlanksQuotesAndComments",
     "[s]\r\na=1\nb=2\rc=3\r\n \t k \v= \t v v \t\r\n"
     "q1=\"quoted \"\r\nq2='x'\r\nq3=\"mixed'\r\nq4=\"\r\n"
     ";hidden=1\r\n  ;k2=2\r\n#h=3\r\nin=v ;x\r\neq=a=b;c\r\n",
     {{"s", "a", "1"},
      {"s", "b", "2"},
      {"s", "c", "3"},
      {"s", "k", "v v"},
      {"s", "q1", "quoted "},
      {"s", "q2", "x"},
      {"s", "q3", "\"mixed'"},
      {"s", "q4", "\""},
      {"s", ";hidden", "def"},
      {"s", ";k2", "def"},
      {"s", "#h", "3"},
      {"s", "in", "v ;x"},
      {"s", "eq", "a=b;c"}}},
    // Windows: case-insensitive names; only spaces (not tabs) stripped from the
    // caller's names; quotes in names are literal.
    {"NamesMatchIgnoringCaseAndOnlySpacesAreStripped",
     "[Sec]\r\nKey=1\r\n\"q\"=2\r\n",
     {{"sEC", "kEY", "1"},
      {"  sec ", " key  ", "1"},
      {"sec", "key\t", "def"},
      {"sec", "\"q\"", "2"},
      {"sec", "q", "def"}}},
    // Windows: the name ends at the first ']', text after it is ignored, a header
    // without ']' still counts, '[' inside is literal, "[]" is the section "".
    {"SectionHeaderRules",
     "[a]junk\r\nk=1\r\n[b]c]\r\nk=2\r\n[abc   \r\nk=3\r\n[x[y]\r\nk=4\r\n[]\r\nk=5\r\n",
     {{"a", "k", "1"}, {"b", "k", "2"}, {"b]c", "k", "def"}, {"abc", "k", "3"}, {"x[y", "k", "4"}, {"", "k", "5"}}},
    // Windows: the first section of a name is the only one searched, the first of
    // duplicate keys wins, keys before the first section cannot be reached.
    // A line without '=' is never a key (our choice: its look-up gives the default).
    {"DuplicatesKeysBeforeSectionsAndLinesWithoutEquals",
     "top=0\r\n[d]\r\nk=1\r\nk=2\r\nbare\r\n[d]\r\nk=3\r\nonly=4\r\nk2=\r\n",
     {{"d", "k", "1"}, {"d", "only", "def"}, {"", "top", "def"}, {"d", "bare", "def"}}},
};

class LookUps : public ProfileTest, public ::testing::WithParamInterface<LookUpCase> {};

TEST_P(LookUps, GiveTheWindowsResult) {
    Put(GetParam().file);
    for (const LookUp& l : GetParam().lookUps)
        EXPECT_EQ(Get(l.section, l.key), l.expected) << "[" << l.section << "] " << l.key;
}

INSTANTIATE_TEST_SUITE_P(Read, LookUps, ::testing::ValuesIn(kLookUps),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(Read, EmptyValueAndDefaults) {
    // "k=" exists and reads as "" (length 0); a NULL default is ""; the default
    // loses trailing spaces only.
    Put("[s]\r\nempty=\r\n");
    DWORD ret = 99;
    EXPECT_EQ(Get("s", "empty", "def", 256, &ret), "");
    EXPECT_EQ(ret, 0u);
    EXPECT_EQ(Get("s", "none", nullptr), "");
    EXPECT_EQ(Get("s", "none", " d\t  "), " d\t");
}

TEST_F(Read, MissingFileGivesDefaultAndError2) {
    SetLastError(0);
    DWORD ret = 0;
    EXPECT_EQ(Get("s", "k", "default", 256, &ret), "default");
    EXPECT_EQ(ret, 7u);
    EXPECT_EQ(GetLastError(), 2u);
    // Folder missing: error 3.
    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buf, sizeof buf, "C:\\nope\\x.ini"), 1u);
    EXPECT_EQ(GetLastError(), 3u);
    // "" names no file: the default, error 5 (as a folder does).
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buf, sizeof buf, ""), 1u);
    EXPECT_EQ(GetLastError(), 5u);
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buf, sizeof buf, "C:\\ini"), 1u);
    EXPECT_EQ(GetLastError(), 5u);
}

TEST_F(Read, BareFileNameLivesInWindowsFolder) {
    // Windows: "x.ini" means %WINDIR%\x.ini, not the current folder.
    WriteHostFile(prefix.DriveC() + "/windows/bare.ini", "[s]\r\nk=win\r\n");
    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buf, sizeof buf, "bare.ini"), 3u);
    EXPECT_STREQ(buf, "win");
    EXPECT_EQ(GetPrivateProfileIntA("s", "k", 5, "*.ini"), 5u);
    EXPECT_EQ(GetLastError(), 123u);  // wildcards
}

TEST_F(Read, Truncation) {
    Put("[section1]\r\nname1=val1\r\nname2=val2\r\nname4=a\r\n[section2]\r\n[section3]\r\n");
    DWORD ret = 0;
    // Windows: nSize 4 gives "val", 3, error 234; nSize 5 fits.
    SetLastError(0);
    EXPECT_EQ(Get("section1", "name1", "d", 4, &ret), "val");
    EXPECT_EQ(ret, 3u);
    EXPECT_EQ(GetLastError(), 234u);
    EXPECT_EQ(Get("section1", "name1", "d", 5, &ret), "val1");
    // nSize 0 leaves the buffer alone; nSize 1 gives "".
    char buf[8] = "kumquat";
    EXPECT_EQ(GetPrivateProfileStringA("section1", "name4", "d", buf, 0, win), 0u);
    EXPECT_STREQ(buf, "kumquat");
    EXPECT_EQ(GetPrivateProfileStringA("section1", "name4", "d", buf, 1, win), 0u);
    EXPECT_STREQ(buf, "");
    // The default is cut the same way.
    EXPECT_EQ(Get("section1", "none", "default", 4, &ret), "def");
}

TEST_F(Read, Lists) {
    Put("[section1]\r\nname1=val1\r\nname2=\r\nname3\r\n;c=1\r\nname4=val4\r\n[section2]\r\n[section3]\r\n");
    DWORD ret = 0;
    // Windows: key NULL lists the keys (no comments, no lines without '=').
    std::string b = GetRaw("section1", nullptr, 100, &ret);
    EXPECT_EQ(ret, 18u);
    EXPECT_EQ(b.substr(0, 19), std::string("name1\0name2\0name4\0\0", 19));
    // A list that does not fit: cut, two NULs, nSize-2.
    b = GetRaw("section1", nullptr, 16, &ret);
    EXPECT_EQ(ret, 14u);
    EXPECT_EQ(b.substr(0, 16), std::string("name1\0name2\0na\0\0", 16));
    // Section NULL lists the sections; a key passed with it is ignored.
    b = GetRaw(nullptr, "name1", 16, &ret);
    EXPECT_EQ(ret, 14u);
    EXPECT_EQ(b.substr(0, 16), std::string("section1\0secti\0\0", 16));
    // Windows: a list that needs the whole buffer exactly counts as cut (27 bytes + NUL in 28).
    b = GetRaw(nullptr, nullptr, 28, &ret);
    EXPECT_EQ(ret, 26u);
    EXPECT_EQ(b.substr(0, 28), std::string("section1\0section2\0section3\0\0", 28));
    b = GetRaw(nullptr, nullptr, 29, &ret);
    EXPECT_EQ(ret, 27u);
    b = GetRaw(nullptr, nullptr, 2, &ret);
    EXPECT_EQ(ret, 0u);
    EXPECT_EQ(b.substr(0, 2), std::string("\0\0", 2));
    // An empty section and a missing one give an empty list.
    b = GetRaw("section2", nullptr, 10, &ret);
    EXPECT_EQ(ret, 0u);
    EXPECT_EQ(b[0], '\0');
    b = GetRaw("nope", nullptr, 10, &ret);
    EXPECT_EQ(ret, 0u);
    EXPECT_EQ(b[0], '\0');
}

TEST_F(Read, ListsOnMissingFile) {
    // Windows: 0 and one NUL; the second byte is left alone.
    DWORD ret = 9;
    std::string b = GetRaw(nullptr, nullptr, 10, &ret);
    EXPECT_EQ(ret, 0u);
    EXPECT_EQ(b[0], '\0');
    EXPECT_EQ(b[1], '\x7F');
}

TEST_F(Read, IntegerParsing) {
    Put("[i]\r\nneg=-1\r\nplus=+1\r\nwrap=4294967296\r\nwrap1=4294967297\r\nnegwrap=-4294967297\r\n"
        "junk=42A94967297\r\nlead=B42\r\nspaced=  12\r\nhex=0x1f\r\nup=0X10\r\noct=0o17\r\nbin=0b101\r\n"
        "zero=056789\r\nempty=\r\nquoted=\"33\"\r\nbig=99999999999\r\n");
    // Windows (Wine's profile test, which passes there): no clamping, wrap mod 2^32,
    // stop at junk. Prefixes follow the NT parser (lowercase only).
    EXPECT_EQ(Int("i", "neg"), 4294967295u);
    EXPECT_EQ(Int("i", "plus"), 1u);
    EXPECT_EQ(Int("i", "wrap"), 0u);
    EXPECT_EQ(Int("i", "wrap1"), 1u);
    EXPECT_EQ(Int("i", "negwrap"), 4294967295u);
    EXPECT_EQ(Int("i", "junk"), 42u);
    EXPECT_EQ(Int("i", "lead"), 0u);
    EXPECT_EQ(Int("i", "spaced"), 12u);
    EXPECT_EQ(Int("i", "hex"), 31u);
    EXPECT_EQ(Int("i", "up"), 0u);  // "0X" is no prefix: 0, then junk
    EXPECT_EQ(Int("i", "oct"), 15u);
    EXPECT_EQ(Int("i", "bin"), 5u);
    EXPECT_EQ(Int("i", "zero"), 56789u);
    EXPECT_EQ(Int("i", "empty"), 7u);
    EXPECT_EQ(Int("i", "quoted"), 33u);
    EXPECT_EQ(Int("i", "big"), static_cast<UINT>(99999999999ULL));
    EXPECT_EQ(Int("i", "none", -1), 4294967295u);
    EXPECT_EQ(GetPrivateProfileIntA("i", "x", -5, "C:\\ini\\missing.ini"), static_cast<UINT>(-5));
}

TEST_F(Read, IntegerOfAListIsItsFirstName) {
    // Windows: with a NULL section or key the value read is the list of names.
    Put("[12abc]\r\n34=x\r\n");
    EXPECT_EQ(Int(nullptr, nullptr), 12u);
    EXPECT_EQ(Int(nullptr, "ignored"), 12u);
    EXPECT_EQ(Int("12abc", nullptr), 34u);
    EXPECT_EQ(Int("none", nullptr, 9), 9u);
}

}  // namespace
