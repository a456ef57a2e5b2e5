// What the benchmark programs share: their options, medians, and a prefix holding
// the suite's settings file and a catalogue of a chosen number of data sets.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp932.h"

namespace bench {

// "--reps N" and "--sets a,b,c"; what is not given keeps the value passed in.
inline void ParseOptions(int argc, char** argv, int* reps, std::vector<int>* setCounts) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--reps") == 0) *reps = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--sets") == 0) {
            setCounts->clear();
            std::stringstream list(argv[i + 1]);
            for (std::string item; std::getline(list, item, ',');) setCounts->push_back(std::atoi(item.c_str()));
        }
    }
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// A fresh folder under $TMPDIR (else /tmp): say which file system that is.
inline std::string MakeTempFolder(const char* stem) {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + stem + "-XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
    return dir;
}

inline std::string DataName(int i) { return "設定データ" + std::to_string(i); }

inline void WriteCp932(const std::filesystem::path& path, const std::string& utf8) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << platform::Utf8ToCp932(utf8);
}

// Drive C: of the prefix `dir` with the suite's settings file: its data below
// C:\ORBIS\SYSDATA, the catalogue in ...\SYSTEM.
inline void MakeSuiteDrive(const std::string& dir) {
    namespace fs = std::filesystem;
    fs::create_directories(dir + "/dosdevices");
    fs::create_directory_symlink("../drive_c", dir + "/dosdevices/c:");
    WriteCp932(dir + "/drive_c/windows/ORBIS.INI",
               "[OrbisPath]\r\n10000=C:\\ORBIS\\SYSDATA\r\n10003=C:\\ORBIS\\SYSDATA\\SYSTEM\r\n"
               "[System]\r\nDataRoot=C:\\ORBIS\\SYSDATA\r\nDocTemp=C:\\ORBIS\\TEMP\r\n");
}

// A prefix with drive C:, the suite's settings file and a catalogue of `sets` data
// sets (three file names and two folders each); the system drive holds no
// maintenance folder, as in a fresh installation.
inline std::string MakeInstallation(int sets) {
    std::string dir = MakeTempFolder("bench-startup");
    MakeSuiteDrive(dir);
    std::ostringstream ini;
    ini << "[データ数]\r\nMAX=" << sets << "\r\n[データ名称]\r\n";
    for (int i = 0; i < sets; ++i) ini << i << "=" << DataName(i) << "\r\n";
    for (int i = 0; i < sets; ++i) {
        ini << "[" << i << "]\r\nTYPE=" << (i % 7 == 0 ? 2 : 0) << "\r\nTYPEINDEX=" << i % 3 << "\r\nPATH=\\USERDATA\\S"
            << i << "\r\nBPATH=\\USERDATA\\S" << i << "\r\nCNT=3\r\n";
        for (int k = 0; k < 3; ++k) ini << "NAME" << k << "=\\*.D" << k << "\r\n";
        ini << "CNT2=2\r\nDIRECT0=\r\nDIRECT1=\\SUB\r\n";
    }
    WriteCp932(dir + "/drive_c/ORBIS/SYSDATA/SYSTEM/JDTKANRI.JYO", ini.str());
    return dir;
}

}  // namespace bench
