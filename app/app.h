// The window procedure of the viewer's one window.
#pragma once

#include <windows.h>

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Reports a start-up failure the program cannot run on: one line, "viewer: <what>: <reason>", in a message
// box (which the Linux build prints on stderr).
void report_fatal(const char* what, const char* reason);
