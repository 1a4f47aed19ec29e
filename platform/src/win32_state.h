// The state shared by the Win32 files of the layer: the live windows and the message queue's entry points
// that window creation and destruction use. Private to win32_*.cpp.
#pragma once

#include "win32_internal.h"

#include <string>
#include <vector>

namespace platform::win32 {

struct Window {
    WNDPROC proc = nullptr;
    SDL_Window* sdl = nullptr;
    Uint32 sdl_id = 0;
    DWORD style = 0;
    // The outer rectangle asked for; the SDL window is its client part.
    int outer_x = 0, outer_y = 0, outer_width = 0, outer_height = 0;
    bool visible = false;
    bool foreground = false;
    bool destroying = false;
    bool frame_fitted = false;
};

// The live window behind a handle, or null.
Window* find_window(HWND window);
std::vector<HWND> live_windows();

// Calls the window's procedure directly, as SendMessage does; 0 for a window that is not live.
LRESULT send_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// DestroyWindow without its trace line (the default window procedure destroys windows this way).
BOOL destroy_window(HWND window);

// Fits the frame of every shown window that a window manager has framed since (see fit_frame); the pump
// calls it after taking the waiting events.
void fit_frames();

// Drops the queued messages of a destroyed window.
void discard_messages(HWND window);

} // namespace platform::win32
