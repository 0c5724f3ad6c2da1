// Pictures the capture and draw-size tests compare: PNG files read as BGRA, PSNR, box filters and
// an area-weighted shrink for sizes that are not a whole multiple.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file's pixels as B, G, R, A rows; empty when it can't be read.
std::vector<uint8_t> PngBgra(const std::string& path, int* w, int* h);
// PSNR of the colour channels of `a`'s rectangle (x, y, w, h) against all of `b` (w x h).
double Psnr(const std::vector<uint8_t>& a, int aWidth, int x, int y, const std::vector<uint8_t>& b, int w, int h);
// Each n x n block averaged into one pixel (rounded).
std::vector<uint8_t> BoxFilter(const std::vector<uint8_t>& p, int w, int h, int n);
// The rectangle (x, y, w, h) of a picture `aWidth` wide shrunk to outW x outH, each output pixel
// the mean of the area it covers.
std::vector<uint8_t> Shrink(const std::vector<uint8_t>& a, int aWidth, int x, int y, int w, int h, int outW, int outH);
