// Present on the Direct3D 9 device: the back buffer (an offscreen framebuffer) scaled into the window's
// client area with linear filtering, then the buffer swap. Also the test hooks of the Direct3D 9 part:
// reading back the last presented picture, a hook called after each presentation, and making named
// operations fail.
#include "d3d9_device.h"
#include "d3d9_trace.h"
#include "win32_internal.h"

#include <platform_test.h>

#include <functional>
#include <string>

namespace platform::d3d9 {

namespace {

struct PresentedPicture {
    Device* device = nullptr; // the live device that presented last
    bool requested = false;   // a test has asked for presented pixels
    std::vector<std::uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
    std::function<void()> hook; // called after every successful Present
};

PresentedPicture& presented() {
    static PresentedPicture picture;
    return picture;
}

std::string& failing_operation() {
    static std::string name;
    return name;
}

} // namespace

bool capture_requested() {
    return presented().requested;
}

void store_presented(std::vector<std::uint32_t> pixels, UINT width, UINT height) {
    PresentedPicture& p = presented();
    p.pixels = std::move(pixels);
    p.width = width;
    p.height = height;
}

void note_presenting_device(Device* device) {
    presented().device = device;
}

void forget_presenting_device(Device* device) {
    PresentedPicture& p = presented();
    if (p.device != device)
        return;
    // Keep the last picture: tests look at it after the program has released everything.
    std::vector<std::uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
    if (device->presented_pixels(pixels, width, height))
        store_presented(std::move(pixels), width, height);
    p.device = nullptr;
}

void Device::read_back(std::vector<std::uint32_t>& pixels) {
    pixels.assign(static_cast<size_t>(width_) * height_, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    std::vector<std::uint32_t> rows(pixels.size());
    // As 0xAARRGGBB words; the colour buffer has no alpha, which reads as opaque.
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    // GL's rows run up from the bottom.
    for (UINT y = 0; y < height_; ++y)
        std::copy_n(rows.data() + static_cast<size_t>(height_ - 1 - y) * width_, width_,
                    pixels.data() + static_cast<size_t>(y) * width_);
}

bool Device::presented_pixels(std::vector<std::uint32_t>& pixels, UINT& width, UINT& height) {
    if (!presented_once_ || !back_buffer_is_presented_ || !make_current())
        return false;
    read_back(pixels);
    width = width_;
    height = height_;
    return true;
}

void Device::blit_to_window(SDL_Window* sdl, const RECT& from, const RECT& to, int client_width,
                            int client_height) {
    // Scale the back buffer into the client area; rows flip between Direct3D's top-down rectangles and
    // GL's bottom-up coordinates on both sides, so the picture keeps its way up.
    const auto h = static_cast<GLint>(height_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // What the picture does not cover is black; a picture over the whole client area needs no clear first.
    if (to.left > 0 || to.top > 0 || to.right < client_width || to.bottom < client_height) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBlitFramebuffer(from.left, h - from.bottom, from.right, h - from.top, to.left,
                      client_height - to.bottom, to.right, client_height - to.top, GL_COLOR_BUFFER_BIT,
                      GL_LINEAR);
    SDL_GL_SwapWindow(sdl);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

HRESULT Device::Present(const RECT* source, const RECT* dest, HWND override_window, const RGNDATA* dirty) {
    trace::call("Present", RectPtr{source}, RectPtr{dest}, override_window, dirty);
    if (override_window != nullptr && override_window != window_)
        return D3DERR_INVALIDCALL; // presenting into another window is not offered
    SDL_Window* const sdl = win32::sdl_window(window_);
    if (sdl == nullptr || !make_current())
        return D3DERR_INVALIDCALL; // the device's window no longer exists

    RECT from{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
    if (source != nullptr) {
        if (source->left < 0 || source->top < 0 || source->right > from.right ||
            source->bottom > from.bottom || source->left >= source->right || source->top >= source->bottom)
            return D3DERR_INVALIDCALL;
        from = *source;
    }
    int client_width = 0;
    int client_height = 0;
    if (!win32::client_size(window_, &client_width, &client_height))
        SDL_GL_GetDrawableSize(sdl, &client_width, &client_height);
    RECT to{0, 0, client_width, client_height};
    if (dest != nullptr)
        to = *dest;

    if (capture_requested()) {
        std::vector<std::uint32_t> pixels;
        read_back(pixels);
        store_presented(std::move(pixels), width_, height_);
    }

    // A minimised or hidden window shows nothing: instead of drawing into it, Present waits about one display
    // refresh, so that a program presenting in a loop uses next to no processor time meanwhile (while
    // minimised, its clears and draws are left out too: make_current_to_draw).
    if ((SDL_GetWindowFlags(sdl) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) != 0) {
        SDL_DisplayMode mode{};
        const int display = SDL_GetWindowDisplayIndex(sdl);
        const int hz = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0
                           ? mode.refresh_rate
                           : 60;
        SDL_Delay(static_cast<Uint32>(1000 / hz));
    } else {
        blit_to_window(sdl, from, to, client_width, client_height);
    }
    mark(kDirtyGl);

    back_buffer_is_presented_ = true;
    presented_once_ = true;
    note_presenting_device(this);
    if (presented().hook) {
        const auto hook = presented().hook; // the hook may replace itself
        hook();
    }
    return D3D_OK;
}

} // namespace platform::d3d9

namespace platform::test {

void on_present(std::function<void()> hook) {
    d3d9::presented().hook = std::move(hook);
}

void fail_operation(std::string name) {
    d3d9::failing_operation() = std::move(name);
}

bool should_fail(std::string_view name) {
    const std::string& failing = d3d9::failing_operation();
    return !failing.empty() && failing == name;
}

std::vector<std::uint32_t> presented_pixels(UINT* width, UINT* height) {
    d3d9::PresentedPicture& p = d3d9::presented();
    p.requested = true;
    std::vector<std::uint32_t> pixels;
    UINT w = 0;
    UINT h = 0;
    if (p.device == nullptr || !p.device->presented_pixels(pixels, w, h)) {
        pixels = p.pixels;
        w = p.width;
        h = p.height;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    return pixels;
}

} // namespace platform::test
