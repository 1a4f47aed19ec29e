// The GL renderer's drawing of text for the D3DX font: a single-channel glyph atlas per font and a small GLSL
// program that blends coverage-weighted quads over the back buffer at depth 0, as D3DX's sprite draws them:
// alpha-tested (only covered pixels are drawn) under the device's own depth states. Bodies in
// gl_font_quads.cpp.
#pragma once

#include "font/glyph_quad.h"

#include <d3d9.h>

#include "gl/gl_api.h"
#include "gl/gl_state.h"
#include "gl/gl_stream_buffer.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace platform::gl {

// The device's depth states as GL takes them: ZENABLE (with a depth buffer), ZFUNC and ZWRITEENABLE.
struct CoverageDepth {
    bool test = false;
    GLenum function = GL_LEQUAL;
    bool write = false;
};

class CoverageProgram {
  public:
    // negate_y: the quads' y is negated, for a clip origin turned against the target's rows (gl_backend.h).
    static std::unique_ptr<CoverageProgram> create(bool negate_y, std::string& error);
    ~CoverageProgram();
    CoverageProgram(const CoverageProgram&) = delete;
    CoverageProgram& operator=(const CoverageProgram&) = delete;

    // Forgets the GL objects without deleting them: their context is already gone.
    void abandon() {
        program_ = 0;
        vertices_buffer_.abandon();
    }
    GLuint program() const {
        return program_;
    }

    // Draws the quads (back-buffer pixels, y down, depth 0) from the atlas in the colour, clipped to the
    // rectangle; pixels with an alpha of 0 are discarded, so they neither draw nor write depth. Sets, through
    // the state shadow, the program, vertex array, blending, depth, culling, scissor and texture unit 0 it
    // needs and leaves them so: consecutive lines of text make no call for state they share.
    void draw(GlState& state, GLuint atlas, const std::vector<font::GlyphQuad>& quads, const RECT& clip,
              D3DCOLOR colour, const CoverageDepth& depth, UINT width, UINT height, bool rows_down);

  private:
    CoverageProgram(GLuint program, GLuint vertex_array, bool negate_y);
    GLuint program_;
    GLuint vertex_array_;
    GlStreamBuffer vertices_buffer_; // each draw's vertices, after the ones before
    GLint viewport_;
    GLint colour_;
    std::vector<float> vertices_; // the last draw's vertices, its room kept for the next
};

} // namespace platform::gl
