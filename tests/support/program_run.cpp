// In-process runs of WinMain for trace tests (see program_run.h).
#include "program_run.h"

#include <platform_test.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include "host/sdl/host_sdl.h"
#include "win32/win32_internal.h"

namespace support {
namespace {

bool starts_with(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

Uint32 sdl_id(HWND window) {
    return SDL_GetWindowID(platform::host::sdl_window(platform::win32::host_window(window)));
}

void push(SDL_Event& e) {
    ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

} // namespace

int run_winmain(std::function<void(int call)> at_peek) {
    static char empty_command_line[] = "";
    static int instance_tag = 0;
    platform::trace::test::on_peek_message(std::move(at_peek));
    const int exit_code =
        WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, empty_command_line, SW_SHOWDEFAULT);
    platform::trace::test::on_peek_message(nullptr);
    platform::trace::test::on_present(nullptr);
    return exit_code;
}

HWND program_window() {
    SDL_Window* const window = SDL_GL_GetCurrentWindow();
    return window == nullptr
               ? nullptr
               : platform::win32::window_from_host(platform::host::from_sdl_id(SDL_GetWindowID(window)));
}

ProgramRun run_program(const Script& script) {
    static constexpr int frame_limit = 600;
    platform::trace::clear();
    platform::trace::enable(true);
    int frames = 0;
    platform::trace::test::on_present([&frames] { ++frames; });
    int last_frames = -1;
    const auto at_peek = [&script, &frames, &last_frames](int) {
        if (frames == last_frames)
            return; // a further look at the queue within the same pass
        last_frames = frames;
        const bool was_on = platform::trace::enabled();
        platform::trace::enable(false); // the script's own calls are not the program's
        if (frames >= frame_limit) {
            ADD_FAILURE() << "the program was still running after " << frame_limit << " frames";
            PostQuitMessage(99);
        } else {
            script(frames, program_window());
        }
        platform::trace::enable(was_on);
    };

    ProgramRun run;
    testing::internal::CaptureStderr();
    run.exit_code = run_winmain(at_peek);
    run.errors = testing::internal::GetCapturedStderr();
    platform::trace::enable(false);
    run.trace = platform::trace::lines();
    return run;
}

void press_key(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void send_focus(HWND window) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = sdl_id(window);
    e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    push(e);
}

void send_key(HWND window, int scancode, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = sdl_id(window);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    push(e);
}

void send_mouse_motion(HWND window, int dx, int dy) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = sdl_id(window);
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    push(e);
}

std::vector<std::string> lines_starting(const std::vector<std::string>& trace, std::string_view prefix) {
    std::vector<std::string> found;
    for (const std::string& line : trace)
        if (starts_with(line, prefix))
            found.push_back(line);
    return found;
}

int find_line(const std::vector<std::string>& trace, std::string_view prefix, int from) {
    for (int i = from; i < static_cast<int>(trace.size()); ++i)
        if (starts_with(trace[i], prefix))
            return i;
    return -1;
}

std::vector<std::string> frame_lines(const std::vector<std::string>& trace, int n) {
    // The first frame begins with the main loop's first look at the message queue.
    int start = find_line(trace, "PeekMessageA(");
    if (start < 0)
        return {};
    for (int k = 0; k < n; ++k) {
        const int present = find_line(trace, "Present(", start);
        if (present < 0)
            return {};
        start = present + 1;
    }
    const int end = find_line(trace, "Present(", start);
    if (end < 0)
        return {};
    static constexpr std::string_view pump_and_poll[] = {"PeekMessageA(",     "TranslateMessage(",
                                                         "DispatchMessageA(", "DefWindowProcA(",
                                                         "Acquire(",          "GetDeviceState("};
    std::vector<std::string> lines;
    for (int i = start; i <= end; ++i) {
        bool skip = false;
        for (const std::string_view prefix : pump_and_poll)
            skip = skip || starts_with(trace[i], prefix);
        if (!skip)
            lines.push_back(trace[i]);
    }
    return lines;
}

std::vector<std::string> live_objects_besides_windows() {
    std::vector<std::string> live;
    for (const std::string& label : platform::trace::objects::live_labels())
        if (!starts_with(label, "Window#"))
            live.push_back(label);
    return live;
}

} // namespace support
