// Writing a file so that a reader sees either the old file or the new one, never part of one: the
// bytes go to a hidden temporary name in the same folder (so the last step stays on one file
// system) and the temporary file is renamed over the target only once every byte is written. A
// failure removes the temporary file and gives the reason in the system's words ("No space left
// on device"); the target is then as it was.
#pragma once

#include <cstddef>
#include <string>

// Where `path` is written until it is complete: ".NAME.partial-PID" beside it.
std::string TemporaryPathFor(const std::string& path, long processId);
// The writer's process number in a temporary file's name, or -1 for a name that is not one.
long PendingWriterOf(const std::string& name);

// A file being written under its temporary name. Gone when this goes, unless Commit put it in place.
class PendingFile {
public:
    explicit PendingFile(std::string target);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Each returns false with the reason in *why; the temporary file is then removed.
    bool Open(std::string* why);  // makes the temporary file, new and empty
    bool Write(const void* bytes, size_t size, std::string* why);
    bool Commit(std::string* why);  // closes it and renames it over the target

    const std::string& Temporary() const { return temporary; }

private:
    bool Fail(std::string* why);  // errno's reason; removes the temporary file

    std::string target, temporary;
    int fd = -1;          // the C runtime's descriptor on every platform
    bool exists = false;  // the temporary file is ours to remove
};

// The whole of `bytes` as `path`, through a PendingFile.
bool ReplaceFile(const std::string& path, const void* bytes, size_t size, std::string* why);

// For a SIGINT or SIGTERM handler (async-signal-safe): removes the temporary file of the
// PendingFile opened last, while it is still pending.
void RemovePendingFile();

// Removes the temporary files in `folder` whose writer no longer runs (killed part-way); a file
// another running process is writing is left alone.
void RemoveStalePendingFiles(const std::string& folder);
