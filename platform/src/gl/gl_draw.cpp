// The GL renderer's indexed draws: the device's state records turned into GL state before a draw (the
// emulation program of the state's key from the program cache with the state's values, the sampler objects of
// the fixed-function stages, their textures, and the pipeline states outside the emulation: depth, culling,
// fill mode, blending, colour writes), the vertex attributes of the vertex format on stream 0, and
// glDrawElementsBaseVertex over the index range (on ES, which lacks both the base vertex and first-vertex
// flat shading, glDrawElements over a rewritten copy of the indices: gl_index_rewrite.h).
#include "gl/gl_color.h"
#include "d3d9/d3d9_resources.h"
#include "gl/gl_backend.h"
#include "gl/gl_index_rewrite.h"
#include "gl/gl_stream_buffer.h"
#include "trace/unimplemented.h"

#include <algorithm>

namespace platform::d3d9 {

namespace {

// Direct3D values from 1 on as GL takes them; kUnmapped marks a value with no GL counterpart.
constexpr GLenum kUnmapped = ~GLenum{0};
constexpr std::array<GLenum, 8> kCompareFunctions{GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                                  GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
constexpr std::array<GLenum, 15> kBlendFactors{GL_ZERO,
                                               GL_ONE,
                                               GL_SRC_COLOR,
                                               GL_ONE_MINUS_SRC_COLOR,
                                               GL_SRC_ALPHA,
                                               GL_ONE_MINUS_SRC_ALPHA,
                                               GL_DST_ALPHA,
                                               GL_ONE_MINUS_DST_ALPHA,
                                               GL_DST_COLOR,
                                               GL_ONE_MINUS_DST_COLOR,
                                               GL_SRC_ALPHA_SATURATE,
                                               kUnmapped,
                                               kUnmapped,
                                               GL_CONSTANT_COLOR,
                                               GL_ONE_MINUS_CONSTANT_COLOR};
constexpr std::array<GLenum, 5> kBlendEquations{GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT,
                                                GL_MIN, GL_MAX};
#if !PLATFORM_GL_HAS_BORDER_COLOUR
// ES 3.0 has no border colour: D3DTADDRESS_BORDER is reported and clamps to the edge.
constexpr std::array<GLenum, 4> kAddressModes{GL_REPEAT, GL_MIRRORED_REPEAT, GL_CLAMP_TO_EDGE, kUnmapped};
constexpr GLenum kUnmappedAddressFallback = GL_CLAMP_TO_EDGE;
constexpr const char* kUnmappedAddressName = "D3DTADDRESS_CLAMP";
#else
constexpr std::array<GLenum, 4> kAddressModes{GL_REPEAT, GL_MIRRORED_REPEAT, GL_CLAMP_TO_EDGE,
                                              GL_CLAMP_TO_BORDER};
constexpr GLenum kUnmappedAddressFallback = GL_REPEAT;
constexpr const char* kUnmappedAddressName = "D3DTADDRESS_WRAP";
#endif
constexpr std::array<GLenum, 6> kPrimitives{GL_POINTS,    GL_LINES,          GL_LINE_STRIP,
                                            GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};

// The GL value of a Direct3D state value from the table; a value the table does not map is reported (once
// per state and value) and drawn as the fallback, named by instead.
template <std::size_t N>
GLenum mapped(const std::array<GLenum, N>& table, const char* state, DWORD value, GLenum fallback,
              const char* instead) {
    if (value >= 1 && value <= N && table[value - 1] != kUnmapped)
        return table[value - 1];
    report_unimplemented(state, value, instead);
    return fallback;
}

GLenum compare_function(const char* state, DWORD func) {
    return mapped(kCompareFunctions, state, func, GL_ALWAYS, "D3DCMP_ALWAYS");
}

GLenum blend_factor(const char* state, DWORD factor) {
    return mapped(kBlendFactors, state, factor, GL_ONE, "D3DBLEND_ONE");
}

GLenum blend_equation(const char* state, DWORD op) {
    return mapped(kBlendEquations, state, op, GL_FUNC_ADD, "D3DBLENDOP_ADD");
}

GLint address_mode(const char* state, DWORD mode) {
    return static_cast<GLint>(
        mapped(kAddressModes, state, mode, kUnmappedAddressFallback, kUnmappedAddressName));
}

// The GL primitive of a Direct3D primitive type that the draw checks accepted.
GLenum gl_primitive(D3DPRIMITIVETYPE type) {
    return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN ? kPrimitives[type - 1] : GL_TRIANGLES;
}

// D3DBLEND_BOTHSRCALPHA and BOTHINVSRCALPHA set both factors at once through the source factor.
void blend_pair(const char* src_state, DWORD src, const char* dst_state, DWORD dst, GLenum& gl_src,
                GLenum& gl_dst) {
    if (src == D3DBLEND_BOTHSRCALPHA) {
        gl_src = GL_SRC_ALPHA;
        gl_dst = GL_ONE_MINUS_SRC_ALPHA;
    } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
        gl_src = GL_ONE_MINUS_SRC_ALPHA;
        gl_dst = GL_SRC_ALPHA;
    } else {
        gl_src = blend_factor(src_state, src);
        gl_dst = blend_factor(dst_state, dst);
    }
}

void* byte_offset(size_t offset) {
    return reinterpret_cast<void*>(offset);
}

// The GL name behind a resource's storage: every storage of this renderer's device holds a Gl object.
template <typename Gl, typename Storage> GLuint name_of(const Storage& storage) {
    return storage.object ? static_cast<const Gl&>(*storage.object).name() : 0;
}

} // namespace

void GlBackend::draw_indexed(const DrawCall& draw) {
    if (!apply_fixed_function_state(draw))
        return; // the program for this state did not compile: nothing is drawn
    bind_vertex_attributes(draw.layout, draw.stream, draw.states.fvf);
    draw_elements(draw);
}

void GlBackend::draw_elements(const DrawCall& draw) {
    const IndexRange& r = draw.range;
#if !(PLATFORM_GL_HAS_PROVOKING_VERTEX && PLATFORM_GL_HAS_BASE_VERTEX)
    const bool flat = program_key_.flat;
    rewrite_indices(r, draw.indices.bytes.data(), flat, indices_);
    state_.bind_element_buffer(scratch_indices_->name());
    const GLintptr at = scratch_indices_->write(
        indices_.data(), static_cast<GLsizeiptr>(indices_.size() * sizeof(std::uint32_t)));
    const GLenum primitive = flat && r.type >= D3DPT_TRIANGLELIST ? GL_TRIANGLES : gl_primitive(r.type);
    glDrawElements(primitive, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_INT,
                   byte_offset(static_cast<size_t>(at)));
#else
    state_.bind_element_buffer(name_of<GlBuffer>(draw.indices));
    glDrawElementsBaseVertex(gl_primitive(r.type), static_cast<GLsizei>(r.index_count),
                             r.index_size == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                             byte_offset(static_cast<size_t>(r.start_index) * r.index_size), r.base_vertex);
#endif
}

// The vertex layout of the FVF on stream 0; absent elements read their Direct3D defaults.
void GlBackend::bind_vertex_attributes(const FvfLayout& layout, const VertexStream& stream, DWORD fvf) {
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
    element(kAttribSpecular, layout.has_specular, kVertexColourSize, GL_UNSIGNED_BYTE, layout.specular_offset,
            kZero);
    for (UINT set = 0; set < 8; ++set)
        element(kAttribTexture0 + set, set < layout.texture_sets,
                static_cast<GLint>(layout.texture_components[set]), GL_FLOAT, layout.texture_offset[set],
                {0.0f, 0.0f, 0.0f, 1.0f});
}

bool GlBackend::apply_fixed_function_state(const DrawCall& draw) {
    // Every draw sets all the state it depends on; the state shadow leaves out what GL holds already.
    std::array<bool, kTextureStages> has_texture{};
    for (DWORD i = 0; i < kTextureStages; ++i)
        has_texture[i] = draw.textures[i] != nullptr;
    FfpKey key = make_ffp_key(draw.states, draw.layout, has_texture);
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
    apply_samplers(draw.states);
    for (GLuint unit = 0; unit < kTextureStages; ++unit) {
        state_.bind_texture(unit, draw.textures[unit] ? name_of<GlTexture>(*draw.textures[unit]) : 0);
        state_.bind_sampler(unit, samplers_[unit]);
    }
    apply_pipeline_states(draw.states);
    return true;
}

void GlBackend::apply_pipeline_states(const StateRecords& states) {
    const auto& rs = states.render;
    state_.viewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    state_.enable(GlState::kScissorTest, false);
    state_.enable(GlState::kDepthTest, rs[D3DRS_ZENABLE] != D3DZB_FALSE && has_depth());
    state_.depth_func(compare_function("D3DRS_ZFUNC", rs[D3DRS_ZFUNC]));
    state_.depth_mask(rs[D3DRS_ZWRITEENABLE] != FALSE);

    // Direct3D culls by the winding seen on screen; the back buffer is not flipped on the way to the
    // window (with the clip origin at the upper left GL still judges the winding as seen), so GL's
    // window-space winding is the one seen: front faces are the clockwise ones, or the counter-clockwise
    // ones where the programs negate y, which reverses every winding (offscreen_rows_down_).
    state_.front_face(offscreen_rows_down_ ? GL_CCW : GL_CW);
    if (rs[D3DRS_CULLMODE] != D3DCULL_NONE && rs[D3DRS_CULLMODE] != D3DCULL_CW &&
        rs[D3DRS_CULLMODE] != D3DCULL_CCW)
        report_unimplemented("D3DRS_CULLMODE", rs[D3DRS_CULLMODE], "D3DCULL_CCW");
    state_.enable(GlState::kCullFace, rs[D3DRS_CULLMODE] != D3DCULL_NONE);
    if (rs[D3DRS_CULLMODE] != D3DCULL_NONE)
        state_.cull_face(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
    if (rs[D3DRS_FILLMODE] != D3DFILL_POINT && rs[D3DRS_FILLMODE] != D3DFILL_WIREFRAME &&
        rs[D3DRS_FILLMODE] != D3DFILL_SOLID)
        report_unimplemented("D3DRS_FILLMODE", rs[D3DRS_FILLMODE], "D3DFILL_SOLID");
#if !PLATFORM_GL_HAS_POLYGON_MODE
    // ES fills every polygon: point and wireframe fill are reported and drawn solid.
    if (rs[D3DRS_FILLMODE] == D3DFILL_POINT || rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME)
        report_unimplemented("D3DRS_FILLMODE", rs[D3DRS_FILLMODE], "D3DFILL_SOLID");
#else
    state_.polygon_mode(rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                        : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                  : GL_FILL);
#endif

    bool blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    if (blend) {
        GLenum src = GL_ONE;
        GLenum dst = GL_ZERO;
        blend_pair("D3DRS_SRCBLEND", rs[D3DRS_SRCBLEND], "D3DRS_DESTBLEND", rs[D3DRS_DESTBLEND], src, dst);
        GLenum src_alpha = src;
        GLenum dst_alpha = dst;
        const GLenum equation = blend_equation("D3DRS_BLENDOP", rs[D3DRS_BLENDOP]);
        GLenum equation_alpha = equation;
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE) {
            blend_pair("D3DRS_SRCBLENDALPHA", rs[D3DRS_SRCBLENDALPHA], "D3DRS_DESTBLENDALPHA",
                       rs[D3DRS_DESTBLENDALPHA], src_alpha, dst_alpha);
            equation_alpha = blend_equation("D3DRS_BLENDOPALPHA", rs[D3DRS_BLENDOPALPHA]);
        }
        // One times the source plus zero times the destination is the source: blending that changes no
        // colour is left off, and the colour is written as a draw without blending writes it, whatever the
        // colour buffer's format (Mesa's software renderer rounds blended colours by the format).
        blend = !(src == GL_ONE && dst == GL_ZERO && src_alpha == GL_ONE && dst_alpha == GL_ZERO &&
                  equation == GL_FUNC_ADD && equation_alpha == GL_FUNC_ADD);
        if (blend) {
            state_.blend_func(src, dst, src_alpha, dst_alpha);
            state_.blend_equation(equation, equation_alpha);
            state_.blend_color(rgba_from_d3dcolor(rs[D3DRS_BLENDFACTOR]));
        }
    }
    state_.enable(GlState::kBlend, blend);
    const DWORD write = rs[D3DRS_COLORWRITEENABLE];
    state_.color_mask((write & 1) != 0, (write & 2) != 0, (write & 4) != 0, (write & 8) != 0);
}

void GlBackend::apply_samplers(const StateRecords& states) {
    for (GLuint unit = 0; unit < kTextureStages; ++unit) {
        const auto& s = states.sampler[unit];
        const GLuint sampler = samplers_[unit];
        const bool min_linear =
            s[D3DSAMP_MINFILTER] == D3DTEXF_LINEAR || s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC;
        const bool mag_linear =
            s[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
        // As a mip filter, point picks the nearest level; linear, and anisotropic (which is not a mip
        // filter), blend the two nearest.
        GLint min_filter = min_linear ? GL_LINEAR : GL_NEAREST;
        switch (s[D3DSAMP_MIPFILTER]) {
        case D3DTEXF_NONE:
            break;
        case D3DTEXF_POINT:
            min_filter = min_linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
            break;
        default:
            if (s[D3DSAMP_MIPFILTER] != D3DTEXF_LINEAR && s[D3DSAMP_MIPFILTER] != D3DTEXF_ANISOTROPIC)
                report_unimplemented("D3DSAMP_MIPFILTER", s[D3DSAMP_MIPFILTER], "D3DTEXF_LINEAR");
            min_filter = min_linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
            break;
        }
        state_.sampler_parameter(sampler, GL_TEXTURE_MIN_FILTER, min_filter);
        state_.sampler_parameter(sampler, GL_TEXTURE_MAG_FILTER, mag_linear ? GL_LINEAR : GL_NEAREST);
        if (max_anisotropy_ > 1.0f) {
            // Any of the three filters set to anisotropic turns anisotropy on, the mip filter alone too.
            const bool anisotropic = s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                                     s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC ||
                                     s[D3DSAMP_MIPFILTER] == D3DTEXF_ANISOTROPIC;
            const float wanted =
                anisotropic ? static_cast<float>(std::max<DWORD>(s[D3DSAMP_MAXANISOTROPY], 1)) : 1.0f;
            state_.sampler_parameter(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                     std::min(wanted, max_anisotropy_));
        }
        state_.sampler_parameter(sampler, GL_TEXTURE_WRAP_S,
                                 address_mode("D3DSAMP_ADDRESSU", s[D3DSAMP_ADDRESSU]));
        state_.sampler_parameter(sampler, GL_TEXTURE_WRAP_T,
                                 address_mode("D3DSAMP_ADDRESSV", s[D3DSAMP_ADDRESSV]));
        state_.sampler_parameter(sampler, GL_TEXTURE_WRAP_R,
                                 address_mode("D3DSAMP_ADDRESSW", s[D3DSAMP_ADDRESSW]));
        // MAXMIPLEVEL is the most detailed level used; LOD bias is a float held as its bits.
        state_.sampler_parameter(sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
#if !PLATFORM_GL_HAS_LOD_BIAS
        // ES has neither border colours nor a sampler's LOD bias.
        if (s[D3DSAMP_MIPMAPLODBIAS] != 0)
            report_unimplemented("D3DSAMP_MIPMAPLODBIAS", s[D3DSAMP_MIPMAPLODBIAS], "0");
#else
        const auto border = rgba_from_d3dcolor(s[D3DSAMP_BORDERCOLOR]);
        state_.sampler_border_color(sampler, border);
        state_.sampler_parameter(sampler, GL_TEXTURE_LOD_BIAS, bits_float(s[D3DSAMP_MIPMAPLODBIAS]));
#endif
    }
}

} // namespace platform::d3d9
