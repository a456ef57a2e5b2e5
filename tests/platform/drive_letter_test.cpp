// Drive numbers and letters as the Windows functions count them: 0 is A:, 25 is Z:.
#include <gtest/gtest.h>

#include "platform/drive_letter.h"

using platform::DriveLetter;

TEST(DriveLetter, NumbersLettersAndRootsAgree) {
    EXPECT_EQ(DriveLetter::FromNumber(4)->Letter(), 'E');
    EXPECT_EQ(DriveLetter::FromNumber(4)->Root(), "E:\\");
    EXPECT_EQ(DriveLetter::FromNumber(25)->Name(), "Z:");
    EXPECT_EQ(DriveLetter::FromLetter('e'), DriveLetter::FromNumber(4));
    EXPECT_EQ(DriveLetter::FromLetter('A')->Number(), 0);
    // Only 26 drives: no number beyond, and no letter of another byte (drive 32
    // would otherwise read as a lower-case "a:").
    EXPECT_FALSE(DriveLetter::FromNumber(-1));
    EXPECT_FALSE(DriveLetter::FromNumber(26));
    EXPECT_FALSE(DriveLetter::FromNumber(32));
    EXPECT_FALSE(DriveLetter::FromLetter('@'));
    EXPECT_FALSE(DriveLetter::FromLetter('['));
    EXPECT_FALSE(DriveLetter::FromLetter('\x83'));
}

TEST(DriveLetter, OfPathReadsOnlyADriveHead) {
    const struct {
        const char* path;
        std::optional<DriveLetter> drive;
    } cases[] = {
        {"E:\\x", DriveLetter::FromLetter('E')},
        {"e:", DriveLetter::FromLetter('E')},
        {"z:relative", DriveLetter::FromLetter('Z')},
        {"A:/", DriveLetter::FromLetter('A')},
        {"1:\\", std::nullopt},
        {"", std::nullopt},
        {"E", std::nullopt},
        {":\\", std::nullopt},
        {"\\\\srv\\share", std::nullopt},
        {"\\x", std::nullopt},
        {"relative\\E:", std::nullopt},
        {"\x83:\\", std::nullopt},
        {"EE:\\", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(DriveLetter::OfPath(c.path), c.drive) << c.path;
}

TEST(DriveLetter, OfRootTakesOnlyAVolumeRoot) {
    for (const char* root : {"E:", "e:\\", "E:/"})
        EXPECT_EQ(DriveLetter::OfRoot(root), DriveLetter::FromLetter('E')) << root;
    for (const char* other : {"E:\\x", "E:x", "E:\\\\", "E", "", "\\\\srv\\share", "1:\\"})
        EXPECT_FALSE(DriveLetter::OfRoot(other)) << other;
}

TEST(DriveLetter, AllIsEveryDriveInOrder) {
    int n = 0;
    for (DriveLetter d : DriveLetter::All()) EXPECT_EQ(d.Number(), n++);
    EXPECT_EQ(n, platform::kDriveCount);
}
