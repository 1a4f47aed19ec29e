// The GL renderer's indexed draws: the device's state records turned into GL state before each draw (the
// emulation program of the state's key from the program cache with the state's values, stage 0's texture
// with its sampler object, and the pipeline states outside the emulation: depth, culling, blending off),
// all of it through the state shadow, which leaves out what GL holds already; the vertex attributes of the
// vertex format on stream 0; and glDrawElementsBaseVertex over the index range (on ES, which lacks both the
// base vertex and first-vertex flat shading, glDrawElements over a rewritten copy of the indices:
// gl_index_rewrite.h). Indexed triangle lists are drawn; other primitive types are reported and drawn as
// lists of the same indices.
#include "d3d9/d3d9_resources.h"
#include "gl/gl_backend.h"
#include "gl/gl_index_rewrite.h"
#include "gl/gl_stream_buffer.h"
#include "trace/unimplemented.h"

#include <algorithm>

namespace platform::gl {

namespace {

void* byte_offset(size_t offset) {
    return reinterpret_cast<void*>(offset);
}

// The GL name behind a resource's storage: every storage of this renderer's device holds a Gl object.
template <typename Gl, typename Storage> GLuint name_of(const Storage& storage) {
    return storage.object ? static_cast<const Gl&>(*storage.object).name() : 0;
}

// A minification or magnification filter as GL takes it: nearest for point, linear for linear, anisotropic
// and the filters reported and drawn as linear.
bool linear(DWORD filter) {
    return filter != D3DTEXF_POINT;
}

} // namespace

void GlBackend::draw_indexed(const d3d9::DrawCall& draw) {
    if (!apply_fixed_function_state(draw))
        return; // the program for this state did not compile: nothing is drawn
    bind_vertex_attributes(draw.layout, draw.stream, draw.states.fvf);
    const d3d9::IndexRange& r = draw.range;
#if !(PLATFORM_GL_HAS_PROVOKING_VERTEX && PLATFORM_GL_HAS_BASE_VERTEX)
    rewrite_indices(r, draw.indices.bytes.data(), program_key_.flat, indices_);
    state_.bind_element_buffer(scratch_indices_->name());
    const GLintptr at = scratch_indices_->write(
        indices_.data(), static_cast<GLsizeiptr>(indices_.size() * sizeof(std::uint32_t)));
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_INT,
                   byte_offset(static_cast<size_t>(at)));
#else
    state_.bind_element_buffer(name_of<GlBuffer>(draw.indices));
    glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(r.index_count), GL_UNSIGNED_SHORT,
                             byte_offset(static_cast<size_t>(r.start_index) * sizeof(std::uint16_t)),
                             r.base_vertex);
#endif
}

// The vertex layout of the FVF on stream 0; absent elements read their Direct3D defaults.
void GlBackend::bind_vertex_attributes(const d3d9::FvfLayout& layout, const d3d9::VertexStream& stream,
                                       DWORD fvf) {
    state_.bind_vertex_array(vertex_array_);
    const GLuint buffer = name_of<GlBuffer>(*stream.buffer);
    if (state_.attributes_from({buffer, fvf, stream.offset, stream.stride}))
        return; // the vertex array reads them from there already
    state_.bind_array_buffer(buffer);
    const auto stride = static_cast<GLsizei>(stream.stride);
    const size_t base = stream.offset;
    // An element the format has is read from the buffer at its offset; one it lacks is the same default
    // for every vertex.
    const auto element = [&](GLuint attrib, bool present, GLint components, GLenum type, size_t offset,
                             const std::array<float, 4>& absent) {
        if (present) {
            glEnableVertexAttribArray(attrib);
            glVertexAttribPointer(attrib, components, type, type == GL_FLOAT ? GL_FALSE : GL_TRUE, stride,
                                  byte_offset(base + offset));
        } else {
            glDisableVertexAttribArray(attrib);
            glVertexAttrib4f(attrib, absent[0], absent[1], absent[2], absent[3]);
        }
    };
    constexpr std::array<float, 4> kZero{0.0f, 0.0f, 0.0f, 0.0f};
    element(kAttribPosition, true, static_cast<GLint>(layout.position_components), GL_FLOAT, 0, kZero);
    element(kAttribNormal, layout.has_normal, 3, GL_FLOAT, layout.normal_offset, kZero);
    // D3DCOLOR is 0xAARRGGBB: bytes B, G, R, A in memory, read as BGRA by OpenGL, and as they come by ES,
    // whose program swaps them (gl_ffp_source.h). White without a diffuse colour.
    element(kAttribDiffuse, layout.has_diffuse, kVertexColourSize, GL_UNSIGNED_BYTE, layout.diffuse_offset,
            {1.0f, 1.0f, 1.0f, 1.0f});
    element(kAttribTexture0, layout.texture_sets > 0, static_cast<GLint>(layout.texture_components[0]),
            GL_FLOAT, layout.texture_offset[0], {0.0f, 0.0f, 0.0f, 1.0f});
}

