// Message boxes on SDL. The system's texts are Windows-1252 bytes, shown as UTF-8.
#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/common/message_hook.h"
#include "platform/sdl/x11_box_watch.h"
#include "platform/win32.h"

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
    if (RunMessageBoxHook(text, caption)) return 1;  // IDOK
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
