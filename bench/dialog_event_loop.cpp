// How long the main dialog's event loop goes unserved while a save runs. The
// dialog is built on an installation whose system tree holds the save cases of
// bench_save_copy (2,000 files of 4 KiB in 10 data sets, 20,000 of 1 KiB in 10,
// 4,000 in one folder, one file of 512 MiB), and a stick E:. Each case selects
// its data sets, presses 保存 (or 再登録) through the dialog's own handler with
// every box answered OK by script, and measures from the press to the handler's
// return, verified and unverified:
//   - a 10 ms timer stamps each turn of the loop (whichever loop is running):
//     the longest gap between two stamps, the 99th percentile, the gaps over 100 ms;
//   - "held": every event's delivery and the dispatcher's aboutToBlock marked, the
//     longest stretch between two marks that was not a wait (one handler's file work).
// Also a second save of the 2,000 unchanged files, and a register of 2,000 files
// that differ from the system's (with its restore point). Goal: no gap of 100 ms.
//
// Run: build/plain/bench/bench_dialog_event_loop [work folder] [rounds] [small|tiny|folder|large|resave|register]
// (offscreen unless QT_QPA_PLATFORM is set; xvfb-run -a with QT_QPA_PLATFORM=xcb for a real X server)
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/maintenance_dlg.h"
#include "app/settings_tool_app.h"
#include "bench/bench_support.h"
#include "bench/save_trees.h"
#include "controls/data_list_ctrl.h"
#include "controls/drive_combo_box.h"
#include "dialogs/message_box.h"
#include "platform/cp932.h"
#include "resources/deliverable.h"
#include "tests/app/maintenance_dlg_probe.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
using Probe = CMaintenanceDlgTestProbe;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

constexpr int kTickMs = 10;
constexpr double kGoalMs = 100;

// The data sets of the catalogue: one per folder below C:\ORBIS\SYSDATA, in order.
struct Layout {
    std::vector<std::string> small, tiny, folder, large;
    std::vector<std::string> All() const {
        std::vector<std::string> all;
        for (const auto* part : {&small, &tiny, &folder, &large}) all.insert(all.end(), part->begin(), part->end());
        return all;
    }
};

// A prefix in `work`: drive C: with the suite and the trees, a stick E:, and the
// program's own settings and restore points inside `work`.
fs::path MakePrefix(const fs::path& work, const Layout& layout) {
    bench::MakeSuiteDrive(work.string());
    fs::create_directories(work / "drive_e/PARC_JDT");
    fs::create_directory_symlink("../drive_e", work / "dosdevices/e:");
    bench::WriteCp932(work / "system.reg",
                      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
                      "[Software\\\\Wine\\\\Drives] 1700000000\n#time=1d9c0000000000\n\"E:\"=\"floppy\"\n\n");
    const std::vector<std::string> sets = layout.All();
    std::ostringstream ini;
    ini << "[データ数]\r\nMAX=" << sets.size() << "\r\n[データ名称]\r\n";
    for (size_t i = 0; i < sets.size(); ++i) ini << i << "=" << sets[i] << "\r\n";
    for (size_t i = 0; i < sets.size(); ++i)
        ini << "[" << i << "]\r\nTYPE=0\r\nTYPEINDEX=0\r\nPATH=\\" << sets[i] << "\r\nBPATH=\\" << sets[i]
            << "\r\nCNT=1\r\nNAME0=\\*.dat\r\nCNT2=1\r\nDIRECT0=\r\n";
    bench::WriteCp932(work / "drive_c/ORBIS/SYSDATA/SYSTEM" / QuillmarkDeliverable().files.catalogueFile, ini.str());
    ::setenv("WINEPREFIX", work.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    return work / "drive_c/ORBIS/SYSDATA";
}

void WriteSettings(const fs::path& work, bool verify) {
    bench::WriteCp932(work / "config/quillmark/settings.ini",
                      std::string("[General]\r\nVerify=") + (verify ? "1" : "0") + "\r\n");
}

// What one press cost the event loop.
struct Sample {
    std::vector<double> gaps;  // between two turns of the loop, ms
    double longestAt = 0;      // where the longest gap began, seconds after the press
    double longestAway = 0;    // the longest stretch the thread kept the loop from running, ms
    double wallSeconds = 0;
    double Longest() const { return gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end()); }
    void Add(double gapMs, double beganSeconds) {
        if (gapMs > Longest()) longestAt = beganSeconds;
        gaps.push_back(gapMs);
    }
    double Percentile99() const {
        if (gaps.empty()) return 0;
        std::vector<double> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    }
    long Over(double ms) const {
        return std::count_if(gaps.begin(), gaps.end(), [ms](double g) { return g > ms; });
    }
};

