// Making the emulation program key (gl_ffp_key.h) from the device's state records: which parts of Direct3D
// 9's fixed-function pipeline a draw uses, with the texture stage cascade resolved the way Direct3D 9 runs it
// (the first disabled colour operation ends it; a stage without its texture passes the result through).
#include "gl/gl_ffp_key.h"
#include "gl/gl_ffp_source.h"

#include <algorithm>

namespace platform::d3d9 {

namespace {

bool op_uses_texture(DWORD op, DWORD arg1, DWORD arg2, DWORD arg0) {
    const auto is_texture = [](DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    switch (op) {
    case D3DTOP_SELECTARG1:
        return is_texture(arg1);
    case D3DTOP_SELECTARG2:
        return is_texture(arg2);
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM:
    case D3DTOP_PREMODULATE:
        return true;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP:
        return is_texture(arg0) || is_texture(arg1) || is_texture(arg2);
    default:
        return is_texture(arg1) || is_texture(arg2);
    }
}

// A stage's operation as it runs, with the arguments it does not read set to zero: a disabled alpha
// operation, or one that needs the missing texture, passes the current colour through.
std::array<DWORD, 4> resolve(DWORD op, DWORD arg1, DWORD arg2, DWORD arg0, bool has_texture) {
    if (op == D3DTOP_DISABLE || (!has_texture && op_uses_texture(op, arg1, arg2, arg0)))
        return {D3DTOP_SELECTARG1, D3DTA_CURRENT, 0, 0};
    switch (op) {
    case D3DTOP_SELECTARG1:
        return {op, arg1, 0, 0};
    case D3DTOP_SELECTARG2:
        return {op, 0, arg2, 0};
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP:
        return {op, arg1, arg2, arg0};
    default:
        return {op, arg1, arg2, 0};
    }
}

bool reads_texture(const std::array<DWORD, 4>& op) {
    const auto is_texture = [](DWORD arg) { return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    return op[0] == D3DTOP_BLENDTEXTUREALPHA || op[0] == D3DTOP_BLENDTEXTUREALPHAPM || is_texture(op[1]) ||
           is_texture(op[2]) || is_texture(op[3]);
}

} // namespace

FfpKey make_ffp_key(const StateRecords& states, const FvfLayout& layout,
                    const std::array<bool, kTextureStages>& has_texture) {
    const auto& rs = states.render;
    FfpKey key;
    key.pretransformed = layout.pretransformed;
    key.lighting = rs[D3DRS_LIGHTING] != FALSE && !layout.pretransformed;
    key.specular = rs[D3DRS_SPECULARENABLE] != FALSE;
    if (key.lighting) {
        key.normalize = rs[D3DRS_NORMALIZENORMALS] != FALSE;
        key.local_viewer = key.specular && rs[D3DRS_LOCALVIEWER] != FALSE;
        // A material colour comes from a vertex colour only with COLORVERTEX on and that colour present.
        const auto source = [&](DWORD state) {
            if (rs[D3DRS_COLORVERTEX] == FALSE)
                return ColourSource::kMaterial;
            if (rs[state] == D3DMCS_COLOR1 && layout.has_diffuse)
                return ColourSource::kVertexDiffuse;
            if (rs[state] == D3DMCS_COLOR2 && layout.has_specular)
                return ColourSource::kVertexSpecular;
            return ColourSource::kMaterial;
        };
        key.sources = {source(D3DRS_DIFFUSEMATERIALSOURCE), source(D3DRS_AMBIENTMATERIALSOURCE),
                       source(D3DRS_SPECULARMATERIALSOURCE), source(D3DRS_EMISSIVEMATERIALSOURCE)};
        for (const auto& [index, slot] : states.lights) {
            if (!slot.enabled || key.light_count == kMaxActiveLights)
                continue;
            key.light_types[key.light_count++] = static_cast<std::uint8_t>(slot.light.Type);
        }
    }
    key.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    for (DWORD i = 0; i < kTextureStages; ++i) {
        const auto& s = states.stage[i];
        if (s[D3DTSS_COLOROP] == D3DTOP_DISABLE)
            break;
        FfpStageKey& stage = key.stages[i];
        stage.colour = resolve(s[D3DTSS_COLOROP], s[D3DTSS_COLORARG1], s[D3DTSS_COLORARG2],
                               s[D3DTSS_COLORARG0], has_texture[i]);
        stage.alpha = resolve(s[D3DTSS_ALPHAOP], s[D3DTSS_ALPHAARG1], s[D3DTSS_ALPHAARG2],
                              s[D3DTSS_ALPHAARG0], has_texture[i]);
        // Only a stage that reads its texture samples it, at its texture coordinate set.
        stage.samples = has_texture[i] && (reads_texture(stage.colour) || reads_texture(stage.alpha));
        if (stage.samples)
            stage.texcoord_set =
                static_cast<std::uint8_t>(std::min<DWORD>(s[D3DTSS_TEXCOORDINDEX] & 0xFFFF, 8));
        key.stage_count = static_cast<std::uint8_t>(i + 1);
    }
    key.alpha_test = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    if (key.alpha_test)
        key.alpha_func = rs[D3DRS_ALPHAFUNC];
    return key;
}

} // namespace platform::d3d9
