// The options that choose the size the show is drawn at, shared by virelle and virelle-tools:
// --resolution WxH (or "native", the display's size, where the caller allows it) and
// --supersample N. Refused with a plain reason where the platform draws only as the show asks.
#pragma once

#include <string>

#include "platform/d3dwindow.h"

constexpr int kMinDrawSide = 16, kMaxDrawSide = 16384;

struct DrawOptionText {
    const char* resolution = nullptr;   // as given, or null
    const char* supersample = nullptr;  // as given, or null
    bool nativeAllowed = false;         // "native" means something here (the show in full screen)
    bool evenSides = false;             // a video's sides: both even
};

// True with *size set from the texts (left at the default when neither is given); false with
// *problem in plain words.
bool ParseDrawOptions(const DrawOptionText& text, DrawSize* size, std::string* problem);
