// Present on the Direct3D 9 device: its checks, then the renderer (render_backend.h) shows the back buffer
// scaled into the window's client area. Also the last presented picture, kept for the tests once one has
// asked for it (presented_pixels of platform_test.h).
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"
#include "trace/test_hooks.h"

#include <platform_test.h>

#include <algorithm>

namespace platform::d3d9 {

namespace {

struct PresentedPicture {
    Device* device = nullptr; // the live device that presented last
    bool requested = false;   // a test has asked for presented pixels
    std::vector<std::uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
};

PresentedPicture& presented() {
    static PresentedPicture picture;
    return picture;
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

bool Device::presented_pixels(std::vector<std::uint32_t>& pixels, UINT& width, UINT& height) {
    if (!presented_once_ || !back_buffer_is_presented_ || !backend_->make_current())
        return false;
    backend_->read_back(pixels);
    width = width_;
    height = height_;
    return true;
}

HRESULT Device::Present(const RECT* source, const RECT* dest, HWND override_window, const RGNDATA* dirty) {
    trace::call("Present", RectPtr{source}, RectPtr{dest}, override_window, dirty);
    if (override_window != nullptr && override_window != window_)
        return D3DERR_INVALIDCALL; // presenting into another window is not offered
    if (!backend_->can_present())
        return D3DERR_INVALIDCALL; // the device's window no longer exists

    RECT from{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
    if (source != nullptr) {
        // A source rectangle reaching beyond the back buffer is clipped to it, as Direct3D 9 documents; one
        // with nothing of the back buffer left in it is refused.
        const RECT clipped{std::max(source->left, from.left), std::max(source->top, from.top),
                           std::min(source->right, from.right), std::min(source->bottom, from.bottom)};
        if (clipped.left >= clipped.right || clipped.top >= clipped.bottom)
            return D3DERR_INVALIDCALL;
        from = clipped;
    }

    if (capture_requested()) {
        std::vector<std::uint32_t> pixels;
        backend_->read_back(pixels);
        store_presented(std::move(pixels), width_, height_);
    }
    backend_->present(from, dest);

    back_buffer_is_presented_ = true;
    presented_once_ = true;
    note_presenting_device(this);
    hooks::after_present();
    return D3D_OK;
}

} // namespace platform::d3d9

namespace platform::test {

// The last presented picture: read back from the device that presented it while it lives, else the copy kept
// at its release or at each Present; from the first call on, Present keeps a copy.
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
