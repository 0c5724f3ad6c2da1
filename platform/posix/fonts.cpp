// Debian's DejaVu Sans Mono (package fonts-dejavu-core).
#include "platform/fonts.h"

const char* PlatformMonospaceFontPath() {
    return "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
}
