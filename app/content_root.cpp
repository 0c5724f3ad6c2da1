// The content folder: candidates in order, the first holding the probe file wins.
#include "app/content_root.h"

#include <system_error>

#include "platform/program_path.h"

namespace fs = std::filesystem;

std::vector<fs::path> ContentCandidates(const fs::path& workingDir, const fs::path& programDir) {
    std::vector<fs::path> candidates{workingDir};
    if (!programDir.empty()) {
        candidates.push_back(programDir);
        candidates.push_back(programDir / "content");
        candidates.push_back(programDir.parent_path() / "share" / "virelle");
    }
    return candidates;
}

fs::path FindContentRoot(const std::vector<fs::path>& candidates) {
    for (const fs::path& dir : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(dir / contentProbe, ec)) return dir;
    }
    return {};
}

std::vector<fs::path> ProgramContentCandidates() {
    std::error_code ec;
    const fs::path workingDir = fs::current_path(ec);
    const fs::path program = PlatformProgramPath();
    return ContentCandidates(workingDir.empty() ? fs::path(".") : workingDir, program.parent_path());
}

fs::path ProgramContentRoot() {
    const fs::path root = FindContentRoot(ProgramContentCandidates());
    std::error_code ec;
    const fs::path canonical = root.empty() ? root : fs::canonical(root, ec);
    return ec ? root : canonical;
}

fs::path EnterContentRoot() {
    const fs::path root = ProgramContentRoot();
    if (root.empty()) return {};
    std::error_code ec;
    fs::current_path(root, ec);
    return ec ? fs::path() : root;
}
