// Making the emulation program key (gl_ffp_key.h) from the device's state records, and reporting each value
// the renderer does not draw as Direct3D 9 would, named as the call trace names it: a state at a value other
// than its default where only the default is drawn, an operation, filter or light type of which only some
// are drawn. States whose value cannot show in the picture are not looked at: the alpha operations and the
// alpha blend factors (the back buffer keeps no alpha, and only blending that changes nothing is drawn), the
// states of fog, stencil and alpha test while those are off, and the later stages' while stage 1 is off.
#include "gl/gl_ffp_key.h"
#include "d3d9/d3d9_vertex_format.h"
#include "trace/trace_names.h"
#include "trace/unimplemented.h"

#include <algorithm>
#include <initializer_list>
#include <string>

namespace platform::gl {

namespace {

namespace names = trace::names;

// Reports the state's value unless it is the one drawn; `call` sets the state with its value as argument
// number `position`, which names both values.
template <typename State>
void expect(const char* call, int position, State state, DWORD value, DWORD drawn, const char* prefix = "") {
    if (value == drawn)
        return;
    std::string name = prefix;
    if (!names::append_name(name, state))
        name += std::to_string(state);
    std::string instead;
    if (!names::append_argument(instead, call, position, drawn, static_cast<std::uint32_t>(state)))
        instead = std::to_string(drawn);
    trace::report_unimplemented(name, value, instead);
}

bool one_of(DWORD value, std::initializer_list<DWORD> drawn) {
    return std::find(drawn.begin(), drawn.end(), value) != drawn.end();
}

void render_state(const d3d9::StateRecords& s, D3DRENDERSTATETYPE state, DWORD drawn) {
    expect("SetRenderState", 1, state, s.render[state], drawn);
}

struct Drawn {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

void check_render_states(const d3d9::StateRecords& s, bool lighting) {
    // Drawn at their starting values only.
    constexpr Drawn kAlways[] = {{D3DRS_FILLMODE, D3DFILL_SOLID},
                                 {D3DRS_ALPHATESTENABLE, FALSE},
                                 {D3DRS_FOGENABLE, FALSE},
                                 {D3DRS_SPECULARENABLE, FALSE},
                                 {D3DRS_STENCILENABLE, FALSE},
                                 {D3DRS_COLORWRITEENABLE, 0xF},
                                 {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
                                 {D3DRS_CLIPPLANEENABLE, 0},
                                 {D3DRS_SCISSORTESTENABLE, FALSE},
                                 {D3DRS_SRGBWRITEENABLE, FALSE},
                                 {D3DRS_DEPTHBIAS, 0},
                                 {D3DRS_SLOPESCALEDEPTHBIAS, 0},
                                 {D3DRS_WRAP0, 0}};
    constexpr Drawn kLit[] = {{D3DRS_COLORVERTEX, TRUE},
                              {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
                              {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
                              {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL}};
    for (const Drawn& d : kAlways)
        render_state(s, d.state, d.value);
    if (lighting)
        for (const Drawn& d : kLit)
            render_state(s, d.state, d.value);
    if (s.render[D3DRS_ALPHABLENDENABLE] != FALSE) {
        render_state(s, D3DRS_SRCBLEND, D3DBLEND_ONE);
        render_state(s, D3DRS_DESTBLEND, D3DBLEND_ZERO);
        render_state(s, D3DRS_BLENDOP, D3DBLENDOP_ADD);
    }
    if (s.render[D3DRS_ZENABLE] == D3DZB_USEW)
        render_state(s, D3DRS_ZENABLE, D3DZB_TRUE);
    if (!one_of(s.render[D3DRS_SHADEMODE], {D3DSHADE_FLAT, D3DSHADE_GOURAUD, D3DSHADE_PHONG}))
        render_state(s, D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    if (s.render[D3DRS_ZFUNC] < D3DCMP_NEVER || s.render[D3DRS_ZFUNC] > D3DCMP_ALWAYS)
        render_state(s, D3DRS_ZFUNC, D3DCMP_ALWAYS);
    if (!one_of(s.render[D3DRS_CULLMODE], {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW}))
        render_state(s, D3DRS_CULLMODE, D3DCULL_CCW);
}

// Stage 0 modulating its texture by the current colour, with stage 1 disabled; its sampler filtering with
// any of the filters the viewer switches between, wrapping, from the most detailed level on.
void check_stages(const d3d9::StateRecords& s, bool textured) {
    const auto stage = [&s](DWORD i, D3DTEXTURESTAGESTATETYPE type, DWORD drawn) {
        expect("SetTextureStageState", 2, type, s.stage[i][type], drawn, i == 0 ? "" : "stage 1 ");
    };
    if (s.stage[0][D3DTSS_COLOROP] == D3DTOP_DISABLE)
        return;
    stage(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stage(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    stage(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    stage(0, D3DTSS_RESULTARG, D3DTA_CURRENT);
    stage(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    if (!textured)
        return;
    stage(0, D3DTSS_TEXCOORDINDEX, 0);
    stage(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    const auto sampler = [&s](D3DSAMPLERSTATETYPE type, DWORD drawn) {
        expect("SetSamplerState", 2, type, s.sampler[0][type], drawn);
    };
    for (const D3DSAMPLERSTATETYPE filter : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER})
        if (!one_of(s.sampler[0][filter], {D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC}) &&
            !(filter == D3DSAMP_MIPFILTER && s.sampler[0][filter] == D3DTEXF_NONE))
            sampler(filter, D3DTEXF_LINEAR);
    sampler(D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    sampler(D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    sampler(D3DSAMP_MIPMAPLODBIAS, 0);
    sampler(D3DSAMP_MAXMIPLEVEL, 0);
    sampler(D3DSAMP_SRGBTEXTURE, FALSE);
}

} // namespace

FfpKey make_ffp_key(const d3d9::StateRecords& states, const d3d9::FvfLayout& layout, bool has_texture) {
    const auto& rs = states.render;
    if (layout.pretransformed) {
        std::string instead;
        names::append_argument(instead, "SetFVF", 0, (states.fvf & ~D3DFVF_POSITION_MASK) | D3DFVF_XYZ, 0);
        trace::report_unimplemented("SetFVF", states.fvf, instead);
    }
    FfpKey key;
    key.lighting = rs[D3DRS_LIGHTING] != FALSE;
    if (key.lighting) {
        key.normalize = rs[D3DRS_NORMALIZENORMALS] != FALSE;
        key.vertex_diffuse = layout.has_diffuse;
        for (const auto& [index, slot] : states.lights) {
            if (!slot.enabled)
                continue;
            ++key.light_count;
            if (slot.light.Type != D3DLIGHT_POINT)
                trace::report_unimplemented("D3DLIGHT9.Type", slot.light.Type, "D3DLIGHT_POINT");
        }
    }
    key.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    key.textured = has_texture && states.stage[0][D3DTSS_COLOROP] != D3DTOP_DISABLE;
    check_render_states(states, key.lighting);
    check_stages(states, key.textured);
    return key;
}

} // namespace platform::gl
