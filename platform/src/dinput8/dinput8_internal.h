// What the DirectInput 8 files share: the trace forms of GUIDs, data formats and results, and the making
// of devices, which hold a reference on their DirectInput object. dinput8.cpp has the DirectInput object,
// dinput8_device.cpp the devices.
#pragma once

#include "com/com_object.h"
#include "trace/trace_win32.h"

#include <dinput.h>

#include <string>

namespace platform::dinput8 {

// Trace arguments, printed by the append overloads below (found by argument-dependent lookup): a GUID by
// its SDK name where the layer knows it, otherwise in registry form; a data format by its published name.
struct GuidArg {
    const GUID& guid;
};
struct FormatArg {
    LPCDIDATAFORMAT format;
};
std::string guid_text(const GUID& guid);
void append(std::string& out, GuidArg g);
void append(std::string& out, FormatArg f);

// "failed 0x80070057", the result part of a failed creation's trace line.
std::string hresult_text(HRESULT hr);

// The DirectInput object as its devices see it: they hold an internal reference on it (com::Held).
using DirectInputObject = com::ComObject<IDirectInput8A, GuidArg>;

// The system keyboard and mouse, each new (reference count 1) and holding a reference on `owner` until it is
// destroyed.
IDirectInputDevice8A* create_keyboard(DirectInputObject* owner);
IDirectInputDevice8A* create_mouse(DirectInputObject* owner);

} // namespace platform::dinput8
