// Runs a built program as a script would: no terminal, its own environment,
// standard output and error captured.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

struct ToolResult {
    int code = -1;  // exit code; 128 + signal when killed
    std::string out, err;
};

struct ToolRun {
    std::string program;
    std::vector<std::string> args;
    std::vector<std::string> env;  // "NAME=value" added to the current environment
    std::string cwd;
    bool pendingInterrupt = false;            // start with a SIGINT already waiting
    std::function<void(pid_t)> whileRunning;  // called with the child's id before waiting for it
};

ToolResult RunTool(const ToolRun& run);

// Hash of every path, type and byte under `root` (sorted), to prove nothing changed.
std::string TreeDigest(const std::string& root);
