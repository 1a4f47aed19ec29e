// Direct3D 9 state records: the starting value of every render, sampler and texture stage state as the
// Direct3D 9 documentation gives it, identity transforms, a zeroed material, and index validation.
#include "d3d9/d3d9_state.h"

#include <bit>
#include <initializer_list>
#include <utility>

namespace platform::d3d9 {

namespace {

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Every render state Direct3D 9 defines, with its documented default (ZENABLE is fixed up per device).
const std::initializer_list<std::pair<DWORD, DWORD>>& render_defaults() {
    static const std::initializer_list<std::pair<DWORD, DWORD>> table = {
        {D3DRS_ZENABLE, D3DZB_FALSE},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_LASTPIXEL, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ALPHAREF, 0},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_DITHERENABLE, FALSE},
        {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_FOGENABLE, FALSE},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_FOGCOLOR, 0},
        {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
        {D3DRS_FOGSTART, 0x00000000u},   // 0.0f
        {D3DRS_FOGEND, 0x3F800000u},     // 1.0f
        {D3DRS_FOGDENSITY, 0x3F800000u}, // 1.0f
        {D3DRS_RANGEFOGENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_STENCILREF, 0},
        {D3DRS_STENCILMASK, 0xFFFFFFFFu},
        {D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFFu},
        {D3DRS_WRAP0, 0},
        {D3DRS_WRAP1, 0},
        {D3DRS_WRAP2, 0},
        {D3DRS_WRAP3, 0},
        {D3DRS_WRAP4, 0},
        {D3DRS_WRAP5, 0},
        {D3DRS_WRAP6, 0},
        {D3DRS_WRAP7, 0},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_AMBIENT, 0},
        {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_NORMALIZENORMALS, FALSE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
        {D3DRS_CLIPPLANEENABLE, 0},
        {D3DRS_POINTSIZE, 0x3F800000u},     // 1.0f
        {D3DRS_POINTSIZE_MIN, 0x3F800000u}, // 1.0f
        {D3DRS_POINTSPRITEENABLE, FALSE},
        {D3DRS_POINTSCALEENABLE, FALSE},
        {D3DRS_POINTSCALE_A, 0x3F800000u}, // 1.0f
        {D3DRS_POINTSCALE_B, 0},
        {D3DRS_POINTSCALE_C, 0},
        {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
        {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFFu},
        {D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE},
        {D3DRS_DEBUGMONITORTOKEN, D3DDMT_ENABLE},
        {D3DRS_POINTSIZE_MAX, 0x42800000u}, // 64.0f
        {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
        {D3DRS_COLORWRITEENABLE, 0x0000000Fu},
        {D3DRS_TWEENFACTOR, 0},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
        {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR},
        {D3DRS_SCISSORTESTENABLE, FALSE},
        {D3DRS_SLOPESCALEDEPTHBIAS, 0},
        {D3DRS_ANTIALIASEDLINEENABLE, FALSE},
        {D3DRS_MINTESSELLATIONLEVEL, 0x3F800000u}, // 1.0f
        {D3DRS_MAXTESSELLATIONLEVEL, 0x3F800000u}, // 1.0f
        {D3DRS_ADAPTIVETESS_X, 0},
        {D3DRS_ADAPTIVETESS_Y, 0},
        {D3DRS_ADAPTIVETESS_Z, 0x3F800000u}, // 1.0f
        {D3DRS_ADAPTIVETESS_W, 0},
        {D3DRS_ENABLEADAPTIVETESSELLATION, FALSE},
        {D3DRS_TWOSIDEDSTENCILMODE, FALSE},
        {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_COLORWRITEENABLE1, 0x0000000Fu},
        {D3DRS_COLORWRITEENABLE2, 0x0000000Fu},
        {D3DRS_COLORWRITEENABLE3, 0x0000000Fu},
        {D3DRS_BLENDFACTOR, 0xFFFFFFFFu},
        {D3DRS_SRGBWRITEENABLE, 0},
        {D3DRS_DEPTHBIAS, 0},
        {D3DRS_WRAP8, 0},
        {D3DRS_WRAP9, 0},
        {D3DRS_WRAP10, 0},
        {D3DRS_WRAP11, 0},
        {D3DRS_WRAP12, 0},
        {D3DRS_WRAP13, 0},
        {D3DRS_WRAP14, 0},
        {D3DRS_WRAP15, 0},
        {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
        {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
        {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
    };
    return table;
}

std::array<bool, kRenderStateCount> make_render_state_table() {
    std::array<bool, kRenderStateCount> known{};
    for (const auto& [state, value] : render_defaults())
        known[state] = true;
    return known;
}

} // namespace

std::optional<DWORD> sampler_slot(DWORD sampler) {
    if (sampler < 16)
        return sampler;
    if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3)
        return 16 + (sampler - D3DDMAPSAMPLER);
    return std::nullopt;
}

bool is_render_state(DWORD state) {
    static const std::array<bool, kRenderStateCount> known = make_render_state_table();
    return state < kRenderStateCount && known[state];
}

bool is_sampler_state(DWORD type) {
    return type >= D3DSAMP_ADDRESSU && type <= D3DSAMP_DMAPOFFSET;
}

bool is_stage_state(DWORD type) {
    return (type >= D3DTSS_COLOROP && type <= D3DTSS_TEXCOORDINDEX) ||
           (type >= D3DTSS_BUMPENVLSCALE && type <= D3DTSS_TEXTURETRANSFORMFLAGS) ||
           (type >= D3DTSS_COLORARG0 && type <= D3DTSS_RESULTARG) || type == D3DTSS_CONSTANT;
}

StateRecords default_states(bool auto_depth_stencil) {
    StateRecords s;
    for (const auto& [state, value] : render_defaults())
        s.render[state] = value;
    s.render[D3DRS_ZENABLE] = auto_depth_stencil ? D3DZB_TRUE : D3DZB_FALSE;

    for (auto& sampler : s.sampler) {
        sampler[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        sampler[D3DSAMP_BORDERCOLOR] = 0;
        sampler[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        sampler[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        sampler[D3DSAMP_MIPMAPLODBIAS] = 0;
        sampler[D3DSAMP_MAXMIPLEVEL] = 0;
        sampler[D3DSAMP_MAXANISOTROPY] = 1;
        sampler[D3DSAMP_SRGBTEXTURE] = 0;
        sampler[D3DSAMP_ELEMENTINDEX] = 0;
        sampler[D3DSAMP_DMAPOFFSET] = 0;
    }

    for (DWORD i = 0; i < kTextureStages; ++i) {
        auto& stage = s.stage[i];
        stage[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stage[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stage[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stage[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stage[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stage[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stage[D3DTSS_TEXCOORDINDEX] = i;
        stage[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        stage[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        stage[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        stage[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }

    s.view = identity();
    s.projection = identity();
    s.texture_transform.fill(identity());
    s.world.fill(identity());
    return s;
}

D3DLIGHT9 default_light() {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    return light;
}

D3DMATRIX* transform_slot(StateRecords& states, DWORD state) {
    if (state == D3DTS_VIEW)
        return &states.view;
    if (state == D3DTS_PROJECTION)
        return &states.projection;
    if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7)
        return &states.texture_transform[state - D3DTS_TEXTURE0];
    if (state >= 256 && state < 512)
        return &states.world[state - 256];
    return nullptr;
}

} // namespace platform::d3d9
