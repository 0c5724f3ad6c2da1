// Running our own programs from tests: virelle-tools (its path comes from VIRELLE_TOOLS) and the
// virelle binary built beside it, through the shell, with stdout captured.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
    int status = -1;  // the exit status; -1 when the program did not start or died of a signal
    std::string out;  // stdout, and stderr too when asked for
};

struct RunSettings {
    std::string dir;          // the working folder; the test's own when empty
    std::string environment;  // "NAME=value ..." put before the command
    bool withStderr = false;  // stderr into `out`; otherwise it is dropped
};

// VIRELLE_TOOLS when that file exists, otherwise empty (tests skip then).
std::string ToolsPath();
// The virelle binary beside virelle-tools, or empty.
std::string VirellePath();

// Runs `program` with `args` (shell words, not quoted for you).
ToolRun RunProgram(const std::string& program, const std::string& args, const RunSettings& settings);
// Runs virelle-tools with `args` in `dir` (the test's own folder when empty), stderr dropped;
// status -1 when it is not built.
ToolRun RunTool(const std::string& args, const std::string& dir = "");

// A program started beside the test, which waits for it (or kills it) by its process id.
struct SpawnSettings {
    std::vector<std::string> environment;  // "NAME=value", in place of an inherited NAME
    std::vector<std::string> leftOut;      // inherited variables starting with one of these are dropped
    std::string output = "/dev/null";      // stdout and stderr
    std::string dir;                       // the working folder; the test's own when empty
    int fd3 = -1;                          // becomes the program's fd 3 when given
};
// Starts args[0] (looked up on PATH) with the arguments after it; -1 when it cannot be started.
int SpawnProgram(std::vector<std::string> args, const SpawnSettings& settings);
