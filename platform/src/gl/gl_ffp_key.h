// The fixed-function state that decides which emulation program a draw needs, and the one place that names
// what the renderer leaves out. It draws what the viewer and our D3DX ask for: positions through the world,
// view and projection transforms, with a normal, a diffuse colour and one texture coordinate set; lighting
// off (the vertex colour) or on with point lights, the material's emissive, ambient and diffuse colours (the
// vertex colour as the diffuse one where the vertex has it), the global ambient and NORMALIZENORMALS; flat
// or Gouraud shading; stage 0 modulating its texture by the diffuse colour, or disabled; the depth states,
// culling, and blending that changes nothing (ONE over ZERO). Any other value in the state records is
// reported once (report_unimplemented) and drawn as the value named there. Two draws with equal keys share
// one compiled program (gl_ffp_program_cache.h); matrices, colours and light positions go to the program as
// uniforms.
#pragma once

#include "d3d9/d3d9_state.h"

#include "d3d9/d3d9_vertex_format.h"

#include <compare>
#include <cstdint>

namespace platform::gl {

struct FfpKey {
    bool lighting = false;        // D3DRS_LIGHTING
    bool normalize = false;       // D3DRS_NORMALIZENORMALS, only kept with lighting
    bool vertex_diffuse = false;  // lit, with a vertex colour: the material's diffuse colour (D3DMCS_COLOR1)
    std::uint8_t light_count = 0; // the enabled lights, all point lights, only kept with lighting
    bool flat = false;            // D3DSHADE_FLAT
    bool textured = false;        // stage 0 modulates its texture (D3DTOP_MODULATE of it and D3DTA_CURRENT)
    // The depth buffer drawn into is deeper than the device's 16 bits: each fragment's depth is rounded to
    // the 16-bit grid, so that every depth test decides as in a 16-bit buffer. Set by the renderer.
    bool depth16 = false;
    // The position's y is negated, for a clip origin turned against the target's rows (gl_backend.h). Set by
    // the renderer.
    bool negate_y = false;
    std::strong_ordering operator<=>(const FfpKey&) const = default;
};

// The key of the state records for a draw with the given vertex layout; has_texture tells whether stage 0
// has a texture bound. Reports each value of the records, the vertex format's and the enabled lights' that
// the renderer does not draw as Direct3D 9 would.
FfpKey make_ffp_key(const d3d9::StateRecords& states, const d3d9::FvfLayout& layout, bool has_texture);

} // namespace platform::gl
