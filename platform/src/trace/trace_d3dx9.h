// Call-trace formats of the D3DX 9 files: vectors and matrices passed by pointer (a null one prints
// "null") and text of a given length.
#pragma once

#include "trace/trace_calls.h"

#include <cstdio>
#include <string>
#include <utility>

namespace platform::trace {

using VectorArg = Ptr<D3DVECTOR>;
using MatrixArg = Ptr<D3DMATRIX>;
// A string of a given length (a negative length: up to the terminating zero).
struct TextArg {
    const char* text;
    int count;
};

#if !defined(_WIN32)
inline void append(std::string& out, TextArg a) {
    if (a.text == nullptr) {
        out += "null";
        return;
    }
    std::string text;
    for (int i = 0; (a.count < 0 || i < a.count) && a.text[i] != '\0'; ++i)
        text += a.text[i];
    append(out, text.c_str());
}
#endif

} // namespace platform::trace
