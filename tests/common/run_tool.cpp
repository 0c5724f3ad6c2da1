#include "tests/common/run_tool.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

std::string ToolsPath() {
    const char* tools = std::getenv("VIRELLE_TOOLS");
    return tools && std::filesystem::exists(tools) ? tools : "";
}

std::string VirellePath() {
    const std::string tools = ToolsPath();
    if (tools.empty()) return {};
    const std::filesystem::path path = std::filesystem::path(tools).parent_path() / "virelle";
    return std::filesystem::exists(path) ? path.string() : std::string();
}

ToolRun RunProgram(const std::string& program, const std::string& args, const RunSettings& settings) {
    ToolRun run;
    std::string command;
    if (!settings.dir.empty()) command += "cd '" + settings.dir + "' && ";
    if (!settings.environment.empty()) command += settings.environment + " ";
    command += "'" + program + "' " + args + (settings.withStderr ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ToolRun RunTool(const std::string& args, const std::string& dir) {
    const std::string tools = ToolsPath();
    if (tools.empty()) return {};
    RunSettings settings;
    settings.dir = dir;
    return RunProgram(tools, args, settings);
}
