// A float from its IEEE-754 bit pattern, usable in constant expressions: constants the show takes
// bit for bit. (std::bit_cast where the standard library has it; the browser build's does not.)
#pragma once

#include <cstdint>

constexpr float FloatFromBits(uint32_t bits) {
    return __builtin_bit_cast(float, bits);
}
