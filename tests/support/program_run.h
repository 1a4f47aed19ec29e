// Runs the program's WinMain inside the test process on the virtual display, with the call trace on, and
// lets a script act at every PeekMessageA: post key messages, request quit. Each test case runs in a
// process of its own, so a case may run the program once.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace support {

// Calls the program's WinMain as the layer's entry point does (an instance handle, no previous instance, an
// empty command line, SW_SHOWDEFAULT), with `at_peek` called at every PeekMessageA, and returns its exit
// code. The message and present hooks are cleared when it returns.
int run_winmain(std::function<void(int call)> at_peek);

// The program's window (the window of the current GL context), or null before it exists.
HWND program_window();

struct ProgramRun {
    int exit_code = -1;
    std::vector<std::string> trace;
    std::string errors; // what the program wrote on stderr
};

// `script` is called once per pass of the main loop, at its first PeekMessageA, with the number of frames
// presented so far and the program's window. A script that never ends the program is stopped after 600
// frames.
using Script = std::function<void(int frames, HWND window)>;
ProgramRun run_program(const Script& script);

// Posts a key-down and a key-up of a virtual key to the window, as a key press arrives.
void press_key(HWND window, WPARAM key);

// Input as SDL delivers it to the window, taken by the layer the next time it pumps events: the keyboard
// focus arriving, a key (by its SDL scancode) going down or up, a relative mouse motion.
void send_focus(HWND window);
void send_key(HWND window, int scancode, bool down);
void send_mouse_motion(HWND window, int dx, int dy);

// The trace lines that start with `prefix`.
std::vector<std::string> lines_starting(const std::vector<std::string>& trace, std::string_view prefix);

// The index of the first line at or after `from` that starts with `prefix`, or -1.
int find_line(const std::vector<std::string>& trace, std::string_view prefix, int from = 0);

// The lines of frame `n` (0 is the first): from the first line after the (n)th Present (for the first
// frame: from the loop's first PeekMessageA) up to and including the (n+1)th Present, without the message
// pump's and the input poll's lines.
std::vector<std::string> frame_lines(const std::vector<std::string>& trace, int n);

// The live platform objects other than windows (which last as long as the process).
std::vector<std::string> live_objects_besides_windows();

} // namespace support
