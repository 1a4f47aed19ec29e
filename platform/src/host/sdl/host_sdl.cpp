// The SDL host's display and windows (host.h on SDL2): starting SDL video, windows made hidden with the GL
// attributes of the renderer (OpenGL 3.3 core, double buffered, RGBA 8-8-8-0, a depth buffer of at least
// 16 bits and no stencil buffer in the window's own framebuffer), showing them, their sizes, and fitting a
// window manager's frame into the outer rectangle asked for. The size given for a window is its outer size,
// so where a window manager adds a frame the SDL (client) window is made that much smaller and placed so that
// the frame's corner is at the given position, as soon as the window manager has framed the shown window and
// told the frame's size (poll_event looks for it when the queue runs dry; host_sdl_events.cpp).
#include "host/sdl/host_sdl_internal.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>

namespace platform::host {

struct Window {
    SDL_Window* sdl = nullptr;
    Uint32 id = 0;
    int outer_x = 0, outer_y = 0, outer_width = 0, outer_height = 0;
    bool visible = false;
    bool frame_fitted = false;
};

namespace {

std::map<Window*, std::unique_ptr<Window>>& windows() {
    static std::map<Window*, std::unique_ptr<Window>> w;
    return w;
}

// Why no window can be shown, in words: SDL's own reasons name drivers rather than displays.
std::string no_display_reason() {
    const char* const asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && *asked != '\0')
        return std::string("no display: ") + SDL_GetError();
    const char* const display = SDL_getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return "no display: DISPLAY is not set";
    return std::string("no display: cannot open X display \"") + display + "\"";
}

// Moves and resizes the SDL window so that its frame fills the outer rectangle asked for. A window manager
// frames a window only once it is mapped, and tells the frame's size some time after (_NET_FRAME_EXTENTS,
// which SDL reads as it comes), so this is tried again until the window has a frame; a window without one
// (no window manager) keeps the whole outer size as its client area.
void fit_frame(Window& w) {
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(w.sdl, &top, &left, &bottom, &right) != 0)
        return;
    if (top == 0 && left == 0 && bottom == 0 && right == 0)
        return;
    w.frame_fitted = true;
    SDL_SetWindowSize(w.sdl, std::max(1, w.outer_width - left - right),
                      std::max(1, w.outer_height - top - bottom));
    SDL_SetWindowPosition(w.sdl, w.outer_x + left, w.outer_y + top);
}

void set_gl_attributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    // The renderer draws straight into the window when it can (gl_target.cpp), with the device's depth.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

} // namespace

bool start_video(std::string& reason) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        return true;
    // Without a Wayland display, X11 is the one display to try: asking Wayland anyway makes its library
    // print a complaint of its own on stderr. SDL_VIDEODRIVER still chooses.
    const char* const wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (wayland == nullptr || *wayland == '\0')
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_DEFAULT);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        reason = no_display_reason();
        return false;
    }
    // Drivers that show nothing (offscreen, dummy) are no display, unless asked for by name (the tests of
    // the message queue use the dummy driver): a window there is one nobody can see or close.
    const char* const driver = SDL_GetCurrentVideoDriver();
    const char* const asked = SDL_getenv("SDL_VIDEODRIVER");
    const std::string_view name = driver == nullptr ? "" : driver;
    const bool shows_nothing = name == "offscreen" || name == "dummy" || name == "evdev";
    if (shows_nothing && (asked == nullptr || SDL_strcasecmp(asked, driver) != 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        reason = no_display_reason();
        return false;
    }
    return true;
}

bool video_running() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

Window* create_window(const WindowSpec& spec, std::string& error) {
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
    // The dummy video driver (windows without a display, for tests of the message queue) has no OpenGL.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!(driver != nullptr && std::string_view(driver) == "dummy")) {
        set_gl_attributes();
        flags |= SDL_WINDOW_OPENGL;
    }
    SDL_Window* sdl = SDL_CreateWindow(spec.title, spec.x, spec.y, spec.width, spec.height, flags);
    if (sdl == nullptr) {
        error = SDL_GetError();
        return nullptr;
    }
    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    w->sdl = sdl;
    w->id = SDL_GetWindowID(sdl);
    w->outer_x = spec.x;
    w->outer_y = spec.y;
    w->outer_width = spec.width;
    w->outer_height = spec.height;
    windows().emplace(w, std::move(owned));
    return w;
}

void destroy_window(Window* window) {
    const auto it = windows().find(window);
    if (it == windows().end())
        return;
    SDL_DestroyWindow(window->sdl);
    windows().erase(it);
}

void show_window(Window* w) {
    w->visible = true;
    SDL_ShowWindow(w->sdl);
    if (!w->frame_fitted)
        fit_frame(*w);
    SDL_RaiseWindow(w->sdl);
}

bool is_minimized(Window* window) {
    return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED) != 0;
}

bool is_hidden(Window* window) {
    return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_HIDDEN) != 0;
}

void client_size(Window* window, int* width, int* height) {
    SDL_GetWindowSize(window->sdl, width, height);
}

void drawable_size(Window* window, int* width, int* height) {
    if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_OPENGL)
        SDL_GL_GetDrawableSize(window->sdl, width, height);
    else
        SDL_GetWindowSize(window->sdl, width, height);
}

void wait_refresh(Window* window) {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window->sdl);
    const int hz = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0
                       ? mode.refresh_rate
                       : 60;
    SDL_Delay(static_cast<Uint32>(1000 / hz));
}

} // namespace platform::host

namespace platform::host {

SDL_Window* sdl_window(host::Window* window) {
    return window == nullptr ? nullptr : window->sdl;
}

host::Window* from_sdl_id(Uint32 window_id) {
    for (const auto& [w, owned] : host::windows())
        if (w->id == window_id)
            return w;
    return nullptr;
}

void fit_frames() {
    for (const auto& [w, owned] : host::windows())
        if (w->visible && !w->frame_fitted)
            host::fit_frame(*w);
}

} // namespace platform::host
