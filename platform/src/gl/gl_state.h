// The GL renderer's shadow of the GL context's state: every state setting and binding the renderer makes
// goes through it, and it makes the GL call only when the value differs from the one the context holds.
// A value starts unknown (the first setting always reaches GL); an object deleted while bound is forgotten
// as GL forgets it. The element buffer belongs to the vertex array that was bound when it was bound, so the
// shadow keeps it per vertex array. One shadow per context, held by RendererContext (gl_backend.h); bodies in
// gl_state.cpp.
#pragma once

#include "gl/gl_api.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

namespace platform::gl {

class GlState {
  public:
    // The capabilities the renderer switches.
    enum Cap : unsigned { kDepthTest, kCullFace, kBlend, kScissorTest, kCapCount };

    void enable(Cap cap, bool on);
    void depth_func(GLenum func);
    void depth_mask(bool write);
    void front_face(GLenum mode);
    void cull_face(GLenum mode);
    void blend_func(GLenum src, GLenum dst, GLenum src_alpha, GLenum dst_alpha);
    void viewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void scissor(GLint x, GLint y, GLsizei width, GLsizei height);
    // Where clip space's y = 1 lands (glClipControl, OpenGL 4.5 or ARB_clip_control; depth stays -1..1): at
    // the upper left, which draws the picture's top into the framebuffer's first row as the window system's
    // buffers hold it, or at GL's own lower left. ES has no clip control and keeps the lower left.
    void clip_origin_upper_left(bool upper_left);
    void clear_colour(const std::array<float, 4>& rgba);
    void clear_depth(float z);

    void use_program(GLuint program);
    void bind_vertex_array(GLuint vertex_array);
    void bind_array_buffer(GLuint buffer);
    // Binds the element buffer of the vertex array bound now.
    void bind_element_buffer(GLuint buffer);
    void bind_texture(GLuint unit, GLuint texture); // GL_TEXTURE_2D on the unit
    void bind_sampler(GLuint unit, GLuint sampler);
    // A sampler object's parameters (glSamplerParameteri, glSamplerParameterf).
    void sampler_parameter(GLuint sampler, GLenum name, GLint value);
    void sampler_parameter(GLuint sampler, GLenum name, GLfloat value);
    // The texture bound on the unit; 0 when unknown.
    GLuint texture(GLuint unit) const {
        return unit < textures_.size() ? textures_[unit].value_or(0) : 0;
    }
    // The unit that glTexParameter and glTexImage act on.
    void active_texture(GLuint unit);
    void bind_draw_framebuffer(GLuint framebuffer);
    void bind_read_framebuffer(GLuint framebuffer);
    GLuint draw_framebuffer() const {
        return draw_framebuffer_.value_or(0);
    }

    // Objects deleted by the renderer: GL unbinds them wherever the context has them bound.
    void deleted_program(GLuint program);
    void deleted_buffer(GLuint buffer);
    void deleted_texture(GLuint texture);
    void deleted_vertex_array(GLuint vertex_array);
    void deleted_framebuffer(GLuint framebuffer);
    // Where the vertex array of the emulation programs reads its attributes: the buffer, the vertex format
    // and the stream's offset and stride. attributes_from says whether they are those already; false
    // records them as the new ones (the caller then points the attributes).
    struct AttributeSource {
        GLuint buffer = 0;
        std::uint32_t fvf = 0;
        std::uint32_t offset = 0;
        std::uint32_t stride = 0;
        bool operator==(const AttributeSource&) const = default;
    };
    bool attributes_from(const AttributeSource& source) {
        return !changes_attributes(source);
    }
    // The current program was changed by a call made outside the shadow (a program's set-up).
    void forget_program() {
        program_.reset();
    }
    // The framebuffer bindings become unknown: a browser binds framebuffers of its own while it shows a
    // frame (WebKit leaves its drawing buffer bound for reading), and the next binding must reach GL.
    void forget_framebuffers() {
        draw_framebuffer_.reset();
        read_framebuffer_.reset();
    }
    // Everything becomes unknown: calls were made outside the shadow.
    void forget() {
        *this = GlState{};
    }

  private:
    bool changes_attributes(const AttributeSource& source);

    std::array<std::optional<bool>, kCapCount> caps_{};
    std::optional<GLenum> depth_func_, front_face_, cull_face_;
    std::optional<bool> clip_origin_upper_left_;
    std::optional<bool> depth_mask_;
    std::optional<std::array<GLenum, 4>> blend_func_;
    std::optional<std::array<float, 4>> clear_colour_;
    std::optional<std::array<GLint, 4>> viewport_, scissor_;
    std::optional<float> clear_depth_;
    std::optional<GLuint> program_, vertex_array_, array_buffer_, active_unit_;
    std::optional<GLuint> draw_framebuffer_, read_framebuffer_;
    std::map<GLuint, GLuint> element_buffers_; // by vertex array
    std::optional<AttributeSource> attributes_;
    std::array<std::optional<GLuint>, 16> textures_{}, samplers_{};
    // By sampler object and parameter: the value's bits (an integer as it is, a float's bits).
    std::map<std::pair<GLuint, GLenum>, std::uint32_t> sampler_parameters_;
    bool sampler_parameter_changes(GLuint sampler, GLenum name, std::uint32_t bits);
};

// The scissor box's y for the rows top to bottom of a framebuffer `height` rows high (Direct3D's rows, which
// run down from the top): the same rows when the framebuffer's rows run down too, else counted up from the
// bottom as GL counts them.
inline GLint scissor_y(GLint top, GLint bottom, GLint height, bool rows_down) {
    return rows_down ? top : height - bottom;
}

} // namespace platform::gl
