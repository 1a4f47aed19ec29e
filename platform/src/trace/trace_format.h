// Formatting of call-trace lines: "Name(arg, arg, ...)". Numbers print as the platform's names for them
// where it has names (trace_names.h), other integers in decimal, colours 0xAARRGGBB, floats in their
// shortest exact form, strings quoted, objects by their label, structures in braces.
#pragma once

#include "trace/trace_names.h"

#include <d3d9.h>
#include <platform_test.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

namespace platform::trace {

struct Colour {
    D3DCOLOR value;
};

#if defined(__EMSCRIPTEN__)
// The web build's C++ library has no floating-point to_chars: its traces print enough digits to read back.
inline void append(std::string& out, float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    out += buf;
}
#else
inline void append(std::string& out, float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}
#endif
inline void append(std::string& out, Colour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", c.value);
    out += buf;
}
inline void append(std::string& out, const char* s) {
    if (s == nullptr) {
        out += "null";
        return;
    }
    out += '"';
    out += s;
    out += '"';
}
inline void append(std::string& out, std::nullptr_t) {
    out += "null";
}
template <typename T> void append(std::string& out, T v) {
    if constexpr (std::is_enum_v<T>) {
        if constexpr (requires { names::append_name(out, v); }) {
            if (names::append_name(out, v))
                return;
        }
        out += std::to_string(static_cast<long long>(v));
    } else if constexpr (std::is_integral_v<T>) {
        out += std::to_string(v);
    } else if constexpr (std::is_pointer_v<T>) {
        out += objects::label(static_cast<const void*>(v));
    } else {
        static_assert(std::is_pointer_v<T>, "no trace format for this type");
    }
}

// Structures (defined below): their fields in braces, "{x, y, z}".
inline void append(std::string& out, const D3DVECTOR& v);
inline void append(std::string& out, const D3DCOLORVALUE& c);
inline void append(std::string& out, const D3DMATRIX& m);
inline void append(std::string& out, const RECT& r);

// Where an argument stands in its call, or a field in its structure: integer arguments and fields may take
// names that depend on the call or structure, their place in it and the integer before them (the state
// whose value they are, the message whose parameter they are).
struct ArgumentPlace {
    const char* call;
    int position = 0;
    std::uint32_t previous = 0;
};
template <typename T> void append_argument(std::string& out, ArgumentPlace& place, const T& v) {
    if (place.position > 0)
        out += ", ";
    if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        const auto raw = static_cast<std::uint32_t>(v);
        if (!names::append_argument(out, place.call, place.position, raw, place.previous))
            append(out, v);
        place.previous = raw;
    } else {
        append(out, v);
    }
    ++place.position;
}

// A structure's fields in braces, each printed as an argument of a call named after the structure:
// append_fields(out, "MSG", m.hwnd, m.message, m.wParam, m.lParam) names the message and a key's code.
template <typename... Fields>
void append_fields(std::string& out, const char* structure, const Fields&... fields) {
    out += '{';
    ArgumentPlace place{structure};
    (append_argument(out, place, fields), ...);
    out += '}';
}

// A pointer argument to a structure: "null", or the structure in braces.
template <typename T> struct Ptr { const T* p; };
template <typename T> void append(std::string& out, Ptr<T> a) {
    if (a.p == nullptr)
        out += "null";
    else
        append(out, *a.p);
}
using RectPtr = Ptr<RECT>;

inline void append(std::string& out, const D3DVECTOR& v) {
    append_fields(out, "D3DVECTOR", v.x, v.y, v.z);
}
inline void append(std::string& out, const D3DCOLORVALUE& c) {
    append_fields(out, "D3DCOLORVALUE", c.r, c.g, c.b, c.a);
}
inline void append(std::string& out, const D3DMATRIX& m) {
    out += '{';
    for (int i = 0; i < 16; ++i) {
        if (i > 0)
            out += ", ";
        append(out, m.m[i / 4][i % 4]);
    }
    out += '}';
}
inline void append(std::string& out, const RECT& r) {
    append_fields(out, "RECT", r.left, r.top, r.right, r.bottom);
}

// The text call() would record, or an empty string when the trace is off.
template <typename... Args> std::string format(const char* name, const Args&... args) {
    if (!enabled())
        return {};
    std::string line = name;
    line += '(';
    [[maybe_unused]] ArgumentPlace place{name};
    (append_argument(line, place, args), ...);
    line += ')';
    return line;
}

// call("SetRenderState", D3DRS_ZENABLE, 1) records "SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE)" when the trace
// is on.
template <typename... Args> void call(const char* name, const Args&... args) {
    if (enabled())
        record(format(name, args...));
}

// The line of a creating call, recorded when the call returns, naming what it made or how it failed:
// "D3DXCreateFontA(Device#1, ...) -> Font#1" or "... -> failed 0x88760B59". Every return path records it.
class CreatingCall {
  public:
    template <typename... Args>
    explicit CreatingCall(const char* name, const Args&... args) : line_(format(name, args...)) {}
    CreatingCall(const CreatingCall&) = delete;
    CreatingCall& operator=(const CreatingCall&) = delete;
    ~CreatingCall() {
        if (line_.empty())
            return;
        if (made_ != nullptr) {
            line_ += " -> " + objects::label(made_);
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result_));
            line_ += " -> failed ";
            line_ += code;
        }
        record(std::move(line_));
    }
    // The outcome: the object made, or null and the failure code.
    HRESULT made(const void* object) {
        made_ = object;
        return S_OK;
    }
    HRESULT failed(HRESULT result) {
        made_ = nullptr;
        result_ = result;
        return result;
    }

  private:
    std::string line_;
    const void* made_ = nullptr;
    HRESULT result_ = E_FAIL;
};

} // namespace platform::trace
