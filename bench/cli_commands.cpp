// The command line on catalogues of 10, 10,000 and 50,000 data sets, one file each:
// `list --json` and a `save --all --dry-run --json`, each as a whole process run,
// against `ls -lR` of the same system tree (a process that stats every file once),
// interleaved in the same run: medians of wall time and of the process's CPU time
// (user + system, steadier on a busy machine). Goal: each at most 1.2 x `ls -lR`.
// Run: build/plain/bench/bench_cli_commands [--reps N] [--sets 10,10000,50000]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace fs = std::filesystem;

namespace {

struct Run {
    double wall = -1;  // seconds to its end; <0 on failure
    double cpu = -1;   // its user + system seconds
};

// One run of the command to its end, its output thrown away.
Run TimeProcess(const std::vector<std::string>& args) {
    std::fflush(stdout);  // else the child's freopen writes our pending lines once more
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout)) _exit(126);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    Run run;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return run;
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
              static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 5;
    std::vector<int> counts{10, 10000, 50000};
    bench::ParseOptions(argc, argv, &reps, &counts);
    std::printf("%7s | %-28s | %9s %6s | %9s %6s\n", "sets", "command", "wall_ms", "ratio", "cpu_ms", "ratio");
    bool failed = false;
    for (int sets : counts) {
        const std::string prefix = bench::MakeInstallation(sets);
        // One file per data set where its catalogue entry looks, and a stick E:.
        for (int i = 0; i < sets; ++i)
            bench::WriteCp932(prefix + "/drive_c/ORBIS/SYSDATA/USERDATA/S" + std::to_string(i) + "/a.D0", "data");
        fs::create_directories(prefix + "/drive_e");
        fs::create_directory_symlink("../drive_e", prefix + "/dosdevices/e:");
        setenv("WINEPREFIX", prefix.c_str(), 1);

        const std::vector<std::vector<std::string>> commands{
            {"ls", "-lR", prefix + "/drive_c/ORBIS"},
            {QUILLMARK_BIN, "list", "--json"},
            {QUILLMARK_BIN, "save", "--drive", "E:", "--all", "--dry-run", "--json"}};
        const char* names[] = {"ls -lR (reference)", "list --json", "save --all --dry-run --json"};
        std::vector<std::vector<double>> wall(commands.size()), cpu(commands.size());
        for (int r = 0; r < reps; ++r) {
            for (size_t c = 0; c < commands.size(); ++c) {
                const Run run = TimeProcess(commands[c]);
                failed |= run.wall < 0;
                wall[c].push_back(run.wall);
                cpu[c].push_back(run.cpu);
            }
        }
        const double refWall = bench::Median(wall[0]), refCpu = bench::Median(cpu[0]);
        for (size_t c = 0; c < commands.size(); ++c) {
            const double w = bench::Median(wall[c]), u = bench::Median(cpu[c]);
            std::printf("%7d | %-28s | %9.1f %6.2f | %9.1f %6.2f\n", sets, names[c], w * 1000, w / refWall, u * 1000,
                        u / refCpu);
        }
        if (failed) std::printf("        some runs FAILED (prefix %s)\n", prefix.c_str());
        if (!std::getenv("BENCH_KEEP")) fs::remove_all(prefix);
    }
    return failed ? 1 : 0;
}
