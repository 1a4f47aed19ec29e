// The trace forms of the DirectInput 8 files (dinput8_internal.h): GUIDs by their SDK names where the layer
// knows them, else in registry form; the published data formats by name, others as pointers; results in
// hexadecimal.
#include "dinput8/dinput8_internal.h"

#include <cstdio>

namespace platform::dinput8 {
namespace {

struct GuidName {
    const GUID* guid;
    const char* name;
};
constexpr GuidName guid_names[] = {{&GUID_SysKeyboard, "GUID_SysKeyboard"},
                                   {&GUID_SysMouse, "GUID_SysMouse"},
                                   {&IID_IDirectInput8A, "IID_IDirectInput8A"},
                                   {&IID_IDirectInputDevice8A, "IID_IDirectInputDevice8A"},
                                   {&IID_IUnknown, "IID_IUnknown"}};

} // namespace

std::string guid_text(const GUID& g) {
    for (const auto& known : guid_names)
        if (*known.guid == g)
            return known.name;
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

void append(std::string& out, GuidArg g) {
    out += guid_text(g.guid);
}
void append(std::string& out, FormatArg f) {
    if (f.format == &c_dfDIKeyboard)
        out += "c_dfDIKeyboard";
    else if (f.format == &c_dfDIMouse)
        out += "c_dfDIMouse";
    else if (f.format == nullptr)
        out += "null";
    else
        trace::append(out, static_cast<const void*>(f.format));
}

std::string hresult_text(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return std::string("failed ") + buf;
}

} // namespace platform::dinput8
