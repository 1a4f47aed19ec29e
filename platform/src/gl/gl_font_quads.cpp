// The GL renderer's glyph atlases and coverage quads for the D3DX font (create_atlas, destroy_atlas and
// draw_quads of render_backend.h): GL_R8 textures, and quads blended source-alpha over inverse-source-alpha
// onto the back buffer, clipped by the scissor test, at depth 0 with an alpha test that discards uncovered
// pixels, under the depth states the device hands over. Their vertices go into one stream buffer, each draw's
// after the last's; their state is set through the state shadow, so the lines of text after the first make
// few calls, and the next indexed draw sets its own state again through the same shadow. An atlas is
// known by a handle of the renderer's: a lost context takes the texture along, and the renderer makes it
// again under the same handle from the coverage it was made from, which the font keeps (d3dx9_device.h).
#include "gl/gl_font_quads.h"
#include "gl/gl_colour.h"
#include "gl/gl_backend.h"
#include "gl/gl_ffp_program.h"

#include <algorithm>

namespace platform::gl {

namespace {

const char* const kVertexShader = R"(
layout(location = 0) in vec4 aQuad; // x, y in back-buffer pixels (y down), u, v in the atlas
uniform vec2 uViewport;
uniform float uUp; // -1.0 where the clip origin is turned against the target's rows, else 1.0
out vec2 vAtlas;
void main() {
    // Direct3D's depth 0 is GL's near plane, -1 before the viewport maps it to 0.
    gl_Position = vec4(aQuad.x * 2.0 / uViewport.x - 1.0, uUp * (1.0 - aQuad.y * 2.0 / uViewport.y), -1.0, 1.0);
    vAtlas = aQuad.zw;
}
)";

const char* const kFragmentShader = R"(
in vec2 vAtlas;
uniform sampler2D uAtlas;
uniform vec4 uColour;
out vec4 fragColour;
void main() {
    float alpha = uColour.a * texture(uAtlas, vAtlas).r;
    if (!(alpha > 0.0))
        discard;
    fragColour = vec4(uColour.rgb, alpha);
}
)";

// A vertex: x, y, u, v.
constexpr GLsizei kVertexBytes = 4 * sizeof(float);

} // namespace

std::unique_ptr<CoverageProgram> CoverageProgram::create(bool negate_y, std::string& error) {
    const std::string prologue = glsl_prologue(kGlEs ? GlslDialect::kEs300 : GlslDialect::kCore330);
    const GLuint program =
        build_program((prologue + kVertexShader).c_str(), (prologue + kFragmentShader).c_str(), error);
    if (program == 0)
        return nullptr;
    GLuint vertex_array = 0;
    glGenVertexArrays(1, &vertex_array);
    return std::unique_ptr<CoverageProgram>(new CoverageProgram(program, vertex_array, negate_y));
}

// Made while no state shadow looks on: the caller forgets the program, vertex array and array buffer
// bound here.
CoverageProgram::CoverageProgram(GLuint program, GLuint vertex_array, bool negate_y)
    : program_(program), vertex_array_(vertex_array), vertices_buffer_(GL_ARRAY_BUFFER, 256 * 1024) {
    glBindVertexArray(vertex_array_);
    glBindBuffer(GL_ARRAY_BUFFER, vertices_buffer_.name());
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, kVertexBytes, nullptr);
    glBindVertexArray(0);
    viewport_ = glGetUniformLocation(program_, "uViewport");
    colour_ = glGetUniformLocation(program_, "uColour");
    glUseProgram(program_);
    glUniform1i(glGetUniformLocation(program_, "uAtlas"), 0);
    glUniform1f(glGetUniformLocation(program_, "uUp"), negate_y ? -1.0f : 1.0f);
}

CoverageProgram::~CoverageProgram() {
    if (program_ == 0)
        return;
    glDeleteVertexArrays(1, &vertex_array_);
    glDeleteProgram(program_);
}

