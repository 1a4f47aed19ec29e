// Call-trace formats of the Direct3D 9 structures (lights, materials, present parameters, clear
// rectangles) and the line of a creating call, which ends in " -> <label>" or " -> failed 0x...".
#pragma once

#include "trace_format.h"

#include <cstdio>
#include <string>
#include <utility>

// In the global namespace beside the structures, so that trace::call finds them by argument lookup.
inline void append(std::string& out, const D3DLIGHT9& l) {
    using platform::trace::append;
    out += '{';
    append(out, l.Type);
    out += ", ";
    append(out, l.Diffuse);
    out += ", ";
    append(out, l.Specular);
    out += ", ";
    append(out, l.Ambient);
    out += ", ";
    append(out, l.Position);
    out += ", ";
    append(out, l.Direction);
    for (const float f :
         {l.Range, l.Falloff, l.Attenuation0, l.Attenuation1, l.Attenuation2, l.Theta, l.Phi}) {
        out += ", ";
        append(out, f);
    }
    out += '}';
}

inline void append(std::string& out, const D3DMATERIAL9& m) {
    using platform::trace::append;
    out += '{';
    append(out, m.Diffuse);
    out += ", ";
    append(out, m.Ambient);
    out += ", ";
    append(out, m.Specular);
    out += ", ";
    append(out, m.Emissive);
    out += ", ";
    append(out, m.Power);
    out += '}';
}

inline void append(std::string& out, const D3DPRESENT_PARAMETERS& p) {
    using platform::trace::append;
    namespace names = platform::trace::names;
    out += '{';
    append(out, p.BackBufferWidth);
    out += ", ";
    append(out, p.BackBufferHeight);
    out += ", ";
    append(out, p.BackBufferFormat);
    out += ", ";
    append(out, p.BackBufferCount);
    out += ", ";
    append(out, p.MultiSampleType);
    out += ", ";
    append(out, p.MultiSampleQuality);
    out += ", ";
    append(out, p.SwapEffect);
    out += ", ";
    append(out, p.hDeviceWindow);
    out += ", ";
    names::append_bool(out, p.Windowed);
    out += ", ";
    names::append_bool(out, p.EnableAutoDepthStencil);
    out += ", ";
    append(out, p.AutoDepthStencilFormat);
    out += ", ";
    append(out, p.Flags);
    out += ", ";
    append(out, p.FullScreen_RefreshRateInHz);
    out += ", ";
    names::append_present_interval(out, p.PresentationInterval);
    out += '}';
}

namespace platform::d3d9 {

// A pointer argument to a structure: "null", or the structure in braces.
template <typename T> struct Ptr { const T* p; };
template <typename T> void append(std::string& out, Ptr<T> a) {
    if (a.p == nullptr) {
        out += "null";
        return;
    }
    using ::append;
    using platform::trace::append;
    append(out, *a.p);
}

// A list of clear rectangles: "null" or "{{x1, y1, x2, y2}, ...}".
struct RectList {
    DWORD count;
    const D3DRECT* rects;
};
inline void append(std::string& out, RectList a) {
    if (a.rects == nullptr) {
        out += "null";
        return;
    }
    out += '{';
    for (DWORD i = 0; i < a.count; ++i) {
        const D3DRECT& r = a.rects[i];
        out += (i ? ", {" : "{") + std::to_string(r.x1) + ", " + std::to_string(r.y1) + ", " +
               std::to_string(r.x2) + ", " + std::to_string(r.y2) + '}';
    }
    out += '}';
}
using trace::CreatingCall;
using trace::RectPtr;

} // namespace platform::d3d9
