// Trace lines of creating calls, which end in " -> <what was made>": the line is formatted at the start of
// the call (with trace_format.h's rules) and recorded with its result once the result is known, before any
// message the call sends to a window procedure. Also the trace formats of the Win32 structures.
#pragma once

#include "trace/trace_format.h"

#include <windows.h>

#include <string>

namespace platform::trace {

// Records "<line> -> <result>" when the trace is on.
inline void record_result(const std::string& line, const std::string& result) {
    if (enabled())
        record(line + " -> " + result);
}

// A MSG prints as {hwnd, message, wParam, lParam} (the structure defined below).
using Msg = Ptr<MSG>;

// A handle whose value is a small number (a resource number, a system-colour brush) prints as that number.
struct Number {
    const void* value;
};
inline void append(std::string& out, Number n) {
    out += std::to_string(reinterpret_cast<std::uintptr_t>(n.value));
}

// A string argument that may also be a resource number (MAKEINTRESOURCE) prints as the number then.
struct Resource {
    const char* name;
};
inline void append(std::string& out, Resource r) {
    if (r.name != nullptr && IS_INTRESOURCE(r.name))
        out += std::to_string(reinterpret_cast<std::uintptr_t>(r.name));
    else
        append(out, r.name);
}

// A function pointer prints as "proc", or "null".
struct Proc {
    bool present;
};
inline void append(std::string& out, Proc p) {
    out += p.present ? "proc" : "null";
}

} // namespace platform::trace

// A MSG's message and a key message's virtual-key code print by name; its time and cursor position are left
// out. In the global namespace beside the structure, so that Ptr<MSG> finds it by argument lookup.
inline void append(std::string& out, const MSG& m) {
    platform::trace::append_fields(out, "MSG", m.hwnd, m.message, m.wParam, m.lParam);
}
