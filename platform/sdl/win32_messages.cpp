// Message boxes and text conversion. The system's texts are Windows-1252 bytes.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/sdl/x11_box_watch.h"
#include "platform/win32.h"

namespace {

MessageBoxHook messageBoxHook;  // set by tests and tools; empty means show the box

// Code points of 0x80..0x9F in Windows-1252; 0 marks the five unassigned bytes.
const uint16_t cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Cp1252ToUtf8(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        uint32_t cp = *p;
        if (cp >= 0x80 && cp < 0xA0) cp = cp1252High[cp - 0x80] ? cp1252High[cp - 0x80] : 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

void SetMessageBoxHook(MessageBoxHook hook) {
    messageBoxHook = std::move(hook);
}

MessageBoxHook GetMessageBoxHook() {
    return messageBoxHook;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
    if (messageBoxHook) {
        messageBoxHook(text, caption);
        return 1;  // IDOK
    }
    const std::string utf8Text = Cp1252ToUtf8(text), utf8Caption = Cp1252ToUtf8(caption);
    // No owner window: the box stands alone, as the show's boxes always do. Return and Escape
    // both press its one button, so a keyboard alone gets past it.
    const SDL_MessageBoxButtonData ok = {
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"};
    SDL_MessageBoxData box = {};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.title = utf8Caption.c_str();
    box.message = utf8Text.c_str();
    box.numbuttons = 1;
    box.buttons = &ok;
    int pressed = 0;
    X11BoxWatch watch(box.title);
    if (SDL_ShowMessageBox(&box, &pressed) != 0)
        std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
    return 1;
}
