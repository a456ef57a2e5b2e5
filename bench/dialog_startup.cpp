// Start-up with a catalogue of 10,000 data sets: constructing the main dialog
// (which reads the whole catalogue) and loading the system list.
// Goal: under 1 second. Run: build/plain/bench/bench_dialog_startup
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "bench/bench_support.h"
#include "controls/data_list_ctrl.h"
#include "platform/cp932.h"
#include "resources/deliverable.h"
#include "tests/app/maintenance_dlg_probe.h"

namespace fs = std::filesystem;

namespace {

using Probe = CMaintenanceDlgTestProbe;

constexpr int kDataSets = 10000;

void BM_ConstructDialogAndLoadSystemList(benchmark::State& state) {
    for (auto _ : state) {
        CMaintenanceDlg dialog(QuillmarkDeliverable());
        Probe(dialog).LoadList(Pane::System);
        if (Probe(dialog).DataCount() != kDataSets) state.SkipWithError("catalogue not read");
    }
}
BENCHMARK(BM_ConstructDialogAndLoadSystemList)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string prefix = bench::MakeInstallation(kDataSets);
    setenv("WINEPREFIX", prefix.c_str(), 1);
    QApplication app(argc, argv);
    PrepareApplication(QuillmarkDeliverable());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(prefix);
    return 0;
}