void CoverageProgram::draw(GlState& state, GLuint atlas, const std::vector<font::GlyphQuad>& quads,
                           const RECT& clip, D3DCOLOR colour, const CoverageDepth& depth, UINT width,
                           UINT height, bool rows_down) {
    const LONG left = std::max<LONG>(clip.left, 0);
    const LONG top = std::max<LONG>(clip.top, 0);
    const LONG right = std::min<LONG>(clip.right, static_cast<LONG>(width));
    const LONG bottom = std::min<LONG>(clip.bottom, static_cast<LONG>(height));
    if (quads.empty() || right <= left || bottom <= top)
        return;

    std::vector<float>& vertices = vertices_; // refilled: its room is kept from one draw to the next
    vertices.clear();
    // Whether every quad lies inside the clip, which then cuts nothing off.
    bool inside = true;
    for (const font::GlyphQuad& q : quads) {
        const float corners[6][4] = {{q.x0, q.y0, q.u0, q.v0}, {q.x1, q.y0, q.u1, q.v0},
                                     {q.x0, q.y1, q.u0, q.v1}, {q.x0, q.y1, q.u0, q.v1},
                                     {q.x1, q.y0, q.u1, q.v0}, {q.x1, q.y1, q.u1, q.v1}};
        for (const auto& c : corners)
            vertices.insert(vertices.end(), c, c + 4);
        inside = inside && std::min(q.x0, q.x1) >= static_cast<float>(left) &&
                 std::max(q.x0, q.x1) <= static_cast<float>(right) &&
                 std::min(q.y0, q.y1) >= static_cast<float>(top) &&
                 std::max(q.y0, q.y1) <= static_cast<float>(bottom);
    }

    state.use_program(program_);
    glUniform2f(viewport_, static_cast<float>(width), static_cast<float>(height));
    const auto rgba = rgba_from_d3dcolor(colour);
    glUniform4f(colour_, rgba[0], rgba[1], rgba[2], rgba[3]);
    state.bind_vertex_array(vertex_array_);
    state.bind_array_buffer(vertices_buffer_.name());
    const GLintptr at =
        vertices_buffer_.write(vertices.data(), static_cast<GLsizeiptr>(vertices.size() * sizeof(float)));
    state.bind_texture(0, atlas);
    state.bind_sampler(0, 0); // the atlas's own filtering, not sampler 0's

    state.viewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    state.enable(GlState::kDepthTest, depth.test);
    if (depth.test) {
        state.depth_func(depth.function);
        state.depth_mask(depth.write);
    }
    state.enable(GlState::kCullFace, false);
    state.enable(GlState::kBlend, true);
    state.blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    state.enable(GlState::kScissorTest, !inside);
    if (!inside)
        state.scissor(left, scissor_y(top, bottom, static_cast<GLint>(height), rows_down), right - left,
                      bottom - top);
    glDrawArrays(GL_TRIANGLES, static_cast<GLint>(at / kVertexBytes),
                 static_cast<GLsizei>(vertices.size() / 4));
}

// ---- The renderer's side ----

d3dx9::AtlasHandle GlBackend::create_atlas(UINT width, UINT height, const std::uint8_t* coverage) {
    // GL would make the texture and leave it empty: refuse an atlas beyond the largest side it takes.
    const UINT max_side = max_texture_side();
    if (width > max_side || height > max_side)
        return 0;
    const GLuint texture = make_atlas_texture(width, height, coverage);
    if (texture == 0 && !gl_->lost())
        return 0;
    const d3dx9::AtlasHandle handle = next_atlas_++;
    atlases_.emplace(handle, Atlas{texture, width, height, coverage});
    return handle;
}

GLuint GlBackend::make_atlas_texture(UINT width, UINT height, const std::uint8_t* coverage) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    state_.bind_texture(0, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (int stale = 0; stale < 8 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                 GL_RED, GL_UNSIGNED_BYTE, coverage);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture);
        state_.deleted_texture(texture);
        return 0;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    return texture;
}

void GlBackend::destroy_atlas(d3dx9::AtlasHandle atlas) {
    const auto found = atlases_.find(atlas);
    if (found == atlases_.end())
        return;
    const GLuint texture = found->second.texture;
    atlases_.erase(found);
    if (texture != 0 && make_current()) {
        glDeleteTextures(1, &texture);
        state_.deleted_texture(texture);
    }
}

bool GlBackend::draw_quads(d3dx9::AtlasHandle atlas, const std::vector<font::GlyphQuad>& quads,
                           const RECT& clip, D3DCOLOR colour, const d3d9::QuadDepth& depth) {
    const auto found = atlases_.find(atlas);
    if (found == atlases_.end())
        return false;
    if (!coverage_)
        return true; // not made again on a context given back: the text is left out
    const CoverageDepth gl_depth{depth.test && has_depth(), compare_function(depth.function), depth.write};
    coverage_->draw(state_, found->second.texture, quads, clip, colour, gl_depth, width_, height_,
                    rows_down());
    return true;
}

} // namespace platform::gl
