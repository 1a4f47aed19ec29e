// The GL renderer's drawing of text for the D3DX font: a single-channel glyph atlas per font and a small GLSL
// program that blends coverage-weighted quads over the back buffer at depth 0, as D3DX's sprite draws them:
// alpha-tested (only covered pixels are drawn) under the device's own depth states. Bodies in
// gl_font_quads.cpp.
#pragma once

#include "d3d9_internal.h"

#include "gl_api.h"

#include <memory>
#include <string>
#include <vector>

namespace platform::d3d9 {

// The device's depth states as GL takes them: ZENABLE (with a depth buffer), ZFUNC and ZWRITEENABLE.
struct CoverageDepth {
    bool test = false;
    GLenum function = GL_LEQUAL;
    bool write = false;
};

class CoverageProgram {
  public:
    static std::unique_ptr<CoverageProgram> create(std::string& error);
    ~CoverageProgram();
    CoverageProgram(const CoverageProgram&) = delete;
    CoverageProgram& operator=(const CoverageProgram&) = delete;

    // Forgets the GL objects without deleting them: their context is already gone.
    void abandon() {
        program_ = 0;
    }

    // Draws the quads (back-buffer pixels, y down, depth 0) from the atlas in the colour, clipped to the
    // rectangle; pixels with an alpha of 0 are discarded, so they neither draw nor write depth. Leaves the
    // program, vertex array, blending, depth, culling, scissor and texture unit 0 changed.
    void draw(GLuint atlas, const std::vector<GlyphQuad>& quads, const RECT& clip, D3DCOLOR color,
              const CoverageDepth& depth, UINT width, UINT height);

  private:
    CoverageProgram(GLuint program, GLuint vertex_array, GLuint buffer);
    GLuint program_;
    GLuint vertex_array_;
    GLuint buffer_;
    GLint viewport_;
    GLint colour_;
    std::vector<float> vertices_; // the last draw's vertices, its room kept for the next
};

} // namespace platform::d3d9
