// The fixed-function emulation without a renderer: the flexible-vertex-format layouts the programs read, the
// GLSL 3.30 or GLSL ES 3.00 text generated for one state key each (gl_ffp_key.h, gl_ffp_source.cpp) that does
// what Direct3D 9's fixed-function vertex and pixel pipelines do for that state (transforms, per-vertex
// lighting by point, spot and directional lights, material colour sources, flat and Gouraud shading, the
// texture stage cascade, alpha test, specular), the attribute locations of its inputs and the uniform groups
// it holds. The GL programs made from it are in gl_ffp_program.h; parse_fvf is in d3d9_vertex_format.cpp.
#pragma once

#include "d3d9/d3d9_state.h"
#include "gl/gl_ffp_key.h"

#include <array>
#include <cstdint>
#include <string>

namespace platform::d3d9 {

// Where each element of a flexible vertex format lies in a vertex.
struct FvfLayout {
    bool valid = false;
    bool pretransformed = false; // D3DFVF_XYZRHW: screen coordinates, no transform or lighting
    UINT size = 0;               // bytes per vertex
    UINT position_components = 3;
    bool has_normal = false;
    UINT normal_offset = 0;
    bool has_diffuse = false;
    UINT diffuse_offset = 0;
    bool has_specular = false;
    UINT specular_offset = 0;
    UINT texture_sets = 0;
    std::array<UINT, 8> texture_offset{};
    std::array<UINT, 8> texture_components{};
};
FvfLayout parse_fvf(DWORD fvf);

// Attribute locations of the program's vertex inputs.
inline constexpr unsigned kAttribPosition = 0;
inline constexpr unsigned kAttribNormal = 1;
inline constexpr unsigned kAttribDiffuse = 2;
inline constexpr unsigned kAttribSpecular = 3;
inline constexpr unsigned kAttribTexture0 = 4; // sets 0..7 at 4..11

// The dialect of the generated programs: GLSL 3.30 core (OpenGL 3.3) or GLSL ES 3.00 (OpenGL ES 3.0,
// WebGL 2). The two differ only in the first lines and in how vertex colours arrive: OpenGL reads
// D3DCOLOR's bytes B, G, R, A as BGRA, ES has no BGRA attribute format, so the ES vertex program swaps them.
enum class GlslDialect { kCore330, kEs300 };

// The first lines of a program in the dialect: its version and, for ES, the default precisions.
std::string glsl_prologue(GlslDialect dialect);

// The sources of the emulation program for one key: only what the key needs, with Direct3D's names for the
// operations, arguments and light types in the generated text.
std::string ffp_vertex_source(const FfpKey& key, GlslDialect dialect = GlslDialect::kCore330);
std::string ffp_fragment_source(const FfpKey& key, GlslDialect dialect = GlslDialect::kCore330);

// The groups of uniforms a program holds; the device counts changes to each, and a program takes a group
// again only when it changed since the program last took it.
enum FfpUniformGroup : std::uint8_t { kGroupTransforms, kGroupLighting, kGroupPixel, kGroupCount };

} // namespace platform::d3d9