bool GlBackend::apply_fixed_function_state(const d3d9::DrawCall& draw) {
    FfpKey key = make_ffp_key(draw.states, draw.layout, draw.textures[0] != nullptr);
    key.depth16 = direct_ && round_depth_;
    key.negate_y = offscreen_rows_down_;
    if (program_ == nullptr || key != program_key_) {
        FfpProgram* const program = programs_.get(key);
        state_.forget_program(); // a program just made was made current
        if (program == nullptr)
            return false;
        program_ = program;
        program_key_ = key;
    }
    state_.use_program(program_->name());
    program_->update(draw.states, width_, height_);
    if (key.textured) {
        state_.bind_texture(0, name_of<GlTexture>(*draw.textures[0]));
        state_.bind_sampler(0, sampler_);
        apply_sampler(draw.states.sampler[0]);
    }

    const auto& rs = draw.states.render;
    state_.viewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    state_.enable(GlState::kScissorTest, false);
    state_.enable(GlState::kDepthTest, rs[D3DRS_ZENABLE] != D3DZB_FALSE && has_depth());
    state_.depth_func(compare_function(rs[D3DRS_ZFUNC]));
    state_.depth_mask(rs[D3DRS_ZWRITEENABLE] != FALSE);
    // Direct3D culls by the winding seen on screen; the back buffer is not flipped on the way to the
    // window (with the clip origin at the upper left GL still judges the winding as seen), so GL's
    // window-space winding is the one seen: front faces are the clockwise ones, or the counter-clockwise
    // ones where the programs negate y, which reverses every winding (offscreen_rows_down_).
    state_.front_face(offscreen_rows_down_ ? GL_CCW : GL_CW);
    state_.enable(GlState::kCullFace, rs[D3DRS_CULLMODE] != D3DCULL_NONE);
    state_.cull_face(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
    // Blending ONE over ZERO, the only blending drawn, is the source colour: left off, so that the colour is
    // written as a draw without blending writes it (Mesa's software renderer rounds blended colours by the
    // colour buffer's format).
    state_.enable(GlState::kBlend, false);
    return true;
}

void GlBackend::apply_sampler(const std::array<DWORD, d3d9::kSamplerStateCount>& s) {
    // As a mip filter, point picks the nearest level; linear, and anisotropic (which is not a mip filter),
    // blend the two nearest.
    const bool min_linear = linear(s[D3DSAMP_MINFILTER]);
    const DWORD mip = s[D3DSAMP_MIPFILTER];
    const GLint min_filter = mip == D3DTEXF_NONE ? (min_linear ? GL_LINEAR : GL_NEAREST)
                             : mip == D3DTEXF_POINT
                                 ? (min_linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST)
                                 : (min_linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR);
    state_.sampler_parameter(sampler_, GL_TEXTURE_MIN_FILTER, min_filter);
    state_.sampler_parameter(sampler_, GL_TEXTURE_MAG_FILTER,
                             linear(s[D3DSAMP_MAGFILTER]) ? GL_LINEAR : GL_NEAREST);
    if (max_anisotropy_ > 1.0f) {
        // Any of the three filters set to anisotropic turns anisotropy on, the mip filter alone too.
        const bool anisotropic = s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                                 s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC || mip == D3DTEXF_ANISOTROPIC;
        const float wanted =
            anisotropic ? static_cast<float>(std::max<DWORD>(s[D3DSAMP_MAXANISOTROPY], 1)) : 1.0f;
        state_.sampler_parameter(sampler_, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(wanted, max_anisotropy_));
    }
}

} // namespace platform::gl
