// Image file writers for the formats the show's texture loader reads. Each returns false after a
// message on stderr when the file cannot be written.
#pragma once

#include <string>

#include "content/writers/image.h"

// 8-bit RGBA or RGB. `fast`: quicker to write and about a third larger (frames of a render).
bool WritePng(const std::string& path, const Image& image, bool withAlpha, bool fast = false);
bool WriteJpeg(const std::string& path, const Image& image, int quality);  // baseline, RGB, no alpha
bool WriteTga(const std::string& path, const Image& image);                // uncompressed 32-bit, with alpha
bool WriteBmp(const std::string& path, const Image& image);                // 24-bit, bottom-up, no alpha
bool WriteDds(const std::string& path, const Image& image);  // A8R8G8B8 with its full mip chain (sizes powers of two)
