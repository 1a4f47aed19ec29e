// The GL renderer's back buffer and what works on it as a whole: the window's own buffers while its client
// area is the back buffer's size and they can stand in for it (colour without alpha, a depth buffer at least
// as deep as asked; a 16-bit one kept exact in a deeper one by the programs' depth rounding, gl_ffp_key.h),
// else the offscreen framebuffer (an RGB8 colour buffer for X8R8G8B8 and the depth buffer the device asked
// for, its rows running down from the top like the window's so that both are rasterised alike), chosen again
// at every Present as the window's size changes; Clear (scissored per rectangle), Present (the buffer swap,
// with the offscreen back buffer first scaled into the client area with linear filtering; a wait instead
// while the context is lost), the reading back of its pixels, and making the context current. OpenGL ES 3.0
// (WebGL 2) takes the same calls but reads pixels back as RGBA bytes only, and always draws offscreen.
#include "gl/gl_colour.h"
#include "gl/gl_backend.h"
#include "trace/test_hooks.h"
#include "win32/win32_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

namespace platform::gl {

void GlBackend::inspect_window_buffers() {
#if !PLATFORM_GL_WINDOW_CAN_BE_BACK_BUFFER
    // The page's canvas keeps the offscreen back buffer: its drawing buffer is cleared once the browser
    // has shown it, and the read-back of the tests needs the picture after the frame.
    window_can_stand_in_ = false;
#else
    state_.bind_draw_framebuffer(0);
    const auto bits = [](GLenum attachment, GLenum what) {
        GLint type = GL_NONE;
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        GLint value = 0;
        if (type != GL_NONE)
            glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment, what, &value);
        return value;
    };
    const GLint red = bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE);
    const GLint green = bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE);
    const GLint blue = bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE);
    const GLint alpha = bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE);
    const GLint depth = bits(GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE);
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    // X8R8G8B8 has no alpha: blending by the destination's alpha reads one, which a window with alpha
    // would not give. Only the depth formats without stencil are kept in the window's depth buffer.
    const D3DFORMAT format = params_.AutoDepthStencilFormat;
    const GLint depth_wanted = !has_depth()             ? 0
                               : format == D3DFMT_D16   ? 16
                               : format == D3DFMT_D24X8 ? 24
                                                        : -1;
    window_can_stand_in_ = !trace::hooks::offscreen_only() && params_.BackBufferFormat == D3DFMT_X8R8G8B8 &&
                           red == 8 && green == 8 && blue == 8 && alpha == 0 && samples == 0 &&
                           depth_wanted >= 0 && depth >= depth_wanted;
    round_depth_ = has_depth() && format == D3DFMT_D16 && depth > 16;
#endif
}

bool GlBackend::make_offscreen(std::string& error) {
    if (framebuffer_ != 0)
        return offscreen_complete_;
    const auto w = static_cast<GLsizei>(width_);
    const auto h = static_cast<GLsizei>(height_);
    glGenFramebuffers(1, &framebuffer_);
    state_.bind_draw_framebuffer(framebuffer_);
    glGenRenderbuffers(1, &colour_buffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_buffer_);
    // X8R8G8B8: no alpha channel, so destination alpha reads as one.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, w, h);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_buffer_);
    if (has_depth()) {
        glGenRenderbuffers(1, &depth_buffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_buffer_);
        const D3DFORMAT format = params_.AutoDepthStencilFormat;
        const GLenum internal = format == D3DFMT_D16     ? GL_DEPTH_COMPONENT16
                                : format == D3DFMT_D24X8 ? GL_DEPTH_COMPONENT24
                                                         : GL_DEPTH24_STENCIL8;
        glRenderbufferStorage(GL_RENDERBUFFER, internal, w, h);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER,
                                  internal == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                  : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depth_buffer_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    offscreen_complete_ = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!offscreen_complete_)
        error = "the back buffer's framebuffer is incomplete";
    return offscreen_complete_;
}

bool GlBackend::init_back_buffer(std::string& error) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_size);
    if (static_cast<GLsizei>(width_) > max_size || static_cast<GLsizei>(height_) > max_size) {
        error = "back buffer larger than " + std::to_string(max_size) + " pixels";
        return false;
    }
