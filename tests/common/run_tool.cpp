#include "tests/common/run_tool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

extern char** environ;

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

int SpawnProgram(std::vector<std::string> args, const SpawnSettings& settings) {
    std::vector<std::string> env = settings.environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool keep = true;
        for (const std::string& prefix : settings.leftOut) keep = keep && !entry.starts_with(prefix);
        for (const std::string& own : env) keep = keep && !entry.starts_with(own.substr(0, own.find('=') + 1));
        if (keep) env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, settings.output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    if (settings.fd3 >= 0) posix_spawn_file_actions_adddup2(&files, settings.fd3, 3);
    if (!settings.dir.empty()) posix_spawn_file_actions_addchdir_np(&files, settings.dir.c_str());
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    return failed ? -1 : int(pid);
}
