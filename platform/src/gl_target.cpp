// The GL renderer's back buffer and what works on it as a whole: the offscreen framebuffer (an RGB8 colour
// buffer for X8R8G8B8 and the depth buffer the device asked for), Clear (scissored per rectangle), Present
// (the back buffer scaled into the window's client area with linear filtering, then the buffer swap) and the
// reading back of its pixels. OpenGL ES 3.0 (WebGL 2) takes the same calls but reads pixels back as RGBA
// bytes only.
#include "d3d9_color.h"
#include "gl_backend.h"
#include "win32_internal.h"

#include <algorithm>

namespace platform::d3d9 {

bool GlBackend::init_back_buffer(std::string& error) {
    const auto w = static_cast<GLsizei>(width_);
    const auto h = static_cast<GLsizei>(height_);
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_size);
    if (w > max_size || h > max_size) {
        error = "back buffer larger than " + std::to_string(max_size) + " pixels";
        return false;
    }

    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &color_buffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, color_buffer_);
    // X8R8G8B8: no alpha channel, so destination alpha reads as one.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, w, h);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_buffer_);
    if (params_.EnableAutoDepthStencil != FALSE) {
        glGenRenderbuffers(1, &depth_buffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_buffer_);
        const D3DFORMAT format = params_.AutoDepthStencilFormat;
        const GLenum internal = format == D3DFMT_D16     ? GL_DEPTH_COMPONENT16
                                : format == D3DFMT_D24X8 ? GL_DEPTH_COMPONENT24
                                                         : GL_DEPTH24_STENCIL8;
        glRenderbufferStorage(GL_RENDERBUFFER, internal, w, h);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  internal == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                  : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depth_buffer_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "the back buffer's framebuffer is incomplete";
        return false;
    }
    glViewport(0, 0, w, h);
    return true;
}

void GlBackend::clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        // X8R8G8B8: the colour's alpha is not stored.
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        const auto rgba = rgba_from_d3dcolor(color);
        glClearColor(rgba[0], rgba[1], rgba[2], 1.0f);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        glDepthMask(GL_TRUE); // Clear writes depth whatever ZWRITEENABLE says
#if defined(__EMSCRIPTEN__)
        glClearDepthf(std::clamp(z, 0.0f, 1.0f));
#else
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
#endif
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & D3DCLEAR_STENCIL) {
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    if (rects == nullptr) {
        glDisable(GL_SCISSOR_TEST);
        glClear(mask);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < count; ++i) {
        const LONG x1 = std::max<LONG>(rects[i].x1, 0);
        const LONG y1 = std::max<LONG>(rects[i].y1, 0);
        const LONG x2 = std::min<LONG>(rects[i].x2, static_cast<LONG>(width_));
        const LONG y2 = std::min<LONG>(rects[i].y2, static_cast<LONG>(height_));
        if (x2 <= x1 || y2 <= y1)
            continue;
        // Direct3D's rows run down from the top, GL's up from the bottom.
        glScissor(x1, static_cast<GLint>(height_) - y2, x2 - x1, y2 - y1);
        glClear(mask);
    }
    glDisable(GL_SCISSOR_TEST);
}

void GlBackend::read_back(std::vector<std::uint32_t>& pixels) {
    pixels.assign(static_cast<size_t>(width_) * height_, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    std::vector<std::uint32_t> rows(pixels.size());
    // As 0xAARRGGBB words; the colour buffer has no alpha, which reads as opaque.
#if defined(__EMSCRIPTEN__)
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
    // GL's rows run up from the bottom.
    for (UINT y = 0; y < height_; ++y)
        std::copy_n(rows.data() + static_cast<size_t>(height_ - 1 - y) * width_, width_,
                    pixels.data() + static_cast<size_t>(y) * width_);
}

void GlBackend::present(const RECT& from, const RECT* dest) {
    host::Window* const hw = win32::host_window(window_);
    int client_width = 0;
    int client_height = 0;
    if (hw == nullptr || !win32::client_size(window_, &client_width, &client_height))
        return; // the window is gone (the device checks can_present first)
    const RECT to = dest != nullptr ? *dest : RECT{0, 0, client_width, client_height};

    // A minimised or hidden window shows nothing: instead of drawing into it, Present waits about one display
    // refresh, so that a program presenting in a loop uses next to no processor time meanwhile (while
    // minimised, its clears and draws are left out too: can_draw).
    if (host::is_minimized(hw) || host::is_hidden(hw))
        host::wait_refresh(hw);
    else
        blit_to_window(hw, from, to, client_width, client_height);
}

void GlBackend::blit_to_window(host::Window* window, const RECT& from, const RECT& to, int client_width,
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
    host::swap(window);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
}

} // namespace platform::d3d9
