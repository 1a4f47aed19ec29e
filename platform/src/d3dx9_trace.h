// Call-trace helpers shared by the D3DX 9 files: arguments passed by pointer (a null one prints "null"),
// rectangles as {left, top, right, bottom}, and creating calls whose line ends in " -> <label>" or
// " -> failed 0x...".
#pragma once

#include "trace_format.h"

#include <cstdio>
#include <string>
#include <utility>

namespace platform::trace {

struct VectorArg {
    const D3DVECTOR* v;
};
struct MatrixArg {
    const D3DMATRIX* m;
};
struct RectArg {
    const RECT* r;
};
// A string of a given length (a negative length: up to the terminating zero).
struct TextArg {
    const char* text;
    int count;
};

inline void append(std::string& out, VectorArg a) {
    if (a.v == nullptr)
        out += "null";
    else
        append(out, *a.v);
}
inline void append(std::string& out, MatrixArg a) {
    if (a.m == nullptr)
        out += "null";
    else
        append(out, *a.m);
}
inline void append(std::string& out, RectArg a) {
    if (a.r == nullptr) {
        out += "null";
        return;
    }
    out += '{' + std::to_string(a.r->left) + ", " + std::to_string(a.r->top) + ", " +
           std::to_string(a.r->right) + ", " + std::to_string(a.r->bottom) + '}';
}
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

// The line of a creating call, recorded when the call ends so that it can name what was made:
// "D3DXCreateFontA(Device#1, ...) -> Font#1" or "... -> failed 0x88760B59". Every return path records it.
class CreationLine {
  public:
    template <typename... Args> explicit CreationLine(const char* name, const Args&... args) {
        if (!enabled())
            return;
        line_ = name;
        line_ += '(';
        bool first = true;
        ((line_ += first ? "" : ", ", first = false, append(line_, args)), ...);
        line_ += ')';
    }
    CreationLine(const CreationLine&) = delete;
    CreationLine& operator=(const CreationLine&) = delete;
    ~CreationLine() {
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
