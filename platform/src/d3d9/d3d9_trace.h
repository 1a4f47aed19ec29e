// Call-trace formats of the Direct3D 9 structures (lights, materials, present parameters, clear
// rectangles) and the line of a creating call, which ends in " -> <label>" or " -> failed 0x...".
#pragma once

#include "trace/trace_format.h"

#include <string>

// In the global namespace beside the structures, so that trace::call finds them by argument lookup.
inline void append(std::string& out, const D3DLIGHT9& l) {
    platform::trace::append_fields(out, "D3DLIGHT9", l.Type, l.Diffuse, l.Specular, l.Ambient, l.Position,
                                   l.Direction, l.Range, l.Falloff, l.Attenuation0, l.Attenuation1,
                                   l.Attenuation2, l.Theta, l.Phi);
}

inline void append(std::string& out, const D3DMATERIAL9& m) {
    platform::trace::append_fields(out, "D3DMATERIAL9", m.Diffuse, m.Ambient, m.Specular, m.Emissive,
                                   m.Power);
}

// Windowed, EnableAutoDepthStencil and PresentationInterval print by name (trace_names.cpp).
inline void append(std::string& out, const D3DPRESENT_PARAMETERS& p) {
    platform::trace::append_fields(out, "D3DPRESENT_PARAMETERS", p.BackBufferWidth, p.BackBufferHeight,
                                   p.BackBufferFormat, p.BackBufferCount, p.MultiSampleType,
                                   p.MultiSampleQuality, p.SwapEffect, p.hDeviceWindow, p.Windowed,
                                   p.EnableAutoDepthStencil, p.AutoDepthStencilFormat, p.Flags,
                                   p.FullScreen_RefreshRateInHz, p.PresentationInterval);
}

inline void append(std::string& out, const D3DRECT& r) {
    platform::trace::append_fields(out, "D3DRECT", r.x1, r.y1, r.x2, r.y2);
}

namespace platform::d3d9 {

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
        out += i > 0 ? ", " : "";
        ::append(out, a.rects[i]);
    }
    out += '}';
}
using trace::CreatingCall;
using trace::Ptr;
using trace::RectPtr;

} // namespace platform::d3d9
