// The fixed-function state that decides which emulation program a draw needs: the vertex format, lighting on
// or off with the type of each enabled light, the material colour sources, the texture stages in use with
// their operations and arguments, shading, alpha test and specular. Two draws with equal keys share one
// compiled program (gl_ffp_program_cache.h); values that only feed numbers (matrices, colours, light
// positions, the texture factor, the alpha reference) stay out of the key and go to the program as uniforms.
#pragma once

#include "d3d9/d3d9_state.h"

#include <array>
#include <compare>
#include <cstdint>

namespace platform::d3d9 {

struct FvfLayout;

// Where a material colour comes from (D3DRS_*MATERIALSOURCE, after D3DRS_COLORVERTEX and the vertex format).
enum class ColourSource : std::uint8_t { kMaterial, kVertexDiffuse, kVertexSpecular };

struct FfpStageKey {
    // Operation and arguments 1, 2 and 0, as Direct3D numbers them; an operation on an absent texture is
    // already resolved to D3DTOP_SELECTARG1 of D3DTA_CURRENT.
    std::array<DWORD, 4> colour{};
    std::array<DWORD, 4> alpha{};
    bool samples = false;          // a texture is bound to the stage
    std::uint8_t texcoord_set = 0; // D3DTSS_TEXCOORDINDEX; 8 and above read (0, 0)
    std::strong_ordering operator<=>(const FfpStageKey&) const = default;
};

struct FfpKey {
    bool pretransformed = false;           // D3DFVF_XYZRHW
    bool lighting = false;                 // D3DRS_LIGHTING on a transformed vertex
    bool normalize = false;                // D3DRS_NORMALIZENORMALS
    bool specular = false;                 // D3DRS_SPECULARENABLE
    bool local_viewer = false;             // D3DRS_LOCALVIEWER, only kept with lighting and specular
    std::array<ColourSource, 4> sources{}; // diffuse, ambient, specular, emissive
    std::uint8_t light_count = 0;
    std::array<std::uint8_t, kMaxActiveLights> light_types{}; // D3DLIGHTTYPE of the enabled lights in order
    bool flat = false;                                        // D3DSHADE_FLAT
    std::uint8_t stage_count = 0; // stages before the first disabled colour operation
    std::array<FfpStageKey, kTextureStages> stages{};
    bool alpha_test = false;
    DWORD alpha_func = D3DCMP_ALWAYS; // only kept with the alpha test on
    // The depth buffer drawn into is deeper than the device's 16 bits: each fragment's depth is rounded to
    // the 16-bit grid, so that every depth test decides as in a 16-bit buffer. Set by the renderer.
    bool depth16 = false;
    // The position's y is negated, for a clip origin turned against the target's rows (gl_backend.h). Set by
    // the renderer.
    bool negate_y = false;
    std::strong_ordering operator<=>(const FfpKey&) const = default;
};

// The key of the state records for a draw with the given vertex layout; has_texture tells which stages have a
// texture bound.
FfpKey make_ffp_key(const StateRecords& states, const FvfLayout& layout,
                    const std::array<bool, kTextureStages>& has_texture);

} // namespace platform::d3d9
