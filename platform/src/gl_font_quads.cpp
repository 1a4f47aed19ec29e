// The GL renderer's glyph atlases and coverage quads for the D3DX font (create_atlas, destroy_atlas and
// draw_quads of render_backend.h): GL_R8 textures, and quads blended source-alpha over inverse-source-alpha
// onto the back buffer, clipped by the scissor test, at depth 0 with an alpha test that discards uncovered
// pixels, under the depth states the device hands over. The GL state the emulation relies on is left changed:
// the device marks it for setting again before the next draw.
#include "gl_font_quads.h"
#include "d3d9_color.h"
#include "gl_backend.h"
#include "gl_ffp_program.h"

#include <algorithm>

namespace platform::d3d9 {

namespace {

// D3DCMP_NEVER (1) to D3DCMP_ALWAYS (8) in the order of GL_NEVER to GL_ALWAYS.
static_assert(GL_LEQUAL == GL_NEVER + (D3DCMP_LESSEQUAL - D3DCMP_NEVER) &&
              GL_ALWAYS == GL_NEVER + (D3DCMP_ALWAYS - D3DCMP_NEVER));
GLenum depth_function(DWORD func) {
    return func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? GL_NEVER + static_cast<GLenum>(func - D3DCMP_NEVER)
                                                         : GL_ALWAYS;
}

const char* const kVertexShader = R"(
layout(location = 0) in vec4 aQuad; // x, y in back-buffer pixels (y down), u, v in the atlas
uniform vec2 uViewport;
out vec2 vAtlas;
void main() {
    // Direct3D's depth 0 is GL's near plane, -1 before the viewport maps it to 0.
    gl_Position = vec4(aQuad.x * 2.0 / uViewport.x - 1.0, 1.0 - aQuad.y * 2.0 / uViewport.y, -1.0, 1.0);
    vAtlas = aQuad.zw;
}
)";

const char* const kFragmentShader = R"(
in vec2 vAtlas;
uniform sampler2D uAtlas;
uniform vec4 uColour;
out vec4 fragColor;
void main() {
    float alpha = uColour.a * texture(uAtlas, vAtlas).r;
    if (!(alpha > 0.0))
        discard;
    fragColor = vec4(uColour.rgb, alpha);
}
)";

} // namespace

std::unique_ptr<CoverageProgram> CoverageProgram::create(std::string& error) {
    const std::string prologue = glsl_prologue(kGlEs ? GlslDialect::kEs300 : GlslDialect::kCore330);
    const GLuint program =
        build_program((prologue + kVertexShader).c_str(), (prologue + kFragmentShader).c_str(), error);
    if (program == 0)
        return nullptr;
    GLuint vertex_array = 0;
    GLuint buffer = 0;
    glGenVertexArrays(1, &vertex_array);
    glGenBuffers(1, &buffer);
    glBindVertexArray(vertex_array);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glBindVertexArray(0);
    return std::unique_ptr<CoverageProgram>(new CoverageProgram(program, vertex_array, buffer));
}

CoverageProgram::CoverageProgram(GLuint program, GLuint vertex_array, GLuint buffer)
    : program_(program), vertex_array_(vertex_array), buffer_(buffer) {
    viewport_ = glGetUniformLocation(program_, "uViewport");
    colour_ = glGetUniformLocation(program_, "uColour");
    glUseProgram(program_);
    glUniform1i(glGetUniformLocation(program_, "uAtlas"), 0);
}

CoverageProgram::~CoverageProgram() {
    if (program_ == 0)
        return;
    glDeleteBuffers(1, &buffer_);
    glDeleteVertexArrays(1, &vertex_array_);
    glDeleteProgram(program_);
}

void CoverageProgram::draw(GLuint atlas, const std::vector<GlyphQuad>& quads, const RECT& clip,
                           D3DCOLOR color, const CoverageDepth& depth, UINT width, UINT height) {
    const LONG left = std::max<LONG>(clip.left, 0);
    const LONG top = std::max<LONG>(clip.top, 0);
    const LONG right = std::min<LONG>(clip.right, static_cast<LONG>(width));
    const LONG bottom = std::min<LONG>(clip.bottom, static_cast<LONG>(height));
    if (quads.empty() || right <= left || bottom <= top)
        return;

    std::vector<float>& vertices = vertices_; // refilled: its room is kept from one draw to the next
    vertices.clear();
    for (const GlyphQuad& q : quads) {
        const float corners[6][4] = {{q.x0, q.y0, q.u0, q.v0}, {q.x1, q.y0, q.u1, q.v0},
                                     {q.x0, q.y1, q.u0, q.v1}, {q.x0, q.y1, q.u0, q.v1},
                                     {q.x1, q.y0, q.u1, q.v0}, {q.x1, q.y1, q.u1, q.v1}};
        for (const auto& c : corners)
            vertices.insert(vertices.end(), c, c + 4);
    }

    glUseProgram(program_);
    glUniform2f(viewport_, static_cast<float>(width), static_cast<float>(height));
    const auto rgba = rgba_from_d3dcolor(color);
    glUniform4f(colour_, rgba[0], rgba[1], rgba[2], rgba[3]);
    glBindVertexArray(vertex_array_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STREAM_DRAW);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, atlas);
    glBindSampler(0, 0); // the atlas's own filtering, not sampler 0's

    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    if (depth.test) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(depth.function);
        glDepthMask(depth.write ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDisable(GL_CULL_FACE);
#if !defined(__EMSCRIPTEN__)
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); // ES draws filled polygons only
#endif
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquation(GL_FUNC_ADD);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, static_cast<GLint>(height) - bottom, right - left, bottom - top);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size() / 4));
    glDisable(GL_SCISSOR_TEST);
}

// ---- The renderer's side ----

AtlasHandle GlBackend::create_atlas(UINT width, UINT height, const std::uint8_t* coverage) {
    // GL would make the texture and leave it empty: refuse an atlas beyond the largest side it takes.
    const UINT max_side = max_texture_side();
    if (width > max_side || height > max_side)
        return 0;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (int stale = 0; stale < 8 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                 GL_RED, GL_UNSIGNED_BYTE, coverage);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    atlases_.insert(texture);
    return texture;
}

void GlBackend::destroy_atlas(AtlasHandle atlas) {
    if (atlases_.erase(atlas) == 0)
        return;
    if (make_current()) {
        const GLuint texture = atlas;
        glDeleteTextures(1, &texture);
    }
}

bool GlBackend::draw_quads(AtlasHandle atlas, const std::vector<GlyphQuad>& quads, const RECT& clip,
                           D3DCOLOR color, const QuadDepth& depth) {
    if (atlases_.count(atlas) == 0)
        return false;
    const CoverageDepth gl_depth{depth.test && depth_buffer_ != 0, depth_function(depth.function),
                                 depth.write};
    coverage_->draw(atlas, quads, clip, color, gl_depth, width_, height_);
    return true;
}

} // namespace platform::d3d9
