// The message box hook as the backends' MessageBoxA sees it. Private to platform/.
#pragma once

// True when a hook is in place; it has been called with the box's text and caption.
bool RunMessageBoxHook(const char* text, const char* caption);