#if PLATFORM_GL_HAS_CLIP_CONTROL
    offscreen_rows_down_ = gl_version() >= 45 || gl_has_extension("GL_ARB_clip_control");
#endif
    inspect_window_buffers();
    int client_width = 0;
    int client_height = 0;
    direct_ = window_can_stand_in_ && win32::client_size(window_, &client_width, &client_height) &&
              client_width == static_cast<int>(width_) && client_height == static_cast<int>(height_);
    if (!direct_ && !make_offscreen(error))
        return false;
    bind_target();
    state_.viewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    return true;
}

void GlBackend::use_window(bool direct) {
    if (direct == direct_)
        return;
    std::string error;
    if (!direct && !make_offscreen(error)) {
        // Drawing goes on into the window, shown unscaled.
        std::fprintf(stderr, "Direct3D 9: %s; the picture is not scaled to the window\n", error.c_str());
        window_can_stand_in_ = false;
        return;
    }
    direct_ = direct;
    bind_target();
}

void GlBackend::bind_target() {
    state_.bind_draw_framebuffer(target());
    if (offscreen_rows_down_)
        state_.clip_origin_upper_left(direct_);
}

void GlBackend::clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z) {
    // The stencil buffer is left as it is: no draw tests it (D3DRS_STENCILENABLE is reported), so nothing
    // shows what it holds.
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        // X8R8G8B8: the colour's alpha is not stored.
        auto rgba = rgba_from_d3dcolor(colour);
        rgba[3] = 1.0f;
        state_.clear_colour(rgba);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        state_.depth_mask(true); // Clear writes depth whatever ZWRITEENABLE says
        const float depth = std::clamp(z, 0.0f, 1.0f);
        // A deeper depth buffer standing in for a 16-bit one holds the value the 16-bit buffer would.
        state_.clear_depth(direct_ && round_depth_ ? std::floor(depth * 65535.0f + 0.5f) / 65535.0f : depth);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (rects == nullptr) {
        state_.enable(GlState::kScissorTest, false);
        glClear(mask);
        return;
    }
    state_.enable(GlState::kScissorTest, true);
    for (DWORD i = 0; i < count; ++i) {
        const LONG x1 = std::max<LONG>(rects[i].x1, 0);
        const LONG y1 = std::max<LONG>(rects[i].y1, 0);
        const LONG x2 = std::min<LONG>(rects[i].x2, static_cast<LONG>(width_));
        const LONG y2 = std::min<LONG>(rects[i].y2, static_cast<LONG>(height_));
        if (x2 <= x1 || y2 <= y1)
            continue;
        state_.scissor(x1, scissor_y(y1, y2, static_cast<GLint>(height_), rows_down()), x2 - x1, y2 - y1);
        glClear(mask);
    }
}

#ifdef PLATFORM_TEST_SEAMS
void GlBackend::read_back(std::vector<std::uint32_t>& pixels) {
    state_.bind_read_framebuffer(target());
#if PLATFORM_GL_WINDOW_CAN_BE_BACK_BUFFER
    // Drawn into the window: its back buffer. After a swap it still holds the picture shown where the swap
    // copies it (as Mesa's software renderer on X does); a driver that flips leaves it undefined. The
    // device's Present keeps a copy of its own, read before the swap, once a test has asked for presented
    // pictures.
    if (direct_)
        glReadBuffer(GL_BACK);
#endif
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    std::vector<std::uint32_t> rows(static_cast<size_t>(width_) * height_);
    // As 0xAARRGGBB words; the colour buffer has no alpha, which reads as opaque.
#if !PLATFORM_GL_HAS_BGRA
    // ES reads RGBA bytes only.
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGBA, GL_UNSIGNED_BYTE,
                 rows.data());
    for (std::uint32_t& p : rows) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(&p);
        p = 0xFF000000u | (std::uint32_t{b[0]} << 16) | (std::uint32_t{b[1]} << 8) | b[2];
    }
