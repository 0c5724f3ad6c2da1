// What every platform's pending files share: their names, and writing a whole file through one.
#include "io/file_replace.h"

#include <cstring>
#include <filesystem>

namespace {

constexpr const char* kPartial = ".partial-";

}  // namespace

std::string TemporaryPathFor(const std::string& path, long processId) {
    const std::filesystem::path p(path);
    // Built in place: GCC 12 at -O3 reports a false -Wrestrict for "." + string.
    std::string name = p.filename().string();
    name.insert(name.begin(), '.');
    name += kPartial + std::to_string(processId);
    return (p.parent_path() / name).string();
}

long PendingWriterOf(const std::string& name) {
    const size_t at = name.rfind(kPartial);
    if (name.empty() || name[0] != '.' || at == std::string::npos) return -1;
    const std::string number = name.substr(at + std::strlen(kPartial));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos || number.size() > 9) return -1;
    return std::stol(number);
}

bool ReplaceFile(const std::string& path, const void* bytes, size_t size, std::string* why) {
    PendingFile file(path);
    return file.Open(why) && file.Write(bytes, size, why) && file.Commit(why);
}
