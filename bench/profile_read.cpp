// Reading a system catalogue of 10,000 data sets key by key through the profile
// functions, as the catalogue reader does, against one plain parse of the file.
// Goal: the 330,001 reads in under a second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "platform/cp932.h"
#include "platform/profile_file.h"
#include "platform/win32.h"

namespace {

constexpr int kDataSets = 10000;

std::string C(const char* utf8) { return platform::Utf8ToCp932(utf8); }

// A prefix with drive C: holding C:\ORBIS\SYS\JDTKANRI.JYO; made once per run.
struct Catalogue {
    std::string prefix;
    std::string host;
    std::string win = "C:\\ORBIS\\SYS\\JDTKANRI.JYO";
    size_t bytes = 0;

    Catalogue() {
        char tmpl[] = "/tmp/bench-profile-XXXXXX";
        prefix = mkdtemp(tmpl);
        std::system(("mkdir -p '" + prefix + "/dosdevices' '" + prefix + "/drive_c/windows' '" + prefix +
                     "/drive_c/ORBIS/SYS' && ln -s ../drive_c '" + prefix + "/dosdevices/c:'")
                        .c_str());
        setenv("WINEPREFIX", prefix.c_str(), 1);
        host = prefix + "/drive_c/ORBIS/SYS/JDTKANRI.JYO";

        std::string text = C("[データ数]\r\nMAX=") + std::to_string(kDataSets) + "\r\n" + C("[データ名称]\r\n");
        for (int i = 0; i < kDataSets; ++i)
            text += std::to_string(i) + "=" + C("設定データ表ソ") + std::to_string(i) + "\r\n";
        for (int i = 0; i < kDataSets; ++i) {
            std::string n = std::to_string(i);
            int cnt = 1 + i % 3;
            text += "[" + n + "]\r\nTYPE=" + std::to_string(i % 7 == 0 ? 2 : 0) + "\r\nTYPEINDEX=" +
                    std::to_string(i % 3) + "\r\n";
            text += C("PATH=\\USERDATA\\表示設定") + n + "\r\n" + C("BPATH=\\USERDATA\\表示設定") + n + "\r\n";
            text += "CNT=" + std::to_string(cnt) + "\r\n";
            for (int k = 0; k < 20; ++k)
                text += "NAME" + std::to_string(k) + "=" + (k < cnt ? "\\FILE" + std::to_string(k) + "_*.DAT" : "") +
                        "\r\n";
            text += "CNT2=1\r\n";
            for (int k = 0; k < 5; ++k) text += "DIRECT" + std::to_string(k) + "=" + (k == 1 ? "\\USER" : "") + "\r\n";
        }
        std::ofstream(host, std::ios::binary) << text;
        bytes = text.size();
    }
    ~Catalogue() { std::system(("rm -rf '" + prefix + "'").c_str()); }
};

Catalogue& Cat() {
    static Catalogue c;
    return c;
}

// The catalogue reader's sequence: MAX once, then 33 reads per data set, 81-byte buffers.
long ReadCatalogue(const char* path) {
    static const std::string countSection = C("データ数");
    static const std::string nameSection = C("データ名称");
    char buf[81];
    long checksum = 0;
    int n = static_cast<int>(GetPrivateProfileIntA(countSection.c_str(), "MAX", 0, path));
    char section[16];
    char key[16];
    for (int i = 0; i < n; ++i) {
        std::snprintf(section, sizeof section, "%d", i);
        checksum += GetPrivateProfileStringA(nameSection.c_str(), section, "", buf, sizeof buf, path);
        checksum += GetPrivateProfileIntA(section, "TYPE", 0, path);
        checksum += GetPrivateProfileIntA(section, "TYPEINDEX", 0, path);
        checksum += GetPrivateProfileStringA(section, "PATH", "\\USERDATA", buf, sizeof buf, path);
        checksum += GetPrivateProfileStringA(section, "BPATH", "\\USERDATA", buf, sizeof buf, path);
        checksum += GetPrivateProfileIntA(section, "CNT", 0, path);
        for (int k = 0; k < 20; ++k) {
            std::snprintf(key, sizeof key, "NAME%d", k);
            checksum += GetPrivateProfileStringA(section, key, "", buf, sizeof buf, path);
        }
        checksum += GetPrivateProfileIntA(section, "CNT2", 0, path);
        for (int k = 0; k < 5; ++k) {
            std::snprintf(key, sizeof key, "DIRECT%d", k);
            checksum += GetPrivateProfileStringA(section, key, "", buf, sizeof buf, path);
        }
    }
    return checksum;
}

void BM_CatalogueKeyByKey(benchmark::State& state) {
    Catalogue& c = Cat();
    for (auto _ : state) benchmark::DoNotOptimize(ReadCatalogue(c.win.c_str()));
    state.counters["reads"] = 1 + 33.0 * kDataSets;
    state.counters["per_read"] = benchmark::Counter(
        1 + 33.0 * kDataSets, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["file_MB"] = c.bytes / 1e6;
}
BENCHMARK(BM_CatalogueKeyByKey)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CataloguePlainParse(benchmark::State& state) {
    Catalogue& c = Cat();
    for (auto _ : state) {
        std::ifstream in(c.host, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        platform::profile::ProfileFile file(s.str());
        benchmark::DoNotOptimize(file.Sections().size());
    }
}
BENCHMARK(BM_CataloguePlainParse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
