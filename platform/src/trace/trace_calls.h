// What the layer's COM objects and D3DX functions call to trace themselves, to report values they do not
// implement and to ask the test hooks: in the Linux and web builds the call trace (trace_format.h), the
// notices (unimplemented.h) and the hooks of test_hooks.h; in the self-contained Windows build, whose D3DX
// functions sit on Windows' own Direct3D 9, the same calls doing nothing (and the hooks as in every build
// without the test seams), so that those files compile unchanged there.
#pragma once

#include "trace/test_hooks.h"

#if !defined(_WIN32)

#include "trace/trace_format.h"
#include "trace/unimplemented.h"

#include <platform_test.h>

#else

#include <d3d9.h>

#include <cstdint>
#include <string_view>

namespace platform::trace {

inline void report_unimplemented(std::string_view, std::uint32_t, std::string_view) {}

inline void enable(bool) {}
inline bool enabled() {
    return false;
}
template <typename... Args> void call(const char*, const Args&...) {}

struct Colour {
    D3DCOLOR value;
};
template <typename T> struct Ptr { const T* p; };
using RectPtr = Ptr<RECT>;

// A creating call's outcome, which only the trace would print.
class CreatingCall {
  public:
    template <typename... Args> explicit CreatingCall(const char*, const Args&...) {}
    CreatingCall(const CreatingCall&) = delete;
    CreatingCall& operator=(const CreatingCall&) = delete;
    HRESULT made(const void*) {
        return S_OK;
    }
    HRESULT failed(HRESULT result) {
        return result;
    }
};

namespace objects {
inline void add(const void*, std::string_view) {}
inline void remove(const void*) {}
} // namespace objects

} // namespace platform::trace

#endif
