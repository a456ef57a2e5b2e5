// Code page 932 names and values: trail bytes 0x5C, 0x5B, 0x5D and letters are
// parts of characters, never separators, brackets or letters to fold.
#include "tests/platform/profile_fixture.h"

namespace {

using Cp932Profile = ProfileTest;

TEST_F(Cp932Profile, TrailBytesInSectionsKeysAndValues) {
    // ソ = 83 5C, ゼ = 83 5B, ゾ = 83 5D: Windows decodes the file before parsing,
    // so "[ゾーン]" is the section ゾーン, not "[\x83" followed by junk.
    Put(W("[ゾーン]\r\nソフト=ゼロ\r\nゼ=表\\ソ\r\n[ソ]\r\nゾ=\"ゾ\"\r\n"));
    EXPECT_EQ(Get(W("ゾーン").c_str(), W("ソフト").c_str()), W("ゼロ"));
    EXPECT_EQ(Get(W("ゾーン").c_str(), W("ゼ").c_str()), W("表\\ソ"));
    EXPECT_EQ(Get(W("ソ").c_str(), W("ゾ").c_str()), W("ゾ"));
    DWORD ret = 0;
    std::string list = GetRaw(nullptr, nullptr, 64, &ret);
    EXPECT_EQ(list.substr(0, ret + 1), W("ゾーン") + '\0' + W("ソ") + '\0' + '\0');
}

TEST_F(Cp932Profile, CaseFoldingIsPerCharacter) {
    // ア (83 41) and ヂ (83 61) differ only by a trail byte 'A'/'a': never equal.
    // Full-width letters fold like ASCII ones (Windows compares in Unicode).
    Put(W("[ア]\r\nk=1\r\n[ＡＢＣ]\r\nk=2\r\n[ソa]\r\nk=3\r\n[Ωω]\r\nk=4\r\n[Дж]\r\nk=5\r\n"));
    EXPECT_EQ(Get(W("ア").c_str(), "k"), "1");
    EXPECT_EQ(Get(W("ヂ").c_str(), "k"), "def");
    EXPECT_EQ(Get(W("ａｂｃ").c_str(), "k"), "2");
    EXPECT_EQ(Get(W("ソA").c_str(), "k"), "3");
    EXPECT_EQ(Get(W("ωΩ").c_str(), "k"), "4");
    EXPECT_EQ(Get(W("дЖ").c_str(), "k"), "5");
}

TEST_F(Cp932Profile, CutsNeverLeaveALeadByte) {
    // Our choice for the [?]: a cut between lead and trail byte drops the lead byte;
    // the count is what was copied and the error is still 234.
    Put(W("[s]\r\nv=アイ\r\n[ソソ]\r\n"));
    DWORD ret = 0;
    SetLastError(0);
    EXPECT_EQ(Get("s", "v", "d", 4, &ret), W("ア"));
    EXPECT_EQ(ret, 2u);
    EXPECT_EQ(GetLastError(), 234u);
    EXPECT_EQ(Get("s", "v", "d", 5, &ret), W("アイ"));
    // In a list: "s\0" then 3 bytes of ソソ would end in a lead byte: it becomes NUL.
    std::string b = GetRaw(nullptr, nullptr, 7, &ret);
    EXPECT_EQ(ret, 5u);
    EXPECT_EQ(b.substr(0, 7), std::string("s\0", 2) + W("ソ") + std::string("\0\0\0", 3));
}

TEST_F(Cp932Profile, WritesKeepCp932Bytes) {
    EXPECT_TRUE(Write(W("ゾーン").c_str(), W("ゼ").c_str(), W("表ソ").c_str()));
    EXPECT_TRUE(Write(W("ゾーン").c_str(), W("ソ").c_str(), W("十").c_str()));
    EXPECT_EQ(Contents(), W("[ゾーン]\r\nゼ=表ソ\r\nソ=十\r\n"));
    EXPECT_TRUE(Write(W("ゾーン").c_str(), W("ゼ").c_str(), nullptr));
    EXPECT_EQ(Contents(), W("[ゾーン]\r\nソ=十\r\n"));
    EXPECT_EQ(Get(W("ゾーン").c_str(), W("ソ").c_str()), W("十"));
    // A file name holding 表 (95 5C) is one name, not a folder "\x95" and "".
    WriteHostFile(prefix.DriveC() + "/windows/表.ini", W("[s]\r\nk=表\r\n"));
    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, sizeof buf, W("表.ini").c_str()), 2u);
    EXPECT_EQ(std::string(buf), W("表"));
}

}  // namespace
