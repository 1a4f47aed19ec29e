// Present on the Direct3D 9 device: its checks, then the renderer (render_backend.h) shows the whole back
// buffer scaled into the window's client area, as the program presents it; rectangles and a dirty region are
// reported and left out. With the test seams, also the last presented picture, kept for the tests once one
// has asked for it (presented_pixels of platform_test.h).
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"
#include "trace/test_hooks.h"
#include "trace/unimplemented.h"

#include <platform_test.h>

namespace platform::d3d9 {

HRESULT Device::Present(const RECT* source, const RECT* dest, HWND override_window, const RGNDATA* dirty) {
    trace::call("Present", RectPtr{source}, RectPtr{dest}, override_window, dirty);
    if (override_window != nullptr && override_window != window_)
        return D3DERR_INVALIDCALL; // presenting into another window is not offered
    if (!backend_->can_present())
        return D3DERR_INVALIDCALL; // the device's window no longer exists
    // Which of the three the caller gave: 1 the source, 2 the destination, 4 the dirty region.
    if (const DWORD given = (source ? 1 : 0) | (dest ? 2 : 0) | (dirty ? 4 : 0); given != 0)
        trace::report_unimplemented("Present's rectangles", given,
                                    "the whole back buffer in the whole client area");
    back_buffer_presented();
    backend_->present(RECT{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)}, nullptr);
    trace::hooks::after_present();
    return D3D_OK;
}

} // namespace platform::d3d9

#ifdef PLATFORM_TEST_SEAMS

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

bool Device::presented_pixels(std::vector<std::uint32_t>& pixels, UINT& width, UINT& height) {
    if (!back_buffer_is_presented_ || !backend_->make_current())
        return false;
    backend_->read_back(pixels);
    width = width_;
    height = height_;
    return true;
}

void Device::back_buffer_presented() {
    PresentedPicture& p = presented();
    if (p.requested) {
        backend_->read_back(p.pixels);
        p.width = width_;
        p.height = height_;
    }
    p.device = this;
    back_buffer_is_presented_ = true;
}

// Keeps the last picture: tests look at it after the program has released everything.
void Device::back_buffer_going() {
    PresentedPicture& p = presented();
    if (p.device != this)
        return;
    presented_pixels(p.pixels, p.width, p.height);
    p.device = nullptr;
}

} // namespace platform::d3d9

// The last presented picture: read back from the device that presented it while its back buffer still holds
// it, else the copy kept at its release or at each Present; from the first call on, Present keeps a copy.
std::vector<std::uint32_t> platform::trace::test::presented_pixels(UINT* width, UINT* height) {
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

#endif
