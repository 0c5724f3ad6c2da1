// std::bit_cast for the browser build: Debian 12's Emscripten ships a libc++ without it, while its
// clang has the builtin the standard one is made of. Force-included into the web build only.
#pragma once

#include <version>

#if !defined(__cpp_lib_bit_cast) && defined(__EMSCRIPTEN__)
#include <type_traits>

namespace std {
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>);
    return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif
