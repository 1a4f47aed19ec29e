// The fixed-function emulation's programs as text: the GLSL 3.30 or GLSL ES 3.00 generated for one state key
// each (gl_ffp_key.h, gl_ffp_source.cpp) that does what Direct3D 9's fixed-function vertex and pixel
// pipelines do for that state (transforms, per-vertex lighting by point lights, flat and Gouraud shading,
// stage 0's texture modulating the diffuse colour), and the attribute locations of its inputs. The GL
// programs made from it are in gl_ffp_program.h.
#pragma once

#include "gl/gl_ffp_key.h"

#include <string>

namespace platform::gl {

// Attribute locations of the program's vertex inputs: the position, normal, diffuse colour and texture
// coordinate set 0.
enum FfpAttribute : unsigned { kAttribPosition, kAttribNormal, kAttribDiffuse, kAttribTexture0 };

// The dialect of the generated programs: GLSL 3.30 core (OpenGL 3.3) or GLSL ES 3.00 (OpenGL ES 3.0,
// WebGL 2). The two differ only in the first lines and in how vertex colours arrive: OpenGL reads
// D3DCOLOR's bytes B, G, R, A as BGRA, ES has no BGRA attribute format, so the ES vertex program swaps them.
enum class GlslDialect { kCore330, kEs300 };

// The first lines of a program in the dialect: its version and, for ES, the default precisions.
std::string glsl_prologue(GlslDialect dialect);

// The sources of the emulation program for one key: only what the key needs.
std::string ffp_vertex_source(const FfpKey& key, GlslDialect dialect = GlslDialect::kCore330);
std::string ffp_fragment_source(const FfpKey& key, GlslDialect dialect = GlslDialect::kCore330);

} // namespace platform::gl
