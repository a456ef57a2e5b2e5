// Reading a system catalogue key by key through the profile functions, as the
// catalogue reader does (MAX, then 32 reads per data set: 320,001 for 10,000 sets),
// measured in the same run against its references:
//  - the floor of one stat() of the file per read (what proving freshness by
//    stat() alone costs, before any look-up);
//  - one plain parse of the file (read and index it once).
// Goal: at or below the stat() floor (ratio <= 1.0; moonshot <= 0.5).
// Each run starts cold (nothing parsed, no name kept), as a start-up does; "warm"
// repeats the sequence with everything kept.
//
// Run: build/plain/bench/bench_profile_read [--reps 5] [--sets 1000,10000,50000]
// The catalogue is made under $TMPDIR (else /tmp): say which file system that is.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/cp932.h"
#include "platform/profile_cache.h"
#include "platform/profile_file.h"
#include "platform/profile_names.h"
#include "platform/win32.h"

namespace fs = std::filesystem;

namespace {

std::string C(const char* utf8) { return platform::Utf8ToCp932(utf8); }

// A prefix with drive C: holding C:\ORBIS\SYS\JDTKANRI.JYO of `sets` data sets.
struct Catalogue {
    std::string prefix;
    std::string host;
    std::string win = "C:\\ORBIS\\SYS\\JDTKANRI.JYO";
    size_t bytes = 0;

    explicit Catalogue(int sets) {
        prefix = bench::MakeTempFolder("bench-profile");
        fs::create_directories(prefix + "/dosdevices");
        fs::create_directories(prefix + "/drive_c/windows");
        fs::create_directories(prefix + "/drive_c/ORBIS/SYS");
        fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
        setenv("WINEPREFIX", prefix.c_str(), 1);
        host = prefix + "/drive_c/ORBIS/SYS/JDTKANRI.JYO";

        std::string text = C("[データ数]\r\nMAX=") + std::to_string(sets) + "\r\n" + C("[データ名称]\r\n");
        for (int i = 0; i < sets; ++i)
            text += std::to_string(i) + "=" + C("設定データ表ソ") + std::to_string(i) + "\r\n";
        for (int i = 0; i < sets; ++i) {
            std::string n = std::to_string(i);
            int cnt = 1 + i % 3;
            text += "[" + n + "]\r\nTYPE=" + std::to_string(i % 7 == 0 ? 2 : 0) +
                    "\r\nTYPEINDEX=" + std::to_string(i % 3) + "\r\n";
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
        // An old file, as an installed catalogue is.
        struct timespec old[2] = {{1600000000, 0}, {1600000000, 0}};
        utimensat(AT_FDCWD, host.c_str(), old, 0);
    }
    ~Catalogue() { fs::remove_all(prefix); }
};

// The catalogue reader's sequence: MAX once, then 32 reads per data set, 81-byte buffers.
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

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

template <typename F>
double Time(F f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return Ms(std::chrono::steady_clock::now() - start);
}

volatile long g_sink;

}  // namespace

int main(int argc, char** argv) {
    int reps = 5;
    std::vector<int> setCounts = {1000, 10000, 50000};
    bench::ParseOptions(argc, argv, &reps, &setCounts);
    std::printf("%7s %9s %8s | %9s %9s %9s %9s %9s | %7s %7s %7s | %s\n", "sets", "reads", "file_MB", "ours_ms",
                "warm_ms", "statonly", "stat_ms", "parse_ms", "ours/st", "warm/st", "sonly/st", "answered by watch");
    for (int sets : setCounts) {
        Catalogue cat(sets);
        long reads = 1 + 32L * sets;
        std::vector<double> ours, warm, statOnly, floor, parse;
        platform::profile::ReadCounters before{}, after{};
        for (int r = 0; r < reps; ++r) {
            // Interleaved, so that the machine's load falls on every column alike.
            platform::profile::ClearCache();
            before = platform::profile::ReadCountersForTesting();
            ours.push_back(Time([&] { g_sink = ReadCatalogue(cat.win.c_str()); }));
            warm.push_back(Time([&] { g_sink = ReadCatalogue(cat.win.c_str()); }));
            after = platform::profile::ReadCountersForTesting();

            platform::profile::UseChangeWatchForTesting(false);
            platform::profile::ClearCache();
            statOnly.push_back(Time([&] { g_sink = ReadCatalogue(cat.win.c_str()); }));
            platform::profile::UseChangeWatchForTesting(true);

            floor.push_back(Time([&] {
                struct stat st {};
                long sum = 0;
                for (long i = 0; i < reads; ++i) sum += stat(cat.host.c_str(), &st) == 0 ? st.st_size & 1 : 0;
                g_sink = sum;
            }));
            parse.push_back(Time([&] {
                std::ifstream in(cat.host, std::ios::binary);
                std::stringstream s;
                s << in.rdbuf();
                platform::profile::ProfileFile file(s.str());
                g_sink = static_cast<long>(file.Sections().size());
            }));
        }
        double o = bench::Median(ours), w = bench::Median(warm), so = bench::Median(statOnly), f = bench::Median(floor),
               p = bench::Median(parse);
        double byWatch = double(after.watched - before.watched) / double(2 * reads);
        std::printf("%7d %9ld %8.2f | %9.1f %9.1f %9.1f %9.1f %9.1f | %7.2f %7.2f %7.2f | %.4f\n", sets, reads,
                    static_cast<double>(cat.bytes) / 1e6, o, w, so, f, p, o / f, w / f, so / f, byWatch);
        std::printf("%7s %9s %8s | ours/parse %.1f, %.3f us a read (stat floor %.3f us); checked %llu, resolved %llu\n",
                    "", "", "", o / p, o * 1000 / static_cast<double>(reads), f * 1000 / static_cast<double>(reads),
                    static_cast<unsigned long long>(after.checked - before.checked),
                    static_cast<unsigned long long>(after.resolved - before.resolved));
    }
    return 0;
}
