// What the C++ library of Debian's Emscripten (libc++ of LLVM 14) lacks of C++20 and the sources use,
// supplied for the web build only (included before every source file there): std::bit_cast, on the
// compiler's own builtin.
#pragma once

#include <bit>

#if !defined(__cpp_lib_bit_cast)
namespace std {
template <class To, class From> constexpr To bit_cast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
