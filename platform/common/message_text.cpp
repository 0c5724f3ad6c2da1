// What every backend's message boxes share: the hook tests and tools watch boxes through, and the
// Windows-1252 to UTF-8 conversion.
#include <string>

#include "platform/common/message_hook.h"
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

bool RunMessageBoxHook(const char* text, const char* caption) {
    if (!messageBoxHook) return false;
    messageBoxHook(text, caption);
    return true;
}
