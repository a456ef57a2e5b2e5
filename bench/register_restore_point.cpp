// A register of every data set of the demo's maintenance folder "2026年12月点検"
// into the demo installation, with the restore point kept first and without it,
// alternating in one run. Usage:
//   bench_register_restore_point [work folder on the disk to measure] [rounds]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/folder_index_file.h"
#include "catalogue/system_catalogue.h"
#include "host/orbis_ini.h"
#include "platform/cp932.h"
#include "transfer/undo_register.h"

namespace fs = std::filesystem;

namespace {

class QuietHost : public OperationHost {
public:
    bool IsSystemRowSelected(int) const override { return false; }
    bool IsExternalRowSelected(int) const override { return true; }
    std::string FolderName() const override { return folder; }
    std::optional<platform::DriveLetter> CurrentDrive() const override {
        return platform::DriveLetter::FromLetter('E');
    }
    MsgAnswer ShowMessage(const UserMessage& m) override {
        std::fprintf(stderr, "message: %s\n", platform::Cp932ToUtf8(m.text).c_str());
        failed = true;
        return MsgAnswer::Ok;
    }
    void ProcessPendingEvents() override {}
    void SetTransferBusy(bool) override {}
    void SetFolderName(const std::string&) override {}
    void ClearExternalRoot() override {}
    void RefreshPane(Pane) override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    std::string folder = platform::Utf8ToCp932("2026年12月点検");
    bool failed = false;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    std::string tmpl = (base / "register-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    const fs::path work = tmpl;
    const std::string command =
        std::string("'") + DEMO_SCRIPT + "' '" + (work / "prefix").string() + "' '" + DEMDOC_BIN + "' >/dev/null";
    if (std::system(command.c_str()) != 0) return 1;
    ::setenv("WINEPREFIX", (work / "prefix").c_str(), 1);
    fs::current_path(work / "prefix/drive_c");

    OrbisIni ini;
    LoadedCatalogue catalogue =
        SystemCatalogue::Load(ini.GetOrbisPath(0x10000), ini.GetOrbisPath(0x10003), "JDTKANRI.JYO");
    QuietHost host;
    const std::string index = "E:\\PARC_JDT\\" + host.folder + "\\JKNDT.INI";
    for (int32_t i = 0; i < catalogue.count; ++i)
        catalogue.presence[static_cast<size_t>(i)] = FolderIndexFile::IsPresent(index, i);

    DemInitData init{};
    init.value16 = 0x1211;
    TransferContext context;
    context.systemRoot = catalogue.systemPath;
    context.externalRoot = "E:\\PARC_JDT";
    context.dataCount = catalogue.count;
    context.catalogue = catalogue.entries.get();
    context.presence = catalogue.presence.get();
    context.docInit = &init;
    context.files = ProductFiles{"JDTKANRI.JYO", "JKNDT.INI", "PARC_JDT", "Quillmark.Tmp"};
    const std::string points = (work / "restore-points").string();

    TransferEngine engine;
    auto registerOnce = [&](bool keep) {
        context.restoreRoot = keep ? points : "";
        const auto start = std::chrono::steady_clock::now();
        if (!engine.BuildTransferList(Direction::Register, context, host)) std::exit(1);
        if (!KeepRestorePoint(engine, context, context.externalRoot + "\\" + host.folder, host)) std::exit(1);
        if (engine.RunTransfer(Direction::Register, context, host).rows != engine.FileCount() || host.failed)
            std::exit(1);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    registerOnce(false);  // warm the caches alike for both
    std::vector<double> with, without;
    for (int r = 0; r < rounds; ++r) {
        with.push_back(registerOnce(true));
        without.push_back(registerOnce(false));
    }
    const double w = Median(with), o = Median(without);
    std::printf("work folder: %s, %d rounds, %u files per register, median times\n", work.c_str(), rounds,
                engine.FileCount());
    std::printf("register without restore point %8.4f s\n", o);
    std::printf("register with restore point    %8.4f s   ratio %.2f\n", w, w / o);
    fs::current_path(base);
    fs::remove_all(work);
    return 0;
}
