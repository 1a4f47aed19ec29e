// Frame benchmark: the whole viewer at its start pose, the viewer turned down onto the box with a narrow
// field of view so that the box fills much of the window ("viewer-near"), at its start pose with the fur
// filtered linearly instead of anisotropically ("viewer-linear", as F8 pressed twice leaves it), or a bare
// loop that only clears and presents a 1024 x 768 back buffer on the same kind of window ("bare": drawn
// straight into the window, whose client area is the back buffer's size where no window manager frames it),
// or the same loop kept to the offscreen back buffer that Present copies into the window ("bare-copy"), run
// for a fixed number of frames on the current display. Prints one line of figures: frames per second, CPU
// time per frame, time from start to the first presented frame, the process's peak memory, and the share of
// the last picture that is not black (the box and the text). With a file name, also writes each timed frame's
// time in milliseconds to it, one a line. scripts/bench runs each mode in a process of its own and makes the
// table.
//
//   frame_bench viewer|viewer-near|viewer-linear|bare|bare-copy [frames] [frame-times-file]
//
// The retrace wait is switched off by the display driver (Mesa's vblank_mode=0, set by scripts/bench), so
// the figures measure the work of a frame, not the display's refresh rate.
#include <windows.h>
#include <d3d9.h>

#include <platform_test.h>

#include "app/render_modes.h"
#include "camera/camera.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
    Clock::time_point start;
    Clock::time_point first_frame;
    Clock::time_point end;
    int frames = 0;
    std::vector<Clock::time_point> presents; // reserved up front: no allocation while timing
};

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peak_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The viewer itself: WinMain, ended with the quit message once `frames` frames are presented. Near: after
// the first frame, the camera turns down onto the box (as a mouse moved 350 counts towards the user would
// turn it) and the field of view narrows to 20 degrees (as 25 wheel notches would narrow it). Linear: after
// the first frame, the texture filter is linear.
bool run_viewer(int frames, bool near, bool linear, Timing& timing, double& cpu_in_loop) {
    int presented = 0;
    double cpu_at_first = 0.0;
    platform::trace::test::on_present([&] {
        ++presented;
        timing.presents.push_back(Clock::now());
        if (presented == 1) {
            timing.first_frame = Clock::now();
            cpu_at_first = cpu_seconds();
            if (near) {
                camera.pitch -= 0.35f;
                camera.fov = 20;
            }
            if (linear)
                render_modes.filter_current = 2;
        }
        if (presented == frames) {
            timing.end = Clock::now();
            cpu_in_loop = cpu_seconds() - cpu_at_first;
            PostQuitMessage(0);
        }
    });
    static char empty_command_line[] = "";
    static int instance_tag = 0;
    const int code =
        WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, empty_command_line, SW_SHOWDEFAULT);
    platform::trace::test::on_present(nullptr);
    timing.frames = frames - 1; // frames presented between the first and the last mark
    return code == 0 && presented == frames;
}

LRESULT CALLBACK bare_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

// The bare loop: the same window and device, a clear and a present per frame, nothing else; with copy, drawn
// into the offscreen back buffer and copied into the window at Present.
bool run_bare(int frames, bool copy, Timing& timing, double& cpu_in_loop) {
    static int instance_tag = 0;
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(&instance_tag);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = bare_window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = "BareClass";
    if (RegisterClassExA(&wc) == 0)
        return false;
    const HWND window = CreateWindowExA(0, "BareClass", "Bare loop", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                        nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return false;
    ShowWindow(window, SW_SHOWDEFAULT);
    platform::trace::test::draw_offscreen_only(copy);
    IDirect3D9* const d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (d3d == nullptr)
        return false;
    D3DPRESENT_PARAMETERS d3dpp = {};
    d3dpp.Windowed = TRUE;
    d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    d3dpp.hDeviceWindow = window;
    d3dpp.BackBufferFormat = D3DFMT_X8R8G8B8;
    d3dpp.BackBufferWidth = 1024;
    d3dpp.BackBufferHeight = 768;
    d3dpp.EnableAutoDepthStencil = TRUE;
    d3dpp.AutoDepthStencilFormat = D3DFMT_D16;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3dpp, &device))) {
        d3d->Release();
        return false;
    }
    double cpu_at_first = 0.0;
    for (int frame = 0; frame <= frames - 1; ++frame) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        timing.presents.push_back(Clock::now());
        if (frame == 0) {
            timing.first_frame = Clock::now();
            cpu_at_first = cpu_seconds();
        }
    }
    timing.end = Clock::now();
    cpu_in_loop = cpu_seconds() - cpu_at_first;
    timing.frames = frames - 1;
    device->Release();
    d3d->Release();
    return true;
}

// The share of the last presented picture's pixels that are not black (the device keeps that picture when
// it is released, so asking for it costs the timed frames nothing).
double lit_share() {
    UINT width = 0;
    UINT height = 0;
    const std::vector<std::uint32_t> pixels = platform::trace::test::presented_pixels(&width, &height);
    if (pixels.empty())
        return 0.0;
    size_t lit = 0;
    for (const std::uint32_t p : pixels)
        lit += (p & 0xFFFFFF) != 0 ? 1 : 0;
    return static_cast<double>(lit) / static_cast<double>(pixels.size());
}

} // namespace

int main(int argc, char** argv) {
    Timing timing;
    timing.start = Clock::now();
    const std::string mode = argc > 1 ? argv[1] : "viewer";
    const int frames = argc > 2 ? std::atoi(argv[2]) : 600;
    if (frames < 2 || (mode != "viewer" && mode != "viewer-near" && mode != "viewer-linear" &&
                       mode != "bare" && mode != "bare-copy")) {
        std::fprintf(stderr,
                     "usage: frame_bench viewer|viewer-near|viewer-linear|bare|bare-copy [frames >= 2] "
                     "[frame-times-file]\n");
        return 2;
    }
    timing.presents.reserve(static_cast<size_t>(frames));
    double cpu_in_loop = 0.0;
    const bool ran =
        mode == "bare" || mode == "bare-copy"
            ? run_bare(frames, mode == "bare-copy", timing, cpu_in_loop)
            : run_viewer(frames, mode == "viewer-near", mode == "viewer-linear", timing, cpu_in_loop);
    if (!ran) {
        std::fprintf(stderr, "frame_bench: the %s run did not complete\n", mode.c_str());
        return 1;
    }
    if (argc > 3) {
        FILE* const out = std::fopen(argv[3], "w");
        if (out == nullptr) {
            std::fprintf(stderr, "frame_bench: cannot write %s\n", argv[3]);
            return 1;
        }
        for (size_t i = 1; i < timing.presents.size(); ++i)
            std::fprintf(
                out, "%.4f\n",
                std::chrono::duration<double, std::milli>(timing.presents[i] - timing.presents[i - 1])
                    .count());
        std::fclose(out);
    }
    const double loop_seconds = std::chrono::duration<double>(timing.end - timing.first_frame).count();
    const double startup_ms =
        std::chrono::duration<double, std::milli>(timing.first_frame - timing.start).count();
    // mode fps cpu_ms_per_frame startup_ms peak_kib lit_share
    std::printf("%s %.1f %.3f %.1f %ld %.3f\n", mode.c_str(), timing.frames / loop_seconds,
                1000.0 * cpu_in_loop / timing.frames, startup_ms, peak_kib(), lit_share());
    return 0;
}