// Marks every point at which the loop had the thread: an event's delivery begins
// or ends, the dispatcher goes to wait. The longest stretch between two marks that
// was not a wait is the longest the thread kept the loop from running (one
// handler's file work, one reload ...), whatever loop was running.
class WatchedApplication : public QApplication {
public:
    WatchedApplication(int& argc, char** argv) : QApplication(argc, argv) {
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { Mark(true); });
    }
    bool notify(QObject* receiver, QEvent* event) override {
        Mark(false);
        const bool handled = QApplication::notify(receiver, event);
        Mark(false);
        return handled;
    }
    void Reset() {
        m_longest = 0;
        m_last = Clock::now();
        m_waiting = false;
    }
    double Longest() const { return m_longest; }

private:
    void Mark(bool waiting) {
        const Clock::time_point now = Clock::now();
        if (!m_waiting) m_longest = std::max(m_longest, Ms(now - m_last));
        m_last = now;
        m_waiting = waiting;
    }
    double m_longest = 0;
    Clock::time_point m_last = Clock::now();
    bool m_waiting = false;
};

// Posts `press` as the user's click would come, and serves the loop until it returns.
Sample Measure(const std::function<void()>& press) {
    Sample sample;
    Clock::time_point last{}, start{};
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        sample.Add(Ms(now - last), Ms(last - start) / 1000);
        last = now;
    });
    QEventLoop outer;
    auto* app = static_cast<WatchedApplication*>(QCoreApplication::instance());
    QTimer::singleShot(0, &outer, [&] {
        start = last = Clock::now();
        app->Reset();
        tick.start();
        press();
        const Clock::time_point end = Clock::now();
        sample.Add(Ms(end - last), Ms(last - start) / 1000);
        sample.longestAway = app->Longest();
        sample.wallSeconds = Ms(end - start) / 1000;
        tick.stop();
        outer.quit();
    });
    outer.exec();
    return sample;
}

class Bench {
public:
    Bench(const fs::path& work, const fs::path& sysdata, const Layout& layout)
        : m_work(work), m_sysdata(sysdata), m_layout(layout), m_dialog(D()), m_script([this](const UserMessage& m) {
              return Answer(m);
          }) {
        m_dialog.show();
        auto* drives = qobject_cast<CDriveComboBox*>(m_dialog.GetDlgItem(D().ids.comboDrive));
        const int index = drives ? drives->FindDrive(platform::DriveLetter::FromLetter('E')) : -1;
        if (index < 0) Fail("no drive E: in the box");
        drives->SetCurSel(index);
        emit drives->activated(index);  // what a click on the entry sends
    }

    void RunCase(const std::string& key, bool verify, int round) {
        ResetFolder();
        Sample sample;
        if (key == "resave") {
            Save(m_layout.small, false);
            sample = Save(m_layout.small, verify);
        } else if (key == "register") {
            Save(m_layout.small, false);
            // The system's copies differ from the saved ones: all 2,000 are replaced.
            std::mt19937 random(static_cast<unsigned>(1000 + round));
            bench::MakeFolders(m_sysdata, random, "SMALL", 10, 200, 4096);
            ::sync();
            sample = Register(m_layout.small.size(), verify);
            fs::remove_all(m_work / "data");
        } else {
            sample = Save(Sets(key), verify);
        }
        Print(key, verify, sample);
    }

private:
    static const Deliverable& D() { return QuillmarkDeliverable(); }
    [[noreturn]] static void Fail(const std::string& what) {
        std::fprintf(stderr, "%s\n", what.c_str());
        std::exit(1);
    }

    MsgAnswer Answer(const UserMessage& m) {
        // Only the confirmations are expected; anything else means the run went wrong.
        if (m.icon != MsgIcon::Question) Fail("message: " + platform::Cp932ToUtf8(m.text));
        return MsgAnswer::Ok;
    }

    const std::vector<std::string>& Sets(const std::string& key) const {
        if (key == "tiny") return m_layout.tiny;
        if (key == "folder") return m_layout.folder;
        if (key == "large") return m_layout.large;
        return m_layout.small;
    }

    CDataListCtrl* List(int id) { return qobject_cast<CDataListCtrl*>(m_dialog.GetDlgItem(id)); }

    void Select(CDataListCtrl* list, size_t first, size_t count) {
        for (int row = 0; row < list->GetItemCount(); ++row) {
            const size_t r = static_cast<size_t>(row);
            list->SetRowSelected(row, r >= first && r < first + count);
        }
        QApplication::processEvents();
    }

