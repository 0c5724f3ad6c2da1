// The font the Windows build carries beside its content (the working folder is the content's).
#include "platform/fonts.h"

const char* PlatformMonospaceFontPath() {
    return "fonts/DejaVuSansMono.ttf";
}
