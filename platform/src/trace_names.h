// The platform's names for the numbers the call trace prints, so that a trace line reads like the program
// that made the call: "SetRenderState(D3DRS_AMBIENT, 0xFF323232)" rather than "SetRenderState(139, ...)",
// "DispatchMessageA({Window#1, WM_KEYDOWN, VK_ESCAPE, 65537})" rather than "...256, 27, ...".
// Enumerations are named by their type wherever they are printed; plain DWORD arguments (flags, and the
// value of a render, sampler or texture-stage state, which takes its type from the state before it) are
// named by the call and their place in it. A value the platform has no name for prints as its number.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::trace::names {

// Each appends the platform's name for the value and returns true, or returns false when it has none.
bool append_name(std::string& out, D3DDEVTYPE v);
bool append_name(std::string& out, D3DFORMAT v);
bool append_name(std::string& out, D3DMULTISAMPLE_TYPE v);
bool append_name(std::string& out, D3DSWAPEFFECT v);
bool append_name(std::string& out, D3DPOOL v);
bool append_name(std::string& out, D3DRESOURCETYPE v);
bool append_name(std::string& out, D3DRENDERSTATETYPE v);
bool append_name(std::string& out, D3DSAMPLERSTATETYPE v);
bool append_name(std::string& out, D3DTEXTURESTAGESTATETYPE v);
bool append_name(std::string& out, D3DTRANSFORMSTATETYPE v);
bool append_name(std::string& out, D3DPRIMITIVETYPE v);
bool append_name(std::string& out, D3DLIGHTTYPE v);
bool append_name(std::string& out, D3DTEXTUREOP v);

// Integer argument `position` (from 0) of the call `call`, given the integer argument before it: appends
// its name and returns true where that place of that call takes named values, or returns false.
bool append_argument(std::string& out, std::string_view call, int position, std::uint32_t value,
                     std::uint32_t previous);

// A MSG's message and wParam (a virtual-key code for key messages).
void append_message(std::string& out, std::uint32_t message);
void append_message_wparam(std::string& out, std::uint32_t wparam, std::uint32_t message);

// The fields of D3DPRESENT_PARAMETERS that are plain numbers in the structure but named by the platform.
void append_bool(std::string& out, std::uint32_t value);
void append_present_interval(std::string& out, std::uint32_t value);

} // namespace platform::trace::names
