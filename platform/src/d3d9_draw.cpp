// Drawing on the Direct3D 9 device: Clear, BeginScene/EndScene and DrawIndexedPrimitive (its argument checks
// are in d3d9_draw_checks.cpp), and the turning of the device's state records into GL state before a draw:
// the emulation program of the state's key (from the device's program cache), its uniform groups changed
// since it last drew, the GL states a setter changed, and the vertex attributes of the vertex format.
#include "d3d9_color.h"
#include "d3d9_device.h"
#include "d3d9_draw_checks.h"
#include "d3d9_trace.h"
#include "ffp_key.h"
#include "ffp_shader.h"
#include "unimplemented.h"

#include <algorithm>

namespace platform::d3d9 {

namespace {

GLenum compare_function(const char* state, DWORD func) {
    switch (func) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    case D3DCMP_ALWAYS:
        return GL_ALWAYS;
    default:
        report_unimplemented(state, func, "D3DCMP_ALWAYS");
        return GL_ALWAYS;
    }
}

GLenum blend_factor(const char* state, DWORD factor) {
    switch (factor) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
        return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
        return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
        report_unimplemented(state, factor, "D3DBLEND_ONE");
        return GL_ONE;
    }
}

GLenum blend_equation(const char* state, DWORD op) {
    switch (op) {
    case D3DBLENDOP_ADD:
        return GL_FUNC_ADD;
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        report_unimplemented(state, op, "D3DBLENDOP_ADD");
        return GL_FUNC_ADD;
    }
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

GLint address_mode(const char* state, DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_WRAP:
        return GL_REPEAT;
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        report_unimplemented(state, mode, "D3DTADDRESS_WRAP");
        return GL_REPEAT;
    }
}

// The GL primitive of a Direct3D primitive type that the draw checks accepted.
GLenum gl_primitive(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

void* byte_offset(size_t offset) {
    return reinterpret_cast<void*>(offset);
}

} // namespace

// ---- Clear and scenes ----

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
    trace::call("Clear", count, RectList{count, rects}, flags, trace::Color{color}, z, stencil);
    if ((count != 0) != (rects != nullptr))
        return D3DERR_INVALIDCALL; // a rectangle list needs its count and a count its list
    if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0)
        return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0 && depth_buffer_ == 0)
        return D3DERR_INVALIDCALL; // no depth buffer to clear
    if ((flags & D3DCLEAR_STENCIL) != 0 && params_.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL; // no stencil bits
    if (!make_current_to_draw())
        return D3D_OK;
    back_buffer_is_presented_ = false;

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
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
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
    } else {
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
    mark(kDirtyGl);
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    trace::call("BeginScene");
    if (in_scene_)
        return D3DERR_INVALIDCALL;
    in_scene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    trace::call("EndScene");
    if (!in_scene_)
        return D3DERR_INVALIDCALL;
    in_scene_ = false;
    if (gl_->make_current())
        glFlush();
    return D3D_OK;
}

// ---- Drawing ----

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index,
                                     UINT num_vertices, UINT start_index, UINT prim_count) {
    trace::call("DrawIndexedPrimitive", type, base_vertex, min_index, num_vertices, start_index, prim_count);
    const Stream& stream = streams_[0];
    std::optional<DrawSources> sources;
    const FvfLayout layout = parse_fvf(states_.fvf);
    if (indices_ && stream.buffer)
        sources = DrawSources{indices_.get(),
                              indices_->version,
                              indices_->bytes,
                              indices_->index_format,
                              stream.buffer->bytes.size() - stream.offset,
                              stream.stride,
                              layout.valid,
                              layout.size};
    const CheckedDraw checked =
        check_indexed_draw({type, base_vertex, min_index, start_index, prim_count}, sources, index_range_);
    // Like Windows (and Wine), a draw outside BeginScene/EndScene still draws, and no primitives is no work.
    if (checked.verdict != DrawVerdict::kDraw)
        return checked.verdict == DrawVerdict::kNothingToDraw ? D3D_OK : D3DERR_INVALIDCALL;

    if (!make_current_to_draw())
        return D3D_OK;
    back_buffer_is_presented_ = false;
    if (!apply_fixed_function_state())
        return D3D_OK; // the program for this state did not compile: nothing is drawn

    bind_vertex_attributes(layout, stream);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_->name);
    glDrawElementsBaseVertex(gl_primitive(type), static_cast<GLsizei>(checked.index_count),
                             checked.index_size == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                             byte_offset(static_cast<size_t>(start_index) * checked.index_size), base_vertex);
    return D3D_OK;
}

