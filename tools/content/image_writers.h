// Image file writers for the formats the show's texture loader reads. Each returns false after a
// message on stderr when the file cannot be written.
#pragma once

#include <string>

#include "tools/content/image.h"

bool WritePng(const std::string& path, const Image& image, bool withAlpha);  // 8-bit RGBA or RGB
bool WriteJpeg(const std::string& path, const Image& image, int quality);    // baseline, RGB, no alpha
bool WriteTga(const std::string& path, const Image& image);                  // uncompressed 32-bit, with alpha
bool WriteBmp(const std::string& path, const Image& image);                  // 24-bit, bottom-up, no alpha
bool WriteDds(const std::string& path, const Image& image);  // A8R8G8B8 with its full mip chain (sizes powers of two)
