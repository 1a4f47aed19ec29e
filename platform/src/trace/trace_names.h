// The platform's names for the numbers the call trace prints, so that a trace line reads like the program
// that made the call: "SetRenderState(D3DRS_AMBIENT, 0xFF323232)" rather than "SetRenderState(139, ...)",
// "DispatchMessageA({Window#1, WM_KEYDOWN, VK_ESCAPE, 65537})" rather than "...256, 27, ...".
// Enumerations are named by their type wherever they are printed; plain DWORD arguments (flags, and the
// value of a render, sampler or texture-stage state, which takes its type from the state before it) are
// named by the call and their place in it. A value the platform has no name for prints as its number.
#pragma once

#include <d3d9.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace platform::trace::names {

// The enumerations the platform names wherever they are printed, in the order of their tables in
// trace_names.cpp.
// The last three name the values in the comments of the GL renderer's generated code (gl_ffp_source.cpp).
using NamedEnumerations =
    std::tuple<D3DDEVTYPE, D3DFORMAT, D3DMULTISAMPLE_TYPE, D3DSWAPEFFECT, D3DPOOL, D3DRENDERSTATETYPE,
               D3DSAMPLERSTATETYPE, D3DTEXTURESTAGESTATETYPE, D3DTRANSFORMSTATETYPE, D3DPRIMITIVETYPE,
               D3DLIGHTTYPE, D3DTEXTUREOP, D3DCMPFUNC, D3DMATERIALCOLORSOURCE>;

// Appends the name of `value` from the table of enumeration number `enumeration` of NamedEnumerations and
// returns true, or returns false when the table has none.
bool append_enumerator(std::string& out, std::size_t enumeration, std::uint32_t value);

// Where Enum stands in NamedEnumerations: its number there, or the number of enumerations when it is not one.
template <typename Enum, typename... Named> constexpr std::size_t enumeration_index(std::tuple<Named...>*) {
    constexpr bool same[] = {std::is_same_v<Enum, Named>...};
    std::size_t i = 0;
    while (i < sizeof...(Named) && !same[i])
        ++i;
    return i;
}
template <typename Enum>
inline constexpr std::size_t kEnumeration = enumeration_index<Enum>(static_cast<NamedEnumerations*>(nullptr));

// The enumerations named wherever they are printed.
template <typename Enum>
concept NamedEnumeration = kEnumeration<Enum> < std::tuple_size_v<NamedEnumerations>;

// Appends the platform's name for the value and returns true, or returns false when it has none.
template <NamedEnumeration Enum> bool append_name(std::string& out, Enum value) {
    return append_enumerator(out, kEnumeration<Enum>, static_cast<std::uint32_t>(value));
}

// Integer argument `position` (from 0) of the call `call`, given the integer argument before it: appends
// its name and returns true where that place of that call takes named values, or returns false. The fields
// of a structure are the arguments of a call named after the structure ("MSG", "D3DPRESENT_PARAMETERS").
bool append_argument(std::string& out, std::string_view call, int position, std::uint32_t value,
                     std::uint32_t previous);

} // namespace platform::trace::names
