// The fixed-function emulation's programs as text: the GLSL 3.30 or GLSL ES 3.00 generated for one state key
// each (gl_ffp_key.h, gl_ffp_source.cpp) that does what Direct3D 9's fixed-function vertex and pixel
// pipelines do for that state (transforms, per-vertex lighting by point, spot and directional lights,
// material colour sources, flat and Gouraud shading, the texture stage cascade, alpha test, specular), and
// the attribute locations of its inputs. The GL programs made from it are in gl_ffp_program.h.
#pragma once

#include "d3d9/d3d9_state.h"
#include "d3d9/d3d9_vertex_format.h"
#include "gl/gl_ffp_key.h"

#include <string>

namespace platform::d3d9 {

// Attribute locations of the program's vertex inputs; texture coordinate sets 0..7 at 4..11.
enum FfpAttribute : unsigned {
    kAttribPosition,
    kAttribNormal,
    kAttribDiffuse,
    kAttribSpecular,
    kAttribTexture0
};

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

} // namespace platform::d3d9