    void Press(int id) {
        auto* button = qobject_cast<QPushButton*>(m_dialog.GetDlgItem(id));
        if (!button || !button->isEnabled()) Fail("button " + std::to_string(id) + " cannot be pressed");
        button->click();
    }

    // An empty maintenance folder BENCH, chosen in the folder box.
    void ResetFolder() {
        const fs::path folder = m_work / "drive_e" / D().files.externalRoot / "BENCH";
        fs::remove_all(folder);
        std::string index = "[データ存在フラグ]\r\n";
        for (size_t i = 0; i < m_layout.All().size(); ++i) index += std::to_string(i) + "=0\r\n";
        bench::WriteCp932(folder / D().files.indexFile, index + "[データ存在数]\r\nMAX=0\r\n");
        ::sync();
        Probe(m_dialog).RefreshPane(Pane::External);
        auto* folders = qobject_cast<QComboBox*>(m_dialog.GetDlgItem(D().ids.comboFolder));
        const int at = folders ? folders->findText(QStringLiteral("BENCH")) : -1;
        if (at < 0) Fail("no folder BENCH in the box");
        folders->setCurrentIndex(at);
        emit folders->activated(at);
    }

    Sample Save(const std::vector<std::string>& sets, bool verify) {
        const std::vector<std::string> all = m_layout.All();
        const size_t first = static_cast<size_t>(std::find(all.begin(), all.end(), sets.front()) - all.begin());
        WriteSettings(m_work, verify);
        Select(List(D().ids.listSystem), first, sets.size());
        const Sample sample = Measure([this] { Press(D().ids.save); });
        CloseOutcome();
        if (List(D().ids.listExternal)->GetItemCount() < static_cast<int>(sets.size())) Fail("save incomplete");
        return sample;
    }

    // The external list holds only the 2,000 files' sets, in catalogue order.
    Sample Register(size_t sets, bool verify) {
        WriteSettings(m_work, verify);
        Select(List(D().ids.listExternal), 0, sets);
        const Sample sample = Measure([this] { Press(D().ids.registerButton); });
        CloseOutcome();
        return sample;
    }

    void CloseOutcome() {
        if (CProgressDlg* window = Probe(m_dialog).ProgressWindow()) window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

    static void Print(const std::string& key, bool verify, const Sample& s) {
        std::printf("%-9s %-10s | %9.1f %7.3f %9.1f %6ld | %9.1f | %8.3f\n", key.c_str(),
                    verify ? "verified" : "unverified", s.Longest(), s.longestAt, s.Percentile99(), s.Over(kGoalMs),
                    s.longestAway, s.wallSeconds);
        std::fflush(stdout);
    }

    fs::path m_work, m_sysdata;
    const Layout& m_layout;
    CMaintenanceDlg m_dialog;
    ScopedMessageBoxScript m_script;
};

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const std::string only = argc > 3 ? argv[3] : "";
    std::string tmpl = (base / "event-loop-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    const fs::path work = tmpl;

    // The trees first (one seed, as bench_save_copy makes them), then the catalogue naming them.
    const fs::path sysdata = work / "drive_c/ORBIS/SYSDATA";
    std::mt19937 random(42);
    Layout layout;
    layout.small = bench::MakeFolders(sysdata, random, "SMALL", 10, 200, 4096);
    layout.tiny = bench::MakeFolders(sysdata, random, "TINY", 10, 2000, 1024);
    layout.folder = bench::MakeFolders(sysdata, random, "ONE", 1, 4000, 1024);
    bench::MakeLargeFile(sysdata / "LARGE/big.dat", random, 512);
    layout.large = {"LARGE"};
    MakePrefix(work, layout);
    ::sync();

    int appArgc = 1;
    WatchedApplication app(appArgc, argv);
    PrepareApplication(QuillmarkDeliverable());
    std::printf("work folder %s, platform %s, %d round(s); gaps between turns of the loop (%d ms timer), ms\n",
                work.c_str(), qPrintable(QApplication::platformName()), rounds, kTickMs);
    std::printf("%-9s %-10s | %9s %7s %9s %6s | %9s | %8s\n", "case", "", "longest", "at s", "p99", ">100ms", "held",
                "wall s");
    {
        Bench bench(work, sysdata, layout);
        for (int r = 0; r < rounds; ++r)
            for (const char* key : {"small", "tiny", "folder", "large", "resave", "register"}) {
                if (!only.empty() && only != key) continue;
                for (bool verify : {true, false}) bench.RunCase(key, verify, r);
            }
    }
    fs::remove_all(work);
    return 0;
}
