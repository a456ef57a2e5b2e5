#include "tests/app/installation.h"

#include <sstream>

Installation::Installation() {
    sysdata = prefix.DriveC() + "/ORBIS/SYSDATA";
    MakeHostDirs(sysdata + "/SYSTEM");
    MakeHostDirs(prefix.DriveC() + "/ORBIS/TEMP");
    WriteIni(prefix.DriveC() + "/windows/ORBIS.INI",
             "[OrbisPath]\n10000=C:\\ORBIS\\SYSDATA\n10003=C:\\ORBIS\\SYSDATA\\SYSTEM\n"
             "[System]\nDataRoot=C:\\ORBIS\\SYSDATA\nDocTemp=C:\\ORBIS\\TEMP\n");
    stick = prefix.AddDrive('E', "floppy");
}

void Installation::WriteIni(const std::string& hostPath, const std::string& utf8) {
    std::string crlf;
    for (char c : utf8) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    WriteHostFile(hostPath, W(crlf));
}

void Installation::WriteNumberedSets(const char* catalogueFile, int count,
                                     const std::function<std::string(int)>& content) {
    std::vector<DataSetSpec> sets;
    for (int i = 0; i < count; ++i) {
        DataSetSpec s;
        s.name = "設定" + std::to_string(i);
        s.path = s.bpath = "\\USERDATA\\SET" + std::to_string(i);
        s.names = {"\\*.TXT"};
        s.folders = {""};
        sets.push_back(s);
        WriteHostFile(sysdata + "/USERDATA/SET" + std::to_string(i) + "/a" + std::to_string(i) + ".TXT", content(i));
    }
    WriteCatalogue(catalogueFile, sets);
}

void Installation::WriteCatalogue(const char* fileName, const std::vector<DataSetSpec>& sets) {
    std::ostringstream ini;
    ini << "[データ数]\nMAX=" << sets.size() << "\n[データ名称]\n";
    for (size_t i = 0; i < sets.size(); ++i) ini << i << "=" << sets[i].name << "\n";
    for (size_t i = 0; i < sets.size(); ++i) {
        const DataSetSpec& s = sets[i];
        ini << "[" << i << "]\nTYPE=" << s.type << "\nTYPEINDEX=" << s.typeIndex << "\nPATH=" << s.path
            << "\nBPATH=" << s.bpath << "\nCNT=" << s.names.size() << "\n";
        for (size_t k = 0; k < s.names.size(); ++k) ini << "NAME" << k << "=" << s.names[k] << "\n";
        ini << "CNT2=" << s.folders.size() << "\n";
        for (size_t j = 0; j < s.folders.size(); ++j) ini << "DIRECT" << j << "=" << s.folders[j] << "\n";
    }
    WriteIni(sysdata + "/SYSTEM/" + fileName, ini.str());
}
