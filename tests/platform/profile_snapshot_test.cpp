// A snapshot answers every look-up exactly as the profile functions do on the same
// file, and keeps answering from the file as it was when it was taken.
#include "platform/profile_snapshot.h"
#include "tests/platform/profile_fixture.h"

namespace {

using ProfileSnapshotTest = ProfileTest;

TEST_F(ProfileSnapshotTest, AnswersAsTheProfileFunctions) {
    Put("[a]\r\nk=1\r\nK=2\r\nq=\"quoted\"\r\nlong=" + std::string(100, 'x') +
        "\r\nn=-7\r\nh=0x1F\r\n"
        "[b]\r\nk=b1\r\n[ A ]\r\nk=dup\r\n");
    struct Case {
        const char* app;
        const char* key;
        DWORD size;
    };
    // Sections alternate, so a remembered section must never answer for another.
    const Case cases[] = {
        {"a", "k", 80},     {"b", "k", 80},    {"a", "K", 80}, {" a ", "q", 80},     {"a", "long", 81},
        {"a", "long", 5},   {"B", "k", 80},    {"c", "k", 80}, {"a", "missing", 80}, {nullptr, nullptr, 80},
        {"a", nullptr, 80}, {"a", nullptr, 6}, {"a", "n", 80}, {"a", "h", 80},
    };
    for (const char* file : {win, "C:\\ini\\missing.ini", "C:\\nofolder\\x.ini"}) {
        platform::ProfileSnapshot snap(file);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(file) + " [" + (c.app ? c.app : "(null)") + "] " + (c.key ? c.key : "(null)"));
            std::string want(c.size + 4, '\x7F'), got(c.size + 4, '\x7F');
            SetLastError(12345);
            DWORD wantN = GetPrivateProfileStringA(c.app, c.key, "dflt ", want.data(), c.size, file);
            DWORD wantError = GetLastError();
            SetLastError(12345);
            DWORD gotN = snap.GetString(c.app, c.key, "dflt ", got.data(), c.size);
            EXPECT_EQ(gotN, wantN);
            EXPECT_EQ(got, want);
            EXPECT_EQ(GetLastError(), wantError);
            SetLastError(12345);
            UINT wantInt = GetPrivateProfileIntA(c.app, c.key, 9, file);
            wantError = GetLastError();
            SetLastError(12345);
            EXPECT_EQ(snap.GetInt(c.app, c.key, 9), wantInt);
            EXPECT_EQ(GetLastError(), wantError);
        }
    }
}

TEST_F(ProfileSnapshotTest, KeepsTheFileAsItWasWhenTaken) {
    Put("[s]\r\nk=old\r\n");
    platform::ProfileSnapshot snap(win);
    Put("[s]\r\nk=new\r\n");
    char buf[16];
    EXPECT_EQ(std::string(buf, snap.GetString("s", "k", "", buf, sizeof buf)), "old");
    EXPECT_EQ(Get("s", "k"), "new");  // the profile functions see the change at once
    EXPECT_EQ(std::string(buf, snap.GetString("s", "k", "", buf, sizeof buf)), "old");
    EXPECT_EQ(std::string(buf, platform::ProfileSnapshot(win).GetString("s", "k", "", buf, sizeof buf)), "new");
}

}  // namespace
