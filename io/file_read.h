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

// Opens path read-only. On success *fd is a blocking descriptor of a regular file of *size bytes
// (at most maxBytes) for the caller to close. Otherwise *error says why: "cannot open the file",
// "not a regular file", "the file is larger than N MB".
bool OpenRegularFile(const std::string& path, uint64_t maxBytes, int* fd, uint64_t* size, std::string* error);

// The whole file, checked as OpenRegularFile does.
bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>* bytes, std::string* error);

// How every reader words a problem in its file: "<path>: <problem>", and with the byte where the
// problem was found, "<path>: <problem> at byte <offset>".
std::string FileProblem(const std::string& path, const std::string& problem);
std::string FileProblemAt(const std::string& path, const std::string& problem, uint64_t offset);
