// The suite's settings file and the answers read from it.
#include <gtest/gtest.h>

#include "host/orbis_ini.h"
#include "tests/support/temp_prefix.h"

namespace {

void WriteSettings(const TempPrefix& prefix, const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    WriteHostFile(prefix.DriveC() + "/windows/ORBIS.INI", W(crlf));
}

TEST(OrbisIni, AnswersFromTheSettingsFile) {
    TempPrefix prefix;
    WriteSettings(prefix,
                  "[OrbisPath]\n"
                  "10000=C:\\ORBIS\\DATA\\\n"
                  "10003=D:\\ORBIS\\システム表\n"
                  "1000A=C:\\\n"
                  "[System]\n"
                  "DataRoot=C:\\ORBIS\\データ\\\\\n"
                  "DocTemp = C:\\ORBIS\\TEMP/\n");
    OrbisIni ini;
    EXPECT_EQ(ini.GetOrbisPath(0x10000), "C:\\ORBIS\\DATA");
    // 表 ends in the byte 5C: it is part of the name, not a separator to remove.
    const std::string catalogue = ini.GetOrbisPath(0x10003);
    EXPECT_EQ(catalogue, W("D:\\ORBIS\\システム表"));
    EXPECT_EQ(static_cast<unsigned char>(catalogue.back()), 0x5C);
    EXPECT_EQ(ini.GetOrbisPath(0x1000A), "C:");  // a root, ready for "%s\%s"
    EXPECT_EQ(ini.GetOrbisPath(0x10001), "");
    EXPECT_EQ(ini.GetOrbisSystemDataRootPath(), W("C:\\ORBIS\\データ"));
    EXPECT_EQ(ini.GetSystemDocTempPath(0, 0), "C:\\ORBIS\\TEMP");
}

TEST(OrbisIni, NoFileOrNoKeyGivesEmptyAnswers) {
    TempPrefix prefix;
    OrbisIni ini;
    EXPECT_EQ(ini.GetOrbisPath(0x10000), "");
    EXPECT_EQ(ini.GetOrbisPath(0x10003), "");
    EXPECT_EQ(ini.GetOrbisSystemDataRootPath(), "");
    EXPECT_EQ(ini.GetSystemDocTempPath(0, 0), "");

    WriteSettings(prefix, "[System]\nDocTemp=C:\\TEMP\n");
    EXPECT_EQ(ini.GetOrbisPath(0x10000), "");
    EXPECT_EQ(ini.GetOrbisSystemDataRootPath(), "");
    EXPECT_EQ(ini.GetSystemDocTempPath(0, 0), "C:\\TEMP");
}

TEST(OrbisIni, LongValuesAreReadWhole) {
    TempPrefix prefix;
    const std::string longPath = "C:\\" + std::string(3000, 'x');
    WriteSettings(prefix, "[System]\nDataRoot=" + longPath + "\n");
    EXPECT_EQ(OrbisIni().GetOrbisSystemDataRootPath(), longPath);
}

}  // namespace
