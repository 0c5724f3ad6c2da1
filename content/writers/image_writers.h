// Image file writers for the formats the show's texture loader reads. Each writes its file whole
// under a temporary name and renames it into place (a reader never sees part of one); on failure
// it returns false with the reason in *why, and a file already at `path` is left as it was.
#pragma once

#include <string>

#include "content/writers/image.h"

// 8-bit RGBA or RGB. `fast`: quicker to write and about a third larger (frames of a render).
bool WritePng(const std::string& path, const Image& image, bool withAlpha, std::string* why, bool fast = false);
bool WriteJpeg(const std::string& path, const Image& image, int quality, std::string* why);  // baseline, RGB, no alpha
bool WriteTga(const std::string& path, const Image& image, std::string* why);  // uncompressed 32-bit, with alpha
bool WriteBmp(const std::string& path, const Image& image, std::string* why);  // 24-bit, bottom-up, no alpha
bool WriteDds(const std::string& path, const Image& image,
              std::string* why);  // A8R8G8B8 with its full mip chain (sizes powers of two)
