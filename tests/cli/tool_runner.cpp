#include "tests/cli/tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
}  // namespace

ToolResult RunTool(const ToolRun& run) {
    char outName[] = "/tmp/tool_outXXXXXX";
    char errName[] = "/tmp/tool_errXXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(outFd, 1);
        dup2(errFd, 2);
        for (const std::string& e : run.env) putenv(const_cast<char*>(e.c_str()));
        if (!run.cwd.empty() && chdir(run.cwd.c_str()) != 0) _exit(126);
        if (run.pendingInterrupt) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGINT);
            sigprocmask(SIG_BLOCK, &set, nullptr);
            raise(SIGINT);  // stays pending across exec
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(run.program.c_str()));
        for (const std::string& a : run.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(run.program.c_str(), argv.data());
        _exit(127);
    }
    if (run.whileRunning) run.whileRunning(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    ToolResult result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = Slurp(outName);
    result.err = Slurp(errName);
    close(outFd);
    close(errFd);
    unlink(outName);
    unlink(errName);
    return result;
}

std::string TreeDigest(const std::string& root) {
    namespace fs = std::filesystem;
    std::vector<std::string> lines;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::none);
         it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        const auto status = fs::symlink_status(p);
        std::string line = p.string() + "|" + std::to_string(static_cast<int>(status.type())) + "|";
        if (fs::is_symlink(status)) {
            line += fs::read_symlink(p).string();
            it.disable_recursion_pending();
        } else if (fs::is_regular_file(status)) {
            line += std::to_string(std::hash<std::string>{}(Slurp(p.string())));
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return std::to_string(lines.size()) + ":" + std::to_string(std::hash<std::string>{}(all));
}
