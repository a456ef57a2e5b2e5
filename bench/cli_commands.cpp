// The command line on a catalogue of 10,000 data sets, one file each: `list --json`
// and a `save --all --dry-run --json`, each as a whole process run, against
// `ls -lR` of the same system tree (a process that stats every file once).
// Goal: under 1 second each. Run: build/plain/bench/bench_cli_commands [--reps N] [--sets N]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/bench_support.h"

namespace fs = std::filesystem;

namespace {

// Seconds to run the command to its end, its output thrown away; <0 on failure.
double TimeProcess(const std::vector<std::string>& args) {
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
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 5;
    std::vector<int> counts{10000};
    bench::ParseOptions(argc, argv, &reps, &counts);
    for (int sets : counts) {
        const std::string prefix = bench::MakeInstallation(sets);
        // One file per data set where its catalogue entry looks, and a stick E:.
        for (int i = 0; i < sets; ++i)
            bench::WriteCp932(prefix + "/drive_c/ORBIS/SYSDATA/USERDATA/S" + std::to_string(i) + "/a.D0", "data");
        fs::create_directories(prefix + "/drive_e");
        fs::create_directory_symlink("../drive_e", prefix + "/dosdevices/e:");
        setenv("WINEPREFIX", prefix.c_str(), 1);

        const std::vector<std::vector<std::string>> commands{
            {QUILLMARK_BIN, "list", "--json"},
            {QUILLMARK_BIN, "save", "--drive", "E:", "--all", "--dry-run", "--json"},
            {"ls", "-lR", prefix + "/drive_c/ORBIS"}};
        std::vector<std::vector<double>> times(commands.size());
        for (int r = 0; r < reps; ++r)
            for (size_t c = 0; c < commands.size(); ++c) times[c].push_back(TimeProcess(commands[c]));
        const double reference = bench::Median(times[2]);
        std::printf("%d data sets, %d runs each, prefix under %s\n", sets, reps, prefix.c_str());
        const char* names[] = {"list --json", "save --all --dry-run --json", "ls -lR (reference)"};
        for (size_t c = 0; c < commands.size(); ++c) {
            const double median = bench::Median(times[c]);
            std::printf("  %-30s median %8.1f ms  ratio to reference %5.2f%s\n", names[c], median * 1000,
                        median / reference, median < 0 ? "  FAILED" : "");
        }
        if (!std::getenv("BENCH_KEEP")) fs::remove_all(prefix);
    }
    return 0;
}
