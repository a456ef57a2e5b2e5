// Start-up with a catalogue of 10,000 data sets: constructing the main dialog
// (which reads the whole catalogue) and loading the system list.
// Goal: under 1 second. Run: build/plain/bench/bench_dialog_startup
#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "controls/data_list_ctrl.h"
#include "platform/cp932.h"
#include "resources/deliverable.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDataSets = 10000;

void WriteCp932(const fs::path& path, const std::string& utf8) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << platform::Utf8ToCp932(utf8);
}

// A prefix with the suite's settings file and a catalogue of kDataSets data sets.
std::string MakeInstallation() {
    std::string dir = (fs::temp_directory_path() / "bench-startup-XXXXXX").string();
    if (!mkdtemp(dir.data())) std::abort();
    fs::create_directories(dir + "/dosdevices");
    fs::create_directory_symlink("../drive_c", dir + "/dosdevices/c:");
    WriteCp932(dir + "/drive_c/windows/ORBIS.INI",
               "[OrbisPath]\r\n10000=C:\\ORBIS\\SYSDATA\r\n10003=C:\\ORBIS\\SYSDATA\\SYSTEM\r\n"
               "[System]\r\nDataRoot=C:\\ORBIS\\SYSDATA\r\nDocTemp=C:\\ORBIS\\TEMP\r\n");
    std::ostringstream ini;
    ini << "[データ数]\r\nMAX=" << kDataSets << "\r\n[データ名称]\r\n";
    for (int i = 0; i < kDataSets; ++i) ini << i << "=設定データ" << i << "\r\n";
    for (int i = 0; i < kDataSets; ++i) {
        ini << "[" << i << "]\r\nTYPE=" << (i % 7 == 0 ? 2 : 0) << "\r\nTYPEINDEX=" << i % 3 << "\r\nPATH=\\USERDATA\\S" << i
            << "\r\nBPATH=\\USERDATA\\S" << i << "\r\nCNT=3\r\n";
        for (int k = 0; k < 3; ++k) ini << "NAME" << k << "=\\*.D" << k << "\r\n";
        ini << "CNT2=2\r\nDIRECT0=\r\nDIRECT1=\\SUB\r\n";
    }
    WriteCp932(dir + "/drive_c/ORBIS/SYSDATA/SYSTEM/JDTKANRI.JYO", ini.str());
    return dir;
}

void BM_ConstructDialogAndLoadSystemList(benchmark::State& state) {
    for (auto _ : state) {
        CMaintenanceDlg dialog(QuillmarkDeliverable());
        dialog.LoadList(0);
        if (dialog.DataCount() != kDataSets) state.SkipWithError("catalogue not read");
        benchmark::DoNotOptimize(dialog.Catalogue());
    }
}
BENCHMARK(BM_ConstructDialogAndLoadSystemList)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string prefix = MakeInstallation();
    setenv("WINEPREFIX", prefix.c_str(), 1);
    QApplication app(argc, argv);
    PrepareApplication(QuillmarkDeliverable());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(prefix);
    return 0;
}
