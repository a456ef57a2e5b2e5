// A save through the transfer engine against `cp -r` + `sync` of the same trees,
// on the same disk: 2,000 files of 4 KiB in 10 data sets, 20,000 files of 1 KiB
// in 20, 4,000 files in one folder, and one 512 MiB file. The save runs with its
// read-back verification (the default) and without it, watched by a progress
// observer and a cancel flag as the dialog runs it.
// Usage: bench_save_copy [work folder on the disk to measure] [rounds] [small|tiny|folder|large]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "transfer/transfer_engine.h"

namespace fs = std::filesystem;

namespace {

class QuietHost : public TransferHost {
public:
    bool IsSystemRowSelected(int) const override { return true; }
    bool IsExternalRowSelected(int) const override { return true; }
    std::string FolderName() const override { return "BENCH"; }
    int CurrentDrive() const override { return 4; }
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

void WriteFile(const fs::path& p, const std::vector<char>& bytes) {
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror(p.c_str());
        std::exit(1);
    }
    ::close(fd);
}

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

// One save of the whole catalogue into E:\PARC_JDT\BENCH.
double TimeSave(const Case& c, DemInitData& init, const fs::path& driveE, bool verify) {
    TransferContext context;
    context.verify = verify;
    context.systemRoot = "C:\\SYS";
    context.externalRoot = "E:\\PARC_JDT";
    context.dataCount = static_cast<int32_t>(c.catalogue.size());
    context.catalogue = c.catalogue.data();
    context.docInit = &init;
    context.files = ProductFiles{"JDTKANRI.JYO", "JKNDT.INI", "PARC_JDT", "Quillmark.Tmp"};
    TransferEngine engine;
    QuietHost host;
    const auto start = std::chrono::steady_clock::now();
    if (engine.BuildTransferList(Direction::Save, context, host) != 1) std::exit(1);
    const uint32_t done = engine.RunTransfer(Direction::Save, context, host).rows;
    const double s = Seconds(std::chrono::steady_clock::now() - start);
    if (host.failed || done != engine.FileCount()) {
        std::fprintf(stderr, "save failed\n");
        std::exit(1);
    }
    Clean(driveE / "PARC_JDT");
    return s;
}

double TimeCp(const Case& c, const fs::path& target) {
    fs::create_directories(target);
    std::string command = "cp -r";
    for (const auto& e : c.catalogue) command += " '" + (c.sourceDir / e.path()).string() + "'";
    command += " '" + target.string() + "' && sync";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) std::exit(1);
    const double s = Seconds(std::chrono::steady_clock::now() - start);
    Clean(target);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::string tmpl = (base / "save-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    const fs::path work = tmpl;
    fs::create_directories(work / "dosdevices");
    fs::create_directories(work / "drive_c/windows");
    fs::create_directories(work / "drive_e");
    fs::create_directory_symlink("../drive_c", work / "dosdevices/c:");
    fs::create_directory_symlink("../drive_e", work / "dosdevices/e:");
    ::setenv("WINEPREFIX", work.c_str(), 1);
    const fs::path sys = work / "drive_c/SYS";

    std::mt19937 random(42);
    auto bytes = [&](size_t n) {
        std::vector<char> v(n);
        for (auto& b : v) b = static_cast<char>(random());
        return v;
    };

    Case small{"2,000 files of 4 KiB in 10 data sets", {}, sys};
    for (int d = 0; d < 10; ++d) {
        const std::string folder = "SMALL" + std::to_string(d);
        fs::create_directories(sys / folder);
        for (int f = 0; f < 200; ++f) WriteFile(sys / folder / ("f" + std::to_string(f) + ".dat"), bytes(4096));
        small.catalogue.push_back(Entry(folder));
    }
    auto manyFiles = [&](Case& c, const char* prefix, int sets, int files, size_t size) {
        for (int d = 0; d < sets; ++d) {
            const std::string folder = prefix + std::to_string(d);
            fs::create_directories(sys / folder);
            for (int f = 0; f < files; ++f) WriteFile(sys / folder / ("f" + std::to_string(f) + ".dat"), bytes(size));
            c.catalogue.push_back(Entry(folder));
        }
    };
    Case tiny{"20,000 files of 1 KiB in 20 data sets", {}, sys};
    manyFiles(tiny, "TINY", 20, 1000, 1024);
    Case folder{"4,000 files of 1 KiB in one folder", {}, sys};
    manyFiles(folder, "ONE", 1, 4000, 1024);
    Case large{"one file of 512 MiB", {Entry("LARGE")}, sys};
    fs::create_directories(sys / "LARGE");
    {
        const std::vector<char> chunk = bytes(1 << 20);
        const int fd = ::open((sys / "LARGE/big.dat").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int i = 0; i < 512; ++i)
            if (::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) return 1;
        ::close(fd);
    }
    ::sync();

    DemInitData init{};
    init.value16 = 0x1211;
    std::printf("work folder: %s, %d rounds, median times\n", work.c_str(), rounds);
    const std::string only = argc > 3 ? argv[3] : "";
    const std::pair<const char*, const Case*> cases[] = {
        {"small", &small}, {"tiny", &tiny}, {"folder", &folder}, {"large", &large}};
    for (const auto& [key, c] : cases) {
        if (!only.empty() && only != key) continue;
        std::vector<double> verified, plain, cp;
        for (int r = 0; r < rounds; ++r) {
            verified.push_back(TimeSave(*c, init, work / "drive_e", true));
            plain.push_back(TimeSave(*c, init, work / "drive_e", false));
            cp.push_back(TimeCp(*c, work / "drive_e/cp"));
        }
        const double v = Median(verified), o = Median(plain), k = Median(cp);
        std::printf("%-40s cp -r + sync %8.3f s\n", c->name, k);
        std::printf("%-40s save, verified %8.3f s   ratio %.2f\n", "", v, v / k);
        std::printf("%-40s save, no verify %7.3f s   ratio %.2f\n", "", o, o / k);
    }
    fs::remove_all(work);
    return 0;
}
