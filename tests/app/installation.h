// A small installation of the host suite in a temporary prefix: the suite's
// settings file, a catalogue and a removable stick, for the dialog tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_prefix.h"

struct DataSetSpec {
    std::string name;  // UTF-8
    int type = 0;
    int typeIndex = 0;
    std::string path = "\\USERDATA";
    std::string bpath = "\\USERDATA";
    std::vector<std::string> names;    // NAMEk, e.g. "\\*.TXT"
    std::vector<std::string> folders;  // DIRECTj, e.g. "" or "\\SUB"
};

class Installation {
public:
    // The suite under C:\ORBIS\SYSDATA, catalogue folder ...\SYSTEM; a stick E:.
    Installation();

    TempPrefix prefix;
    std::string sysdata;  // host folder of C:\ORBIS\SYSDATA
    std::string stick;    // host folder of drive E:

    // Writes the catalogue file (CP932, CRLF) with these data sets.
    void WriteCatalogue(const char* fileName, const std::vector<DataSetSpec>& sets);
    // `count` data sets "設定<i>" of one file each, USERDATA\SET<i>\a<i>.TXT holding
    // content(i), and the catalogue naming them.
    void WriteNumberedSets(const char* catalogueFile, int count, const std::function<std::string(int)>& content);
    // Writes an INI file from UTF-8 text with '\n' line ends, as CP932 + CRLF.
    static void WriteIni(const std::string& hostPath, const std::string& utf8);
};
