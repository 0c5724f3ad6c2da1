#include "gfx/texture_budget.h"

bool TextureBudget::Take(uint64_t bytes) {
    if (bytes > Left()) return false;
    used += bytes;
    return true;
}

void TextureBudget::Give(uint64_t bytes) {
    used = bytes < used ? used - bytes : 0;
}

TextureBudget& FileTextureBudget() {
    static TextureBudget budget;
    return budget;
}
