// Start-up from exec to the first painted frame of the main dialog, with catalogues
// of 10, 10,000 and 50,000 data sets, measured in the same run against a plain Qt
// dialog (QDialog + QTreeWidget holding the same rows, no files read): wall time,
// CPU time (user + system, steadier on a busy machine) and peak memory (ru_maxrss)
// of both, medians; then the memory per data set between the smallest and the
// largest size. Goals: CPU at most 2 x the plain dialog at 10,000 sets and 3 x at
// 50,000; under 1 KiB per data set more than the plain dialog.
//
// Run: build/plain/bench/bench_startup_paint [--reps 3] [--sets 10,10000,50000]
// (offscreen unless QT_QPA_PLATFORM is set; the prefix is made under $TMPDIR or /tmp)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings_tool_app.h"
#include "bench/bench_support.h"
#include "resources/deliverable.h"

namespace fs = std::filesystem;

namespace {

int64_t MonotonicNs() {
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// In the child: at the first paint of a window, once that paint is done, print the
// time since the parent's exec and the peak memory, and end.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                int64_t start = std::atoll(std::getenv("BENCH_EXEC_NS"));
                struct rusage ru {};
                getrusage(RUSAGE_SELF, &ru);
                double cpuMs = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
                               static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
                std::printf("%.3f %ld %.3f\n", static_cast<double>(MonotonicNs() - start) / 1e6, ru.ru_maxrss, cpuMs);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

int RunChild(int argc, char** argv, const std::string& mode, int sets) {
    if (mode == "app") {
        CSettingsToolApp app(argc, argv, QuillmarkDeliverable());
        FirstPaint filter;
        qApp->installEventFilter(&filter);
        return app.Run();
    }
    QApplication app(argc, argv);
    FirstPaint filter;
    app.installEventFilter(&filter);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QTreeWidget(&dialog);
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("No"), QStringLiteral("データ名")});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    QList<QTreeWidgetItem*> items;
    items.reserve(sets);
    for (int i = 0; i < sets; ++i)
        items.append(new QTreeWidgetItem({QString::number(i + 1), QString::fromStdString(bench::DataName(i))}));
    list->addTopLevelItems(items);
    layout->addWidget(list);
    layout->addWidget(new QTreeWidget(&dialog));
    dialog.resize(640, 480);
    return dialog.exec();
}

struct Sample {
    double ms = 0;
    long maxRssKiB = 0;
    double cpuMs = 0;  // user + system time of the process: steadier than wall time on a busy machine
};

Sample RunOnce(const char* self, const std::string& mode, int sets, const std::string& prefix) {
    int out[2];
    if (pipe(out) != 0) std::abort();
    std::string setsText = std::to_string(sets);
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("BENCH_EXEC_NS", std::to_string(MonotonicNs()).c_str(), 1);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(self, self, "--child", mode.c_str(), setsText.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Sample s;
    if (std::sscanf(text.c_str(), "%lf %ld %lf", &s.ms, &s.maxRssKiB, &s.cpuMs) != 3) {
        std::fprintf(stderr, "child %s failed: %s\n", mode.c_str(), text.c_str());
        std::exit(1);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) {
        int childArgc = 1;
        return RunChild(childArgc, argv, argv[2], std::atoi(argv[3]));
    }
    int reps = 3;
    std::vector<int> setCounts = {10, 10000, 50000};
    bench::ParseOptions(argc, argv, &reps, &setCounts);
    std::printf("%7s | %9s %9s %6s | %9s %9s %6s | %9s %9s | %s\n", "sets", "app_ms", "plain_ms", "ratio", "app_cpu",
                "plain_cpu", "ratio", "app_MiB", "plain_MiB", "all app runs (ms)");
    struct Row {
        int sets;
        double appRss, plainRss;
    };
    std::vector<Row> rows;
    for (int sets : setCounts) {
        std::string prefix = bench::MakeInstallation(sets);
        std::vector<double> app, plain, appCpu, plainCpu, appRss, plainRss;
        for (int r = 0; r < reps; ++r) {
            // Interleaved, so that the machine's load falls on both alike.
            Sample a = RunOnce(argv[0], "app", sets, prefix);
            Sample p = RunOnce(argv[0], "plain", sets, prefix);
            app.push_back(a.ms);
            plain.push_back(p.ms);
            appCpu.push_back(a.cpuMs);
            plainCpu.push_back(p.cpuMs);
            appRss.push_back(static_cast<double>(a.maxRssKiB) / 1024.0);
            plainRss.push_back(static_cast<double>(p.maxRssKiB) / 1024.0);
        }
        fs::remove_all(prefix);
        std::string all;
        for (double v : app) all += std::to_string(static_cast<int>(v)) + " ";
        double a = bench::Median(app), p = bench::Median(plain);
        rows.push_back({sets, bench::Median(appRss), bench::Median(plainRss)});
        double ac = bench::Median(appCpu), pc = bench::Median(plainCpu);
        std::printf("%7d | %9.1f %9.1f %6.2f | %9.1f %9.1f %6.2f | %9.1f %9.1f | %s\n", sets, a, p, a / p, ac, pc,
                    ac / pc, rows.back().appRss, rows.back().plainRss, all.c_str());
    }
    if (rows.size() >= 2) {
        const Row& small = rows.front();
        const Row& large = rows.back();
        const double extra = large.sets - small.sets;
        const double app = (large.appRss - small.appRss) * 1024 / extra;
        const double plain = (large.plainRss - small.plainRss) * 1024 / extra;
        std::printf(
            "peak memory per data set (%d -> %d sets): app %.2f KiB, plain %.2f KiB, app above plain %.2f KiB\n",
            small.sets, large.sets, app, plain, app - plain);
    }
    return 0;
}
