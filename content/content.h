// The show's content, made by our own tools: the same bytes on every run.
#pragma once

#include <string>

// Writes dir/data/: the composition "virelle.cda", the three scenes and every image they name.
bool MakeVisualContent(const std::string& dir);
// Writes dir/music/poa.mp3.
bool MakeMusic(const std::string& dir);
