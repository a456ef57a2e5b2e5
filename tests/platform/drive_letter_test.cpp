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
