// Where the show's content (data/, music/) is read from.
//
// Every reader takes its file names relative to the working directory ("data/virelle.cda",
// "music/poa.mp3"). At start-up, before anything loads, the program picks the first folder that holds
// "data/virelle.cda" and makes it the working directory, so every file comes from that one place.
#pragma once

#include <filesystem>
#include <vector>

// The file that marks a folder as holding the show's content.
constexpr const char* contentProbe = "data/virelle.cda";

// The folders searched, in order: the working directory; the program's folder, then its content/
// subfolder (the build folder's layout); then ../share/virelle from the program's folder (an install,
// wherever its prefix was moved). Without a program folder only the working directory.
std::vector<std::filesystem::path> ContentCandidates(const std::filesystem::path& workingDir,
                                                     const std::filesystem::path& programDir);

// The first candidate holding contentProbe as a regular file, or empty when none does.
std::filesystem::path FindContentRoot(const std::vector<std::filesystem::path>& candidates);

// This process's candidates: the current working directory and the program's own folder.
std::vector<std::filesystem::path> ProgramContentCandidates();

// This process's content folder, made canonical; empty when no candidate holds the content.
std::filesystem::path ProgramContentRoot();

// Makes ProgramContentRoot() the working directory and returns it; empty, with the working directory
// unchanged, when there is none, so the loaders report the missing files as they always do.
std::filesystem::path EnterContentRoot();
