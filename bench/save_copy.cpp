// A save through the transfer engine against `cp -r` + `sync` of the same trees,
// on the same disk, and a register of 2,000 files back: 2,000 files of 4 KiB in
// 10 data sets, 20,000 files of 1 KiB in 10, 4,000 files in one folder, one
// 512 MiB file, and a second save of the unchanged 2,000 files. Each runs with its
// read-back verification (the default) against cp -r + sync + the copy evicted
// from the page cache (vmtouch -e) + diff -r, and without it against cp -r + sync,
// watched by a progress observer and a cancel flag as the dialog runs it.
// Usage:
//   bench_save_copy [work folder on the disk to measure] [rounds] [small|tiny|folder|large|resave|register]
//   bench_save_copy --make WORK FOLDERS FILES SIZE   a prefix in WORK whose C:\SYS holds FOLDERS
//                                                    folders of FILES files of SIZE bytes
//   bench_save_copy --save WORK verify|plain         one save of it (for strace and peak memory)
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/save_trees.h"
#include "transfer/transfer_engine.h"

namespace fs = std::filesystem;

namespace {

class QuietHost : public TransferHost {
public:
    bool IsSystemRowSelected(int) const override { return true; }
    bool IsExternalRowSelected(int) const override { return true; }
    std::string FolderName() const override { return "BENCH"; }
    std::optional<platform::DriveLetter> CurrentDrive() const override {
        return platform::DriveLetter::FromLetter('E');
    }
    MsgAnswer ShowMessage(const UserMessage& m) override {
        std::fprintf(stderr, "message: %s\n", m.text.c_str());
        failed = true;
        return MsgAnswer::Ok;
    }
    void ProcessPendingEvents() override {}
    void SetTransferBusy(bool) override {}
    TransferObserver* Observer() override { return &observer; }
    const std::atomic<bool>* CancelFlag() override { return &cancel; }
    bool failed = false;
    TransferObserver observer;
    std::atomic<bool> cancel{false};
};

CatalogueEntry Entry(const std::string& folder) {
    CatalogueEntry e;
    e.SetPath(folder);
    e.SetBackupPath("\\" + folder);
    e.nameCount = 1;
    e.SetNames(0, "\\*.dat");
    e.folderCount = 1;
    return e;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Clean(const fs::path& p) {
    fs::remove_all(p);
    ::sync();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Case {
    const char* name;
    std::vector<CatalogueEntry> catalogue;
    fs::path sourceDir;  // host folder of the system root (C:\SYS)
};

// A prefix in `work` with drives C: and E:, made the current one.
void MakePrefix(const fs::path& work) {
    fs::create_directories(work / "dosdevices");
    fs::create_directories(work / "drive_c/windows");
    fs::create_directories(work / "drive_e");
    if (!fs::exists(fs::symlink_status(work / "dosdevices/c:")))
        fs::create_directory_symlink("../drive_c", work / "dosdevices/c:");
    if (!fs::exists(fs::symlink_status(work / "dosdevices/e:")))
        fs::create_directory_symlink("../drive_e", work / "dosdevices/e:");
    ::setenv("WINEPREFIX", work.c_str(), 1);
}

TransferContext Context(const Case& c, DemInitData& init, bool verify, Direction direction) {
    static std::vector<int32_t> presence;
    presence.assign(c.catalogue.size(), 1);
    TransferContext context;
    context.verify = verify;
    context.systemRoot = direction == Direction::Save ? "C:\\SYS" : "C:\\REG";
    context.externalRoot = "E:\\PARC_JDT";
    context.dataCount = static_cast<int32_t>(c.catalogue.size());
    context.catalogue = c.catalogue.data();
    context.presence = presence.data();
    context.docInit = &init;
    context.files = ProductFiles{"JDTKANRI.JYO", "JKNDT.INI", "PARC_JDT", "Quillmark.Tmp"};
    return context;
}

// One save of the whole catalogue into E:\PARC_JDT\BENCH (or a register from it
// into C:\REG), timed from the list to the last flush.
double Run(const Case& c, DemInitData& init, bool verify, Direction direction = Direction::Save,
           uint32_t* unchanged = nullptr) {
    const TransferContext context = Context(c, init, verify, direction);
    TransferEngine engine;
    QuietHost host;
    const auto start = std::chrono::steady_clock::now();
    if (!engine.BuildTransferList(direction, context, host)) std::exit(1);
    const TransferResult result = engine.RunTransfer(direction, context, host);
    const double s = Seconds(std::chrono::steady_clock::now() - start);
    if (host.failed || result.rows != engine.FileCount() || engine.FileCount() == 0) {
        std::fprintf(stderr, "transfer failed\n");
        std::exit(1);
    }
    if (unchanged) *unchanged = result.unchanged;
    return s;
}

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// cp -r of the case's folders (below `from`) into `target`, then sync; with
// `verify`, as a careful user checks by hand: the copy evicted from the page
// cache and compared with diff -r.
double TimeCp(const Case& c, const fs::path& from, const fs::path& target, bool verify) {
    fs::create_directories(target);
    std::string command = "cp -r";
    for (const auto& e : c.catalogue) command += " " + Quoted(from / e.path());
    command += " " + Quoted(target) + " && sync";
    if (verify) {
        command += " && vmtouch -qe " + Quoted(target);
        for (const auto& e : c.catalogue)
            command += " && diff -r " + Quoted(from / e.path()) + " " + Quoted(target / e.path());
    }
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::exit(1);
    const double s = Seconds(std::chrono::steady_clock::now() - start);
    Clean(target);
    return s;
}

void MakeFolders(Case& c, std::mt19937& random, const char* prefix, int sets, int files, size_t size) {
    for (const std::string& folder : bench::MakeFolders(c.sourceDir, random, prefix, sets, files, size))
        c.catalogue.push_back(Entry(folder));
}

// The case of every folder below C:\SYS, in name order.
Case FoldersOf(const fs::path& sys) {
    Case c{"", {}, sys};
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(sys))
        if (e.is_directory()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) c.catalogue.push_back(Entry(n));
    return c;
}

int MakeMode(int argc, char** argv) {
    if (argc < 6) return 2;
    const fs::path work = argv[2];
    MakePrefix(work);
    Case c{"", {}, work / "drive_c/SYS"};
    std::mt19937 random(42);
    MakeFolders(c, random, "D", std::atoi(argv[3]), std::atoi(argv[4]), static_cast<size_t>(std::atol(argv[5])));
    ::sync();
    return 0;
}

int SaveMode(int argc, char** argv) {
    if (argc < 4) return 2;
    const fs::path work = argv[2];
    MakePrefix(work);
    const Case c = FoldersOf(work / "drive_c/SYS");
    DemInitData init{};
    init.value16 = 0x1211;
    const double s = Run(c, init, std::strcmp(argv[3], "verify") == 0);
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("saved in %.3f s, peak RSS %ld KiB\n", s, usage.ru_maxrss);
    return 0;
}

struct Timings {
    std::vector<double> verified, plain, cpVerified, cp;
    void Print(const char* name) const {
        const double v = Median(verified), o = Median(plain), kv = Median(cpVerified), k = Median(cp);
        std::printf("%-42s cp -r + sync %8.3f s   + evict + diff -r %8.3f s\n", name, k, kv);
        std::printf("%-42s verified %8.3f s  ratio %.2f    unverified %8.3f s  ratio %.2f\n", "", v, v / kv, o, o / k);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--make") == 0) return MakeMode(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--save") == 0) return SaveMode(argc, argv);
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::string tmpl = (base / "save-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    const fs::path work = tmpl;
    MakePrefix(work);
    const fs::path sys = work / "drive_c/SYS";
    const fs::path driveE = work / "drive_e";
    const fs::path saved = driveE / "PARC_JDT/BENCH";
    const std::string only = argc > 3 ? argv[3] : "";
    auto wanted = [&](const char* key) { return only.empty() || only == key; };

    std::mt19937 random(42);
    Case small{"2,000 files of 4 KiB in 10 data sets", {}, sys};
    MakeFolders(small, random, "SMALL", 10, 200, 4096);
    Case tiny{"20,000 files of 1 KiB in 10 data sets", {}, sys};
    if (wanted("tiny")) MakeFolders(tiny, random, "TINY", 10, 2000, 1024);
    Case folder{"4,000 files of 1 KiB in one folder", {}, sys};
    if (wanted("folder")) MakeFolders(folder, random, "ONE", 1, 4000, 1024);
    Case large{"one file of 512 MiB", {Entry("LARGE")}, sys};
    if (wanted("large")) {
        bench::MakeLargeFile(sys / "LARGE/big.dat", random, 512);
    }
    ::sync();

    DemInitData init{};
    init.value16 = 0x1211;
    std::printf("work folder: %s, %d rounds, median times\n", work.c_str(), rounds);
    const std::pair<const char*, const Case*> cases[] = {
        {"small", &small}, {"tiny", &tiny}, {"folder", &folder}, {"large", &large}};
    for (const auto& [key, c] : cases) {
        if (!wanted(key)) continue;
        Timings t;
        for (int r = 0; r < rounds; ++r) {
            t.verified.push_back(Run(*c, init, true));
            Clean(driveE / "PARC_JDT");
            t.plain.push_back(Run(*c, init, false));
            Clean(driveE / "PARC_JDT");
            t.cp.push_back(TimeCp(*c, sys, driveE / "cp", false));
            t.cpVerified.push_back(TimeCp(*c, sys, driveE / "cp", true));
        }
        t.Print(c->name);
    }
    if (wanted("resave")) {
        // The second save of a set that has not changed since the first.
        Timings t;
        uint32_t unchanged = 0;
        for (int r = 0; r < rounds; ++r) {
            Run(small, init, false);
            ::sync();
            t.verified.push_back(Run(small, init, true, Direction::Save, &unchanged));
            t.plain.push_back(Run(small, init, false, Direction::Save, &unchanged));
            Clean(driveE / "PARC_JDT");
            t.cp.push_back(TimeCp(small, sys, driveE / "cp", false));
            t.cpVerified.push_back(TimeCp(small, sys, driveE / "cp", true));
        }
        t.Print("second save of the 2,000 unchanged files");
        std::printf("%-42s unchanged rows %u; verified / full cp -r + sync %.2f, unverified %.2f\n", "", unchanged,
                    Median(t.verified) / Median(t.cp), Median(t.plain) / Median(t.cp));
    }
    if (wanted("register")) {
        // The 2,000 files saved once, then registered into a fresh C:\REG each time.
        Run(small, init, false);
        ::sync();
        Timings t;
        for (int r = 0; r < rounds; ++r) {
            t.verified.push_back(Run(small, init, true, Direction::Register));
            Clean(work / "drive_c/REG");
            t.plain.push_back(Run(small, init, false, Direction::Register));
            Clean(work / "drive_c/REG");
            t.cp.push_back(TimeCp(small, saved, work / "drive_c/REG", false));
            t.cpVerified.push_back(TimeCp(small, saved, work / "drive_c/REG", true));
        }
        t.Print("register of the 2,000 files of 4 KiB");
    }
    fs::remove_all(work);
    return 0;
}