// The vertex layout of the FVF on stream 0; absent elements read their Direct3D defaults.
void Device::bind_vertex_attributes(const FvfLayout& layout, const Stream& stream) {
    glBindVertexArray(vertex_array_);
    glBindBuffer(GL_ARRAY_BUFFER, stream.buffer->name);
    const auto stride = static_cast<GLsizei>(stream.stride);
    const size_t base = stream.offset;
    glEnableVertexAttribArray(kAttribPosition);
    glVertexAttribPointer(kAttribPosition, static_cast<GLint>(layout.position_components), GL_FLOAT, GL_FALSE,
                          stride, byte_offset(base));
    if (layout.has_normal) {
        glEnableVertexAttribArray(kAttribNormal);
        glVertexAttribPointer(kAttribNormal, 3, GL_FLOAT, GL_FALSE, stride,
                              byte_offset(base + layout.normal_offset));
    } else {
        glDisableVertexAttribArray(kAttribNormal);
        glVertexAttrib4f(kAttribNormal, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    // D3DCOLOR is 0xAARRGGBB: bytes B, G, R, A in memory.
    if (layout.has_diffuse) {
        glEnableVertexAttribArray(kAttribDiffuse);
        glVertexAttribPointer(kAttribDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              byte_offset(base + layout.diffuse_offset));
    } else {
        glDisableVertexAttribArray(kAttribDiffuse);
        glVertexAttrib4f(kAttribDiffuse, 1.0f, 1.0f, 1.0f, 1.0f); // white without a diffuse colour
    }
    if (layout.has_specular) {
        glEnableVertexAttribArray(kAttribSpecular);
        glVertexAttribPointer(kAttribSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              byte_offset(base + layout.specular_offset));
    } else {
        glDisableVertexAttribArray(kAttribSpecular);
        glVertexAttrib4f(kAttribSpecular, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    for (UINT set = 0; set < 8; ++set) {
        const GLuint attrib = kAttribTexture0 + set;
        if (set < layout.texture_sets) {
            glEnableVertexAttribArray(attrib);
            glVertexAttribPointer(attrib, static_cast<GLint>(layout.texture_components[set]), GL_FLOAT,
                                  GL_FALSE, stride, byte_offset(base + layout.texture_offset[set]));
        } else {
            glDisableVertexAttribArray(attrib);
            glVertexAttrib4f(attrib, 0.0f, 0.0f, 0.0f, 1.0f);
        }
    }
}

bool Device::apply_fixed_function_state() {
    // The program of the state's key: looked up again only when a state in the key may have changed, and
    // bound again after the font's drawing, which uses a program of its own.
    bool bind = (dirty_ & kDirtyGl) != 0;
    if (program_ == nullptr || (dirty_ & (kDirtyLighting | kDirtyStages | kDirtyPixel)) != 0) {
        std::array<bool, kTextureStages> has_texture{};
        for (DWORD i = 0; i < kTextureStages; ++i)
            has_texture[i] = textures_[i] != nullptr;
        const FfpKey key = make_ffp_key(states_, parse_fvf(states_.fvf), has_texture);
        if (program_ == nullptr || key != program_key_) {
            FfpProgram* const program = programs_.get(key);
            if (program == nullptr)
                return false;
            program_ = program;
            program_key_ = key;
            bind = true;
        }
    }
    if (bind)
        program_->use();
    program_->update(states_, width_, height_, versions_);
    if (dirty_ & kDirtySamplers)
        apply_samplers();
    if (dirty_ & kDirtyTextures) {
        for (GLuint unit = 0; unit < kTextureStages; ++unit) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, textures_[unit] ? textures_[unit]->name : 0);
            glBindSampler(unit, samplers_[unit]);
        }
        glActiveTexture(GL_TEXTURE0);
    }
    if (dirty_ & kDirtyGl) {
        const auto& rs = states_.render;
        glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
        glDisable(GL_SCISSOR_TEST);
        if (rs[D3DRS_ZENABLE] != D3DZB_FALSE && depth_buffer_ != 0)
            glEnable(GL_DEPTH_TEST);
        else
            glDisable(GL_DEPTH_TEST);
        glDepthFunc(compare_function("D3DRS_ZFUNC", rs[D3DRS_ZFUNC]));
        glDepthMask(rs[D3DRS_ZWRITEENABLE] != FALSE ? GL_TRUE : GL_FALSE);

        // Direct3D culls by the winding seen on screen; the back buffer is not flipped on the way to the
        // window, so GL's window-space winding is the one seen. Front faces are the clockwise ones.
        glFrontFace(GL_CW);
        if (rs[D3DRS_CULLMODE] != D3DCULL_NONE && rs[D3DRS_CULLMODE] != D3DCULL_CW &&
            rs[D3DRS_CULLMODE] != D3DCULL_CCW)
            report_unimplemented("D3DRS_CULLMODE", rs[D3DRS_CULLMODE], "D3DCULL_CCW");
        if (rs[D3DRS_CULLMODE] == D3DCULL_NONE) {
            glDisable(GL_CULL_FACE);
        } else {
            glEnable(GL_CULL_FACE);
            glCullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
        }
        if (rs[D3DRS_FILLMODE] != D3DFILL_POINT && rs[D3DRS_FILLMODE] != D3DFILL_WIREFRAME &&
            rs[D3DRS_FILLMODE] != D3DFILL_SOLID)
            report_unimplemented("D3DRS_FILLMODE", rs[D3DRS_FILLMODE], "D3DFILL_SOLID");
        glPolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                         : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                   : GL_FILL);

        if (rs[D3DRS_ALPHABLENDENABLE] != FALSE) {
            glEnable(GL_BLEND);
            GLenum src = GL_ONE;
            GLenum dst = GL_ZERO;
            blend_pair("D3DRS_SRCBLEND", rs[D3DRS_SRCBLEND], "D3DRS_DESTBLEND", rs[D3DRS_DESTBLEND], src,
                       dst);
            GLenum src_alpha = src;
            GLenum dst_alpha = dst;
            GLenum equation_alpha = blend_equation("D3DRS_BLENDOP", rs[D3DRS_BLENDOP]);
            if (rs[D3DRS_SEPARATEALPHABLENDENABLE] != FALSE) {
                blend_pair("D3DRS_SRCBLENDALPHA", rs[D3DRS_SRCBLENDALPHA], "D3DRS_DESTBLENDALPHA",
                           rs[D3DRS_DESTBLENDALPHA], src_alpha, dst_alpha);
                equation_alpha = blend_equation("D3DRS_BLENDOPALPHA", rs[D3DRS_BLENDOPALPHA]);
            }
            glBlendFuncSeparate(src, dst, src_alpha, dst_alpha);
            glBlendEquationSeparate(blend_equation("D3DRS_BLENDOP", rs[D3DRS_BLENDOP]), equation_alpha);
            const auto factor = rgba_from_d3dcolor(rs[D3DRS_BLENDFACTOR]);
            glBlendColor(factor[0], factor[1], factor[2], factor[3]);
        } else {
            glDisable(GL_BLEND);
        }
        const DWORD write = rs[D3DRS_COLORWRITEENABLE];
        glColorMask((write & 1) != 0, (write & 2) != 0, (write & 4) != 0, (write & 8) != 0);
    }
    dirty_ = 0;
    return true;
}

void Device::apply_samplers() {
    for (GLuint unit = 0; unit < kTextureStages; ++unit) {
        const auto& s = states_.sampler[unit];
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
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, min_filter);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, mag_linear ? GL_LINEAR : GL_NEAREST);
        if (max_anisotropy_ > 1.0f) {
            // Any of the three filters set to anisotropic turns anisotropy on, the mip filter alone too.
            const bool anisotropic = s[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                                     s[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC ||
                                     s[D3DSAMP_MIPFILTER] == D3DTEXF_ANISOTROPIC;
            const float wanted =
                anisotropic ? static_cast<float>(std::max<DWORD>(s[D3DSAMP_MAXANISOTROPY], 1)) : 1.0f;
            glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(wanted, max_anisotropy_));
        }
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S,
                            address_mode("D3DSAMP_ADDRESSU", s[D3DSAMP_ADDRESSU]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T,
                            address_mode("D3DSAMP_ADDRESSV", s[D3DSAMP_ADDRESSV]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R,
                            address_mode("D3DSAMP_ADDRESSW", s[D3DSAMP_ADDRESSW]));
        const auto border = rgba_from_d3dcolor(s[D3DSAMP_BORDERCOLOR]);
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border.data());
        // MAXMIPLEVEL is the most detailed level used; LOD bias is a float held as its bits.
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, bits_float(s[D3DSAMP_MIPMAPLODBIAS]));
    }
}

} // namespace platform::d3d9
