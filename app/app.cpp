// The entry point: the window class and the window, graphics and input set-up, the main loop that drains
// every waiting message and then draws one frame, and the teardown when the quit message arrives.
#include "app/app.h"

#include "app/render_modes.h"
#include "input/input.h"
#include "render/frame.h"
#include "render/graphics.h"

#include <cstdio>

namespace {

constexpr char window_class_name[] = "WindowClass";
constexpr char window_title[] = "Our First Direct3D Program";
constexpr int window_width = 1024;
constexpr int window_height = 768;

// The system's reason for the last failed Win32 call, on one line.
void last_error_text(char* text, DWORD size) {
    const DWORD error = GetLastError();
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text, size, nullptr);
    if (length == 0) {
        std::snprintf(text, size, "error %lu", static_cast<unsigned long>(error));
        return;
    }
    // Messages end with a line break; the report is one line.
    for (DWORD i = 0; i < length && text[i] != '\0'; ++i)
        if (text[i] == '\r' || text[i] == '\n')
            text[i] = (text[i + 1] == '\0' || text[i + 1] == '\r' || text[i + 1] == '\n') ? '\0' : ' ';
}

void report_window_failure() {
    char reason[256] = {};
    last_error_text(reason, sizeof reason);
    report_fatal("cannot open a window", reason);
}

} // namespace

void report_fatal(const char* what, const char* reason) {
    char text[512];
    std::snprintf(text, sizeof text, "viewer: %s: %s", what, reason);
    MessageBoxA(nullptr, text, window_title, MB_OK | MB_ICONERROR);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE)
            PostQuitMessage(0);
        if (wparam == VK_F7 || wparam == VK_F8 || wparam == VK_F9)
            apply_pending_mode(wparam);
        recompute_next_mode(wparam);
        break;
    case WM_KEYUP:
        recompute_next_mode(wparam);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show_command) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // A system-colour brush is given as the colour index plus one.
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    wc.lpszClassName = window_class_name;
    if (RegisterClassExA(&wc) == 0) {
        report_window_failure();
        return 1;
    }

    const HWND window = CreateWindowExA(0, window_class_name, window_title, WS_OVERLAPPEDWINDOW, 0, 0,
                                        window_width, window_height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        report_window_failure();
        return 1;
    }
    ShowWindow(window, show_command);

    const DeviceSetup setup = setup_device(window);
    if (!setup.ok) {
        report_fatal("cannot create the Direct3D device", setup.reason);
        return 1;
    }
    setup_input(instance, window);
    render_modes.depth_current = 1;

    MSG msg = {};
    int exit_code = 0;
    bool quit = false;
    while (!quit) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (msg.message == WM_QUIT) {
                quit = true;
                exit_code = static_cast<int>(msg.wParam);
            }
        }
        if (quit)
            break;
        poll_input();
        draw_frame();
    }

    release_device();
    release_input();
    return exit_code;
}
