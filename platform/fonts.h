// The monospaced TrueType face the author overlay is set in (DejaVu Sans Mono): Debian's installed
// copy natively, the copy in the content folder's fonts/ where the system has none (Windows).
#pragma once

const char* PlatformMonospaceFontPath();
