// The GL renderer's state shadow (gl_state.h): each setter compares with the value the context holds and
// calls GL (glEnable/glDisable, glDepthFunc, glBlendFuncSeparate, glViewport, glBindTexture, ...) only on a
// change.
#include "gl/gl_state.h"

#include <bit>
#include <iterator>

namespace platform::gl {

namespace {

// Records the value and says whether it differs from the one recorded before (or none was).
template <typename T> bool changes(std::optional<T>& held, const T& value) {
    if (held.has_value() && *held == value)
        return false;
    held = value;
    return true;
}

constexpr std::array<GLenum, GlState::kCapCount> kCaps{GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND,
                                                       GL_SCISSOR_TEST};

} // namespace

void GlState::enable(Cap cap, bool on) {
    if (!changes(caps_[cap], on))
        return;
    if (on)
        glEnable(kCaps[cap]);
    else
        glDisable(kCaps[cap]);
}

void GlState::depth_func(GLenum func) {
    if (changes(depth_func_, func))
        glDepthFunc(func);
}

void GlState::depth_mask(bool write) {
    if (changes(depth_mask_, write))
        glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GlState::front_face(GLenum mode) {
    if (changes(front_face_, mode))
        glFrontFace(mode);
}

void GlState::cull_face(GLenum mode) {
    if (changes(cull_face_, mode))
        glCullFace(mode);
}

void GlState::blend_func(GLenum src, GLenum dst, GLenum src_alpha, GLenum dst_alpha) {
    if (changes(blend_func_, {src, dst, src_alpha, dst_alpha}))
        glBlendFuncSeparate(src, dst, src_alpha, dst_alpha);
}

void GlState::viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (changes(viewport_, {x, y, width, height}))
        glViewport(x, y, width, height);
}

void GlState::scissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (changes(scissor_, {x, y, width, height}))
        glScissor(x, y, width, height);
}

void GlState::clip_origin_upper_left(bool upper_left) {
#if PLATFORM_GL_HAS_CLIP_CONTROL
    if (changes(clip_origin_upper_left_, upper_left))
        glClipControl(upper_left ? GL_UPPER_LEFT : GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
#else
    (void)upper_left;
#endif
}

void GlState::clear_colour(const std::array<float, 4>& rgba) {
    if (changes(clear_colour_, rgba))
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
}

void GlState::clear_depth(float z) {
    if (!changes(clear_depth_, z))
        return;
#if PLATFORM_GL_HAS_DOUBLE_DEPTH
    glClearDepth(z);
#else
    glClearDepthf(z);
#endif
}

void GlState::use_program(GLuint program) {
    if (changes(program_, program))
        glUseProgram(program);
}

void GlState::bind_vertex_array(GLuint vertex_array) {
    if (changes(vertex_array_, vertex_array))
        glBindVertexArray(vertex_array);
}

void GlState::bind_array_buffer(GLuint buffer) {
    if (changes(array_buffer_, buffer))
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void GlState::bind_element_buffer(GLuint buffer) {
    // Unknown vertex array: bind, and record nothing (the binding went to whichever array is bound).
    if (!vertex_array_.has_value()) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
        return;
    }
    const auto [at, added] = element_buffers_.try_emplace(*vertex_array_, buffer);
    if (!added && at->second == buffer)
        return;
    at->second = buffer;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
}

void GlState::active_texture(GLuint unit) {
    if (changes(active_unit_, unit))
        glActiveTexture(GL_TEXTURE0 + unit);
}

void GlState::bind_texture(GLuint unit, GLuint texture) {
    if (unit >= textures_.size()) {
        active_texture(unit);
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    if (textures_[unit].has_value() && *textures_[unit] == texture)
        return;
    active_texture(unit);
    textures_[unit] = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
}

void GlState::bind_sampler(GLuint unit, GLuint sampler) {
    if (unit >= samplers_.size()) {
        glBindSampler(unit, sampler);
        return;
    }
    if (changes(samplers_[unit], sampler))
        glBindSampler(unit, sampler);
}

bool GlState::sampler_parameter_changes(GLuint sampler, GLenum name, std::uint32_t bits) {
    const auto [at, made] = sampler_parameters_.try_emplace({sampler, name}, bits);
    if (made)
        return true;
    if (at->second == bits)
        return false;
    at->second = bits;
    return true;
}

void GlState::sampler_parameter(GLuint sampler, GLenum name, GLint value) {
    if (sampler_parameter_changes(sampler, name, static_cast<std::uint32_t>(value)))
        glSamplerParameteri(sampler, name, value);
}

void GlState::sampler_parameter(GLuint sampler, GLenum name, GLfloat value) {
    if (sampler_parameter_changes(sampler, name, std::bit_cast<std::uint32_t>(value)))
        glSamplerParameterf(sampler, name, value);
}

void GlState::bind_draw_framebuffer(GLuint framebuffer) {
    if (changes(draw_framebuffer_, framebuffer))
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
}

void GlState::bind_read_framebuffer(GLuint framebuffer) {
    if (changes(read_framebuffer_, framebuffer))
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
}

bool GlState::changes_attributes(const AttributeSource& source) {
    return changes(attributes_, source);
}

void GlState::deleted_program(GLuint program) {
    if (program_ == program)
        program_ = 0u;
}

void GlState::deleted_buffer(GLuint buffer) {
    if (array_buffer_ == buffer)
        array_buffer_ = 0u;
    if (attributes_.has_value() && attributes_->buffer == buffer)
        attributes_.reset();
    // Only the bound vertex array lets go of a deleted element buffer; the others keep the name, which a
    // new buffer may take: forget them all.
    for (auto it = element_buffers_.begin(); it != element_buffers_.end();)
        it = it->second == buffer ? element_buffers_.erase(it) : std::next(it);
}

void GlState::deleted_texture(GLuint texture) {
    for (auto& bound : textures_)
        if (bound == texture)
            bound = 0u;
}

void GlState::deleted_vertex_array(GLuint vertex_array) {
    element_buffers_.erase(vertex_array);
    if (vertex_array_ == vertex_array)
        vertex_array_ = 0u;
}

void GlState::deleted_framebuffer(GLuint framebuffer) {
    if (draw_framebuffer_ == framebuffer)
        draw_framebuffer_ = 0u;
    if (read_framebuffer_ == framebuffer)
        read_framebuffer_ = 0u;
}

} // namespace platform::gl