#else
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
#endif
    if (rows_down()) {
        pixels = std::move(rows);
        return;
    }
    // GL's rows run up from the bottom.
    pixels.resize(rows.size());
    for (UINT y = 0; y < height_; ++y)
        std::copy_n(rows.data() + static_cast<size_t>(height_ - 1 - y) * width_, width_,
                    pixels.data() + static_cast<size_t>(y) * width_);
}
#endif

void GlBackend::present(const RECT& from, const RECT* dest) {
    host::Window* const hw = win32::host_window(window_);
    int client_width = 0;
    int client_height = 0;
    if (hw == nullptr || !win32::client_size(window_, &client_width, &client_height))
        return; // the window is gone (the device checks can_present first)
    const RECT to = dest != nullptr ? *dest : RECT{0, 0, client_width, client_height};
    const auto w = static_cast<LONG>(width_);
    const auto h = static_cast<LONG>(height_);
    const bool same_size = client_width == w && client_height == h;

    // A minimised or hidden window shows nothing, and neither does a lost context: instead of drawing into
    // it, Present waits about one display refresh, so that a program presenting in a loop uses next to no
    // processor time meanwhile (while minimised or lost, its clears and draws are left out too: can_draw).
    if (host::is_minimized(hw) || host::is_hidden(hw) || gl_->lost()) {
        host::wait_refresh(hw);
    } else if (direct_ && same_size && from.left == 0 && from.top == 0 && from.right == w &&
               from.bottom == h && to.left == 0 && to.top == 0 && to.right == w && to.bottom == h) {
        // Drawn into the window at the size it shows: nothing to scale.
        host::swap(hw);
    } else {
        if (direct_) {
            // Drawn into the window, but only part of it is to be shown, or its size changed meanwhile:
            // the picture goes to the offscreen back buffer first, and is scaled from there.
            std::string error;
            if (make_offscreen(error)) {
                state_.bind_read_framebuffer(0);
#if PLATFORM_GL_WINDOW_CAN_BE_BACK_BUFFER
                glReadBuffer(GL_BACK);
#endif
                state_.bind_draw_framebuffer(framebuffer_);
                state_.enable(GlState::kScissorTest, false);
                // The window's rows run up in GL; the offscreen buffer's may run down.
                const bool flip = offscreen_rows_down_;
                glBlitFramebuffer(0, 0, w, h, 0, flip ? h : 0, w, flip ? 0 : h, GL_COLOR_BUFFER_BIT,
                                  GL_NEAREST);
            }
        }
        if (framebuffer_ != 0 && offscreen_complete_)
            blit_to_window(hw, from, to, client_width, client_height);
        else
            host::swap(hw);
    }
    // The next frame is drawn straight into the window while it shows the back buffer at its own size.
    use_window(window_can_stand_in_ && same_size);
}

void GlBackend::blit_to_window(host::Window* window, const RECT& from, const RECT& to, int client_width,
                               int client_height) {
    // Scale the back buffer into the client area. Direct3D's rectangles count rows down from the top; the
    // window's rows run up in GL, and so do the offscreen buffer's unless they run down: the picture keeps
    // its way up.
    const GLint source_y =
        scissor_y(from.top, from.bottom, static_cast<GLint>(height_), offscreen_rows_down_);
    GLint target_y0 = client_height - to.bottom;
    GLint target_y1 = client_height - to.top;
    if (offscreen_rows_down_)
        std::swap(target_y0, target_y1); // the source's top row first: the blit flips the rows
    state_.bind_read_framebuffer(framebuffer_);
    state_.bind_draw_framebuffer(0);
    state_.enable(GlState::kScissorTest, false);
    // What the picture does not cover is black; a picture over the whole client area needs no clear first.
    if (to.left > 0 || to.top > 0 || to.right < client_width || to.bottom < client_height) {
        state_.clear_colour({0.0f, 0.0f, 0.0f, 1.0f});
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glBlitFramebuffer(from.left, source_y, from.right, source_y + (from.bottom - from.top), to.left,
                      target_y0, to.right, target_y1, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    host::swap(window);
    state_.forget_framebuffers();
    bind_target();
}

bool GlBackend::make_current() {
    if (!gl_->make_current())
        return false;
    bind_target();
    return true;
}

} // namespace platform::gl
