// Opening and reading a reader's input file. Every file a reader takes is untrusted, so it is
// opened without blocking (a FIFO or a device never stalls the program), anything that is not a
// regular file is refused, and so is a file larger than its format can sensibly be, all before a
// byte is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest composition or scene file read.
constexpr uint64_t kMaxDocumentBytes = 256ull << 20;

// The reason given when the file cannot be opened at all (missing, no permission); every other
// reason is a refusal of a file that is there.
extern const char* const kCannotOpenFile;

// Opens path (the system's byte string) read-only. On success *fd is a blocking descriptor of a
// regular file of *size bytes (at most maxBytes) for the caller to close. Otherwise *error says
// why: "cannot open the file", "not a regular file", "the file is larger than N MB".
bool OpenRegularFile(const std::string& path, uint64_t maxBytes, int* fd, uint64_t* size, std::string* error);

// Up to count bytes from the file's byte `offset` on, whatever the descriptor's own position (so
// two readers of one file never disturb each other). The bytes read; 0 at the end, -1 on failure.
int64_t ReadFileAt(int fd, void* out, size_t count, uint64_t offset);
// A second descriptor of the same open file (for another reader to own), or -1.
int DuplicateFile(int fd);
void CloseFile(int fd);

// The whole file, checked as OpenRegularFile does.
bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>* bytes, std::string* error);

// The refusal of a file larger than maxBytes: "the file is larger than N MB" (or N bytes).
std::string FileTooLarge(uint64_t maxBytes);

// How every reader words a problem in its file: "<path>: <problem>", and with the byte where the
// problem was found, "<path>: <problem> at byte <offset>".
std::string FileProblem(const std::string& path, const std::string& problem);
std::string FileProblemAt(const std::string& path, const std::string& problem, uint64_t offset);
