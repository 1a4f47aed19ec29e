// The live windows shared by the Win32 files of the layer (win32_registry.cpp): each handle's record, found
// by handle or by its host window, and the direct call of its window procedure. The files stack without a
// loop: the registry at the bottom, the message queue (win32_messages.cpp) on it, and the windows' making,
// showing and destroying with the default window procedure (win32_window.cpp) on both. Private to
// win32_*.cpp.
#pragma once

#include "win32/win32_internal.h"

#include <memory>
#include <vector>

namespace platform::win32 {

struct WindowRecord {
    WNDPROC proc = nullptr;
    host::Window* host = nullptr;
    bool visible = false;
    bool foreground = false;
    bool destroying = false;
};

// Adds a window's record; its handle is the record's address.
HWND add_window(std::unique_ptr<WindowRecord> window);
// Drops a window's record.
void remove_window(HWND window);

// The live window behind a handle, or null.
WindowRecord* find_window(HWND window);
std::vector<HWND> live_windows();

// Calls the window's procedure directly, as SendMessage does; 0 for a window that is not live.
LRESULT send_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The message queue's view of a window's focus changes.
void set_foreground(HWND window, bool foreground);

// Drops the queued messages of a destroyed window (win32_messages.cpp).
void discard_messages(HWND window);

} // namespace platform::win32
