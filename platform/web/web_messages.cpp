// Message boxes in a browser: the page's Module.virelleMessageBox(title, text) shows them (an
// overlay), given UTF-8. A page cannot wait for a box, so MessageBoxA returns at once; every box of
// the show is followed by code that goes on by itself or ends the show.
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "platform/common/message_hook.h"
#include "platform/win32.h"

namespace {

EM_JS(void, ShowBoxOnPage, (const char* title, const char* text), {
    var t = UTF8ToString(title), m = UTF8ToString(text);
    if (typeof Module.virelleMessageBox == 'function')
        Module.virelleMessageBox(t, m);
    else
        console.log(t + ': ' + m);
});

}  // namespace

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
    if (RunMessageBoxHook(text, caption)) return 1;  // IDOK
    const std::string utf8Text = Cp1252ToUtf8(text), utf8Caption = Cp1252ToUtf8(caption);
    ShowBoxOnPage(utf8Caption.c_str(), utf8Text.c_str());
    return 1;
}
