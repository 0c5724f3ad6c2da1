// Message boxes on Win32: the system's own, unless a hook watches them. The show's texts are
// already the system's byte strings.
#include "platform/common/message_hook.h"
#include "platform/win32.h"

#undef MessageBoxA

int PlatformMessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    if (RunMessageBoxHook(text, caption)) return IDOK;
    return ::MessageBoxA(owner, text, caption, type);
}
