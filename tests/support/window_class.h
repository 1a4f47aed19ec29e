// The window class of a test's windows: registered with only a name and a window procedure, as the
// Win32, DirectInput and Direct3D 9 tests need no more of one.
#pragma once

#include <windows.h>

namespace support {

// Registers the class; true when Windows took it. Call it once per process (the result in a static).
inline bool register_window_class(const char* name, WNDPROC procedure) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

} // namespace support
