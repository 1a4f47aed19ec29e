// The fixed-function emulation program (GLSL 3.30) and the uploading of Direct3D 9 state into its uniforms.
// Lighting follows Direct3D 9's formulas in camera space: colour = emissive + ambient x (global ambient +
// sum of light ambient x att x spot) + diffuse x sum of light diffuse x max(N.L, 0) x att x spot, alpha from
// the diffuse source; specular only with D3DRS_SPECULARENABLE. Clip depth 0..w becomes GL's -w..w, and
// positions move half a pixel so that pixel centres sit at integer coordinates as in Direct3D 9.
#include "ffp_shader.h"

#include <cmath>
#include <string>
#include <vector>

namespace platform::d3d9 {

namespace {

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec4 aSpecular;
layout(location = 4) in vec2 aTex0;
layout(location = 5) in vec2 aTex1;
layout(location = 6) in vec2 aTex2;
layout(location = 7) in vec2 aTex3;
layout(location = 8) in vec2 aTex4;
layout(location = 9) in vec2 aTex5;
layout(location = 10) in vec2 aTex6;
layout(location = 11) in vec2 aTex7;

uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform vec2 uPixelOffset;
uniform vec2 uViewport;
uniform bool uPretransformed;

uniform bool uLighting;
uniform bool uNormalize;
uniform bool uSpecularEnable;
uniform bool uLocalViewer;
uniform ivec4 uSources; // diffuse, ambient, specular, emissive: 0 material, 1 vertex diffuse, 2 vertex specular
uniform vec3 uGlobalAmbient;
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialSpecular;
uniform vec4 uMaterialEmissive;
uniform float uMaterialPower;

uniform int uLightCount;
uniform int uLightType[8];
uniform vec4 uLightDiffuse[8];
uniform vec4 uLightSpecular[8];
uniform vec4 uLightAmbient[8];
uniform vec3 uLightPosition[8];   // camera space
uniform vec3 uLightDirection[8];  // camera space, unit length
uniform float uLightRange[8];
uniform vec3 uLightAttenuation[8];
uniform vec3 uLightSpot[8];       // cos(theta / 2), cos(phi / 2), falloff

uniform int uTexCoordSet[8];

out vec4 vDiffuse;
flat out vec4 vDiffuseFlat;
out vec4 vSpecular;
flat out vec4 vSpecularFlat;
out vec2 vTexCoord[8];

vec4 colour_source(int source, vec4 material) {
    if (source == 1)
        return aDiffuse;
    if (source == 2)
        return aSpecular;
    return material;
}

vec2 texture_set(int set) {
    switch (set) {
    case 0: return aTex0;
    case 1: return aTex1;
    case 2: return aTex2;
    case 3: return aTex3;
    case 4: return aTex4;
    case 5: return aTex5;
    case 6: return aTex6;
    case 7: return aTex7;
    }
    return vec2(0.0);
}

void main() {
    vec4 diffuse;
    vec4 specular;
    if (uPretransformed) {
        // Screen pixels with the pixel centre at integer coordinates; w = 1 / rhw.
        float w = 1.0 / aPosition.w;
        vec2 ndc = vec2((aPosition.x + 0.5) * 2.0 / uViewport.x - 1.0, 1.0 - (aPosition.y + 0.5) * 2.0 / uViewport.y);
        gl_Position = vec4(ndc * w, (2.0 * aPosition.z - 1.0) * w, w);
        diffuse = aDiffuse;
        specular = aSpecular;
    } else {
        vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
        vec4 clip = uProjection * eye;
        clip.xy += uPixelOffset * clip.w;
        clip.z = 2.0 * clip.z - clip.w;
        gl_Position = clip;

        if (uLighting) {
            vec3 P = eye.xyz;
            vec3 N = uNormalMatrix * aNormal;
            if (uNormalize && dot(N, N) > 0.0)
                N = normalize(N);
            vec4 mDiffuse = colour_source(uSources.x, uMaterialDiffuse);
            vec4 mAmbient = colour_source(uSources.y, uMaterialAmbient);
            vec4 mSpecular = colour_source(uSources.z, uMaterialSpecular);
            vec4 mEmissive = colour_source(uSources.w, uMaterialEmissive);
            vec3 ambientSum = vec3(0.0);
            vec3 diffuseSum = vec3(0.0);
            vec3 specularSum = vec3(0.0);
            for (int i = 0; i < uLightCount; ++i) {
                vec3 L;
                float factor = 1.0;
                if (uLightType[i] == 3) {
                    L = -uLightDirection[i];
                } else {
                    vec3 toLight = uLightPosition[i] - P;
                    float d = length(toLight);
                    if (d > uLightRange[i])
                        continue;
                    L = d > 0.0 ? toLight / d : vec3(0.0);
                    vec3 a = uLightAttenuation[i];
                    float denominator = a.x + a.y * d + a.z * d * d;
                    factor = denominator > 0.0 ? 1.0 / denominator : 1.0;
                    if (uLightType[i] == 2) {
                        float rho = dot(uLightDirection[i], -L);
                        vec3 s = uLightSpot[i];
                        if (rho <= s.y)
                            factor = 0.0;
                        else if (rho <= s.x)
                            factor *= pow((rho - s.y) / (s.x - s.y), s.z);
                    }
                }
                ambientSum += uLightAmbient[i].rgb * factor;
                // Saturated: a normal longer than 1 (NORMALIZENORMALS off) brightens no more than a unit one
                // facing the light straight on, as on Windows and Wine.
                float NdotL = clamp(dot(N, L), 0.0, 1.0);
                diffuseSum += uLightDiffuse[i].rgb * NdotL * factor;
                if (uSpecularEnable && NdotL > 0.0) {
                    vec3 toViewer = uLocalViewer ? normalize(-P) : vec3(0.0, 0.0, 1.0);
                    vec3 H = normalize(toViewer + L);
                    float NdotH = clamp(dot(N, H), 0.0, 1.0);
                    specularSum += uLightSpecular[i].rgb * pow(NdotH, uMaterialPower) * factor;
                }
            }
            vec3 colour = mEmissive.rgb + mAmbient.rgb * (uGlobalAmbient + ambientSum) + mDiffuse.rgb * diffuseSum;
            diffuse = clamp(vec4(colour, mDiffuse.a), 0.0, 1.0);
            specular = clamp(vec4(mSpecular.rgb * specularSum, 0.0), 0.0, 1.0);
        } else {
            diffuse = aDiffuse;
            specular = aSpecular;
        }
    }
    vDiffuse = diffuse;
    vDiffuseFlat = diffuse;
    vSpecular = specular;
    vSpecularFlat = specular;
    for (int i = 0; i < 8; ++i)
        vTexCoord[i] = texture_set(uTexCoordSet[i]);
}
)";

const char* const kFragmentHead = R"(#version 330 core
in vec4 vDiffuse;
flat in vec4 vDiffuseFlat;
in vec4 vSpecular;
flat in vec4 vSpecularFlat;
in vec2 vTexCoord[8];

uniform bool uFlat;
uniform int uStageCount;
uniform ivec4 uColorOps[8]; // op, arg1, arg2, arg0
uniform ivec4 uAlphaOps[8];
uniform bool uStageSamples[8];
uniform vec4 uTextureFactor;
uniform bool uPixelSpecular;
uniform bool uAlphaTest;
uniform int uAlphaFunc;
uniform float uAlphaRef;
uniform sampler2D uTexture0;
uniform sampler2D uTexture1;
uniform sampler2D uTexture2;
uniform sampler2D uTexture3;
uniform sampler2D uTexture4;
uniform sampler2D uTexture5;
uniform sampler2D uTexture6;
uniform sampler2D uTexture7;

out vec4 fragColor;

vec4 stage_arg(int a, vec4 current, vec4 diffuse, vec4 specular, vec4 tex) {
    vec4 v;
    switch (a & 15) {
    case 0: v = diffuse; break;
    case 1: v = current; break;
    case 2: v = tex; break;
    case 3: v = uTextureFactor; break;
    case 4: v = specular; break;
    default: v = vec4(0.0); break;
    }
    if ((a & 16) != 0)
        v = vec4(1.0) - v;
    if ((a & 32) != 0)
        v = vec4(v.a);
    return v;
}

vec4 stage_op(ivec4 op, vec4 current, vec4 diffuse, vec4 specular, vec4 tex) {
    vec4 a1 = stage_arg(op.y, current, diffuse, specular, tex);
    vec4 a2 = stage_arg(op.z, current, diffuse, specular, tex);
    vec4 a0 = stage_arg(op.w, current, diffuse, specular, tex);
    switch (op.x) {
    case 2: return a1;
    case 3: return a2;
    case 4: return a1 * a2;
    case 5: return 2.0 * a1 * a2;
    case 6: return 4.0 * a1 * a2;
    case 7: return a1 + a2;
    case 8: return a1 + a2 - 0.5;
    case 9: return 2.0 * (a1 + a2 - 0.5);
    case 10: return a1 - a2;
    case 11: return a1 + a2 - a1 * a2;
    case 12: return mix(a2, a1, diffuse.a);
    case 13: return mix(a2, a1, tex.a);
    case 14: return mix(a2, a1, uTextureFactor.a);
    case 15: return a1 + a2 * (1.0 - tex.a);
    case 16: return mix(a2, a1, current.a);
    case 18: return vec4(a1.rgb + a1.a * a2.rgb, a1.a);
    case 19: return vec4(a1.rgb * a2.rgb + a1.a, a1.a);
    case 20: return vec4((1.0 - a1.a) * a2.rgb + a1.rgb, a1.a);
    case 21: return vec4((vec3(1.0) - a1.rgb) * a2.rgb + a1.a, a1.a);
    case 24: return vec4(clamp(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5), 0.0, 1.0));
    case 25: return a0 + a1 * a2;
    case 26: return mix(a2, a1, a0);
    }
    return current;
}

bool alpha_passes(float alpha) {
    float a = floor(alpha * 255.0 + 0.5);
    switch (uAlphaFunc) {
    case 1: return false;
    case 2: return a < uAlphaRef;
    case 3: return a == uAlphaRef;
    case 4: return a <= uAlphaRef;
    case 5: return a > uAlphaRef;
    case 6: return a != uAlphaRef;
    case 7: return a >= uAlphaRef;
    }
    return true;
}

void main() {
    vec4 diffuse = uFlat ? vDiffuseFlat : vDiffuse;
    vec4 specular = uFlat ? vSpecularFlat : vSpecular;
    vec4 current = diffuse;
    vec4 tex;
)";

std::string fragment_source() {
    std::string source = kFragmentHead;
    // One block per stage: sampler arrays can only be indexed by constants in GLSL 3.30.
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i);
        source += "    if (uStageCount > " + n + ") {\n";
        source += "        tex = uStageSamples[" + n + "] ? texture(uTexture" + n + ", vTexCoord[" + n +
                  "]) : vec4(1.0);\n";
        source += "        vec4 c = stage_op(uColorOps[" + n + "], current, diffuse, specular, tex);\n";
        source += "        vec4 a = stage_op(uAlphaOps[" + n + "], current, diffuse, specular, tex);\n";
        source += "        current = clamp(vec4(c.rgb, a.a), 0.0, 1.0);\n";
        source += "    }\n";
    }
    source += R"(    if (uPixelSpecular)
        current.rgb = min(current.rgb + specular.rgb, vec3(1.0));
    if (uAlphaTest && !alpha_passes(current.a))
        discard;
    fragColor = current;
}
)";
    return source;
}

GLuint compile(GLenum kind, const char* source, std::string& error) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        error = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") + " shader: " + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

void set_colour(GLint location, const D3DCOLORVALUE& c) {
    glUniform4f(location, c.r, c.g, c.b, c.a);
}

// D3DCOLOR 0xAARRGGBB as four floats r, g, b, a.
std::array<float, 4> unpack(D3DCOLOR c) {
    return {static_cast<float>((c >> 16) & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
            static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 24) & 0xFF) / 255.0f};
}

// The row-vector product a x b of two Direct3D matrices.
D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

// Normals go through the inverse transpose of the upper 3 x 3 of the world-view matrix: its cofactor matrix
// divided by its determinant. The cofactor matrix of a transpose is the transpose of the cofactor matrix, so
// the result is laid out in memory the same way as the matrix it came from.
std::array<float, 9> normal_matrix(const D3DMATRIX& m) {
    const auto c = [&](int r0, int c0, int r1, int c1) {
        return m.m[r0][c0] * m.m[r1][c1] - m.m[r0][c1] * m.m[r1][c0];
    };
    std::array<float, 9> cof = {
        c(1, 1, 2, 2),  -c(1, 0, 2, 2), c(1, 0, 2, 1),  //
        -c(0, 1, 2, 2), c(0, 0, 2, 2),  -c(0, 0, 2, 1), //
        c(0, 1, 1, 2),  -c(0, 0, 1, 2), c(0, 0, 1, 1),
    };
    const float det = m.m[0][0] * cof[0] + m.m[0][1] * cof[1] + m.m[0][2] * cof[2];
    const float scale = det != 0.0f ? 1.0f / det : 0.0f;
    for (float& v : cof)
        v *= scale;
    return cof;
}

D3DVECTOR transform_point(const D3DVECTOR& p, const D3DMATRIX& m) {
    return {p.x * m._11 + p.y * m._21 + p.z * m._31 + m._41, p.x * m._12 + p.y * m._22 + p.z * m._32 + m._42,
            p.x * m._13 + p.y * m._23 + p.z * m._33 + m._43};
}

D3DVECTOR transform_direction(const D3DVECTOR& d, const D3DMATRIX& m) {
    D3DVECTOR r{d.x * m._11 + d.y * m._21 + d.z * m._31, d.x * m._12 + d.y * m._22 + d.z * m._32,
                d.x * m._13 + d.y * m._23 + d.z * m._33};
    const float length = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    if (length > 0.0f) {
        r.x /= length;
        r.y /= length;
        r.z /= length;
    }
    return r;
}

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

} // namespace

FvfLayout parse_fvf(DWORD fvf) {
    FvfLayout layout;
    UINT offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        offset = 12;
        break;
    case D3DFVF_XYZRHW:
        layout.pretransformed = true;
        layout.position_components = 4;
        offset = 16;
        break;
    case D3DFVF_XYZW:
        layout.position_components = 4;
        offset = 16;
        break;
    default:
        return layout; // no position, or vertex blending, which the emulation does not do
    }
    if (fvf & D3DFVF_NORMAL) {
        layout.has_normal = true;
        layout.normal_offset = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE)
        offset += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        layout.has_diffuse = true;
        layout.diffuse_offset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.has_specular = true;
        layout.specular_offset = offset;
        offset += 4;
    }
    layout.texture_sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (layout.texture_sets > 8)
        return layout;
    for (UINT i = 0; i < layout.texture_sets; ++i) {
        static constexpr UINT kComponents[4] = {2, 3, 4, 1};
        const UINT components = kComponents[(fvf >> (16 + 2 * i)) & 3];
        layout.texture_offset[i] = offset;
        layout.texture_components[i] = components;
        offset += 4 * components;
    }
    layout.size = offset;
    layout.valid = true;
    return layout;
}

GLuint build_program(const char* vertex_source, const char* fragment_source, std::string& error) {
    const GLuint vs = compile(GL_VERTEX_SHADER, vertex_source, error);
    if (vs == 0)
        return 0;
    const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment_source, error);
    if (fs == 0) {
        glDeleteShader(vs);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log - 1, nullptr, log);
        error = std::string("link: ") + log;
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

std::unique_ptr<FfpProgram> FfpProgram::create(std::string& error) {
    const std::string fragment = fragment_source();
    const GLuint program = build_program(kVertexShader, fragment.c_str(), error);
    if (program == 0)
        return nullptr;
    return std::unique_ptr<FfpProgram>(new FfpProgram(program));
}

GLint FfpProgram::at(const char* name) const {
    return glGetUniformLocation(program_, name);
}

FfpProgram::FfpProgram(GLuint program) : program_(program) {
    world_view_ = at("uWorldView");
    projection_ = at("uProjection");
    normal_matrix_ = at("uNormalMatrix");
    pixel_offset_ = at("uPixelOffset");
    viewport_ = at("uViewport");
    pretransformed_ = at("uPretransformed");
    lighting_ = at("uLighting");
    normalize_ = at("uNormalize");
    specular_enable_ = at("uSpecularEnable");
    local_viewer_ = at("uLocalViewer");
    sources_ = at("uSources");
    global_ambient_ = at("uGlobalAmbient");
    material_diffuse_ = at("uMaterialDiffuse");
    material_ambient_ = at("uMaterialAmbient");
    material_specular_ = at("uMaterialSpecular");
    material_emissive_ = at("uMaterialEmissive");
    material_power_ = at("uMaterialPower");
    light_count_ = at("uLightCount");
    light_type_ = at("uLightType");
    light_diffuse_ = at("uLightDiffuse");
    light_specular_ = at("uLightSpecular");
    light_ambient_ = at("uLightAmbient");
    light_position_ = at("uLightPosition");
    light_direction_ = at("uLightDirection");
    light_range_ = at("uLightRange");
    light_attenuation_ = at("uLightAttenuation");
    light_spot_ = at("uLightSpot");
    texcoord_set_ = at("uTexCoordSet");
    stage_count_ = at("uStageCount");
    color_ops_ = at("uColorOps");
    alpha_ops_ = at("uAlphaOps");
    stage_samples_ = at("uStageSamples");
    texture_factor_ = at("uTextureFactor");
    flat_ = at("uFlat");
    alpha_test_ = at("uAlphaTest");
    alpha_func_ = at("uAlphaFunc");
    alpha_ref_ = at("uAlphaRef");
    pixel_specular_ = at("uPixelSpecular");

    glUseProgram(program_);
    for (int i = 0; i < 8; ++i) {
        const std::string name = "uTexture" + std::to_string(i);
        glUniform1i(at(name.c_str()), i);
    }
}

FfpProgram::~FfpProgram() {
    if (program_ != 0)
        glDeleteProgram(program_);
}

void FfpProgram::use() const {
    glUseProgram(program_);
}

void FfpProgram::set_transforms(const StateRecords& states, UINT width, UINT height) {
    // Direct3D's row-vector matrices, read by GL as column-major, are the column-vector forms of the same
    // transforms: upload as they stand.
    const D3DMATRIX world_view = multiply(states.world[0], states.view);
    glUniformMatrix4fv(world_view_, 1, GL_FALSE, &world_view.m[0][0]);
    glUniformMatrix4fv(projection_, 1, GL_FALSE, &states.projection.m[0][0]);
    const std::array<float, 9> normals = normal_matrix(world_view);
    glUniformMatrix3fv(normal_matrix_, 1, GL_FALSE, normals.data());
    // Direct3D 9 puts pixel centres at integer screen coordinates, GL at half-integers: a point that
    // Direct3D puts on a pixel's centre must land on the GL pixel's centre, half a pixel right and half a
    // pixel down (GL's y runs up). Half a pixel is 1 / size in normalised coordinates.
    glUniform2f(pixel_offset_, 1.0f / static_cast<float>(width), -1.0f / static_cast<float>(height));
    glUniform2f(viewport_, static_cast<float>(width), static_cast<float>(height));
}

void FfpProgram::set_lighting(const StateRecords& states, const FvfLayout& layout) {
    const auto& rs = states.render;
    glUniform1i(pretransformed_, layout.pretransformed ? 1 : 0);
    glUniform1i(lighting_, rs[D3DRS_LIGHTING] != FALSE && !layout.pretransformed ? 1 : 0);
    glUniform1i(normalize_, rs[D3DRS_NORMALIZENORMALS] != FALSE ? 1 : 0);
    glUniform1i(specular_enable_, rs[D3DRS_SPECULARENABLE] != FALSE ? 1 : 0);
    glUniform1i(local_viewer_, rs[D3DRS_LOCALVIEWER] != FALSE ? 1 : 0);

    // A material colour comes from a vertex colour only with COLORVERTEX on and that colour present.
    const auto source = [&](DWORD state) {
        if (rs[D3DRS_COLORVERTEX] == FALSE)
            return 0;
        if (rs[state] == D3DMCS_COLOR1 && layout.has_diffuse)
            return 1;
        if (rs[state] == D3DMCS_COLOR2 && layout.has_specular)
            return 2;
        return 0;
    };
    glUniform4i(sources_, source(D3DRS_DIFFUSEMATERIALSOURCE), source(D3DRS_AMBIENTMATERIALSOURCE),
                source(D3DRS_SPECULARMATERIALSOURCE), source(D3DRS_EMISSIVEMATERIALSOURCE));
    const auto ambient = unpack(rs[D3DRS_AMBIENT]);
    glUniform3f(global_ambient_, ambient[0], ambient[1], ambient[2]);

    const D3DMATERIAL9& m = states.material;
    set_colour(material_diffuse_, m.Diffuse);
    set_colour(material_ambient_, m.Ambient);
    set_colour(material_specular_, m.Specular);
    set_colour(material_emissive_, m.Emissive);
    glUniform1f(material_power_, m.Power);

    // The enabled lights, lowest index first, at most eight; positions and directions in camera space.
    std::vector<GLint> type;
    std::vector<float> diffuse, specular, ambient_light, position, direction, range, attenuation, spot;
    for (const auto& [index, slot] : states.lights) {
        if (!slot.enabled || type.size() == kMaxActiveLights)
            continue;
        const D3DLIGHT9& l = slot.light;
        type.push_back(l.Type);
        for (const D3DCOLORVALUE* c : {&l.Diffuse, &l.Specular, &l.Ambient}) {
            auto& out = c == &l.Diffuse ? diffuse : c == &l.Specular ? specular : ambient_light;
            out.insert(out.end(), {c->r, c->g, c->b, c->a});
        }
        const D3DVECTOR p = transform_point(l.Position, states.view);
        position.insert(position.end(), {p.x, p.y, p.z});
        const D3DVECTOR d = transform_direction(l.Direction, states.view);
        direction.insert(direction.end(), {d.x, d.y, d.z});
        range.push_back(l.Range);
        attenuation.insert(attenuation.end(), {l.Attenuation0, l.Attenuation1, l.Attenuation2});
        spot.insert(spot.end(), {std::cos(l.Theta / 2.0f), std::cos(l.Phi / 2.0f), l.Falloff});
    }
    const auto count = static_cast<GLsizei>(type.size());
    glUniform1i(light_count_, count);
    if (count > 0) {
        glUniform1iv(light_type_, count, type.data());
        glUniform4fv(light_diffuse_, count, diffuse.data());
        glUniform4fv(light_specular_, count, specular.data());
        glUniform4fv(light_ambient_, count, ambient_light.data());
        glUniform3fv(light_position_, count, position.data());
        glUniform3fv(light_direction_, count, direction.data());
        glUniform1fv(light_range_, count, range.data());
        glUniform3fv(light_attenuation_, count, attenuation.data());
        glUniform3fv(light_spot_, count, spot.data());
    }
}

void FfpProgram::set_stages(const StateRecords& states, const std::array<bool, kTextureStages>& has_texture) {
    std::array<GLint, 4 * kTextureStages> colour{};
    std::array<GLint, 4 * kTextureStages> alpha{};
    std::array<GLint, kTextureStages> samples{};
    std::array<GLint, kTextureStages> sets{};
    GLint count = 0;
    bool chain_open = true;
    for (DWORD i = 0; i < kTextureStages; ++i) {
        const auto& s = states.stage[i];
        sets[i] = static_cast<GLint>(s[D3DTSS_TEXCOORDINDEX] & 0xFFFF);
        // The first disabled colour operation ends the cascade.
        if (!chain_open || s[D3DTSS_COLOROP] == D3DTOP_DISABLE) {
            chain_open = false;
            continue;
        }
        count = static_cast<GLint>(i + 1);
        samples[i] = has_texture[i] ? 1 : 0;
        // A stage whose texture is absent passes the result of the stage before it through.
        const auto resolve = [&](DWORD op, DWORD arg1, DWORD arg2, DWORD arg0, GLint* out) {
            if (op == D3DTOP_DISABLE || (!has_texture[i] && op_uses_texture(op, arg1, arg2, arg0))) {
                op = D3DTOP_SELECTARG1;
                arg1 = D3DTA_CURRENT;
            }
            out[0] = static_cast<GLint>(op);
            out[1] = static_cast<GLint>(arg1);
            out[2] = static_cast<GLint>(arg2);
            out[3] = static_cast<GLint>(arg0);
        };
        resolve(s[D3DTSS_COLOROP], s[D3DTSS_COLORARG1], s[D3DTSS_COLORARG2], s[D3DTSS_COLORARG0],
                &colour[4 * i]);
        resolve(s[D3DTSS_ALPHAOP], s[D3DTSS_ALPHAARG1], s[D3DTSS_ALPHAARG2], s[D3DTSS_ALPHAARG0],
                &alpha[4 * i]);
    }
    glUniform1i(stage_count_, count);
    glUniform4iv(color_ops_, kTextureStages, colour.data());
    glUniform4iv(alpha_ops_, kTextureStages, alpha.data());
    glUniform1iv(stage_samples_, kTextureStages, samples.data());
    glUniform1iv(texcoord_set_, kTextureStages, sets.data());
}

void FfpProgram::set_pixel_states(const StateRecords& states) {
    const auto& rs = states.render;
    glUniform1i(flat_, rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? 1 : 0);
    const auto factor = unpack(rs[D3DRS_TEXTUREFACTOR]);
    glUniform4f(texture_factor_, factor[0], factor[1], factor[2], factor[3]);
    glUniform1i(pixel_specular_, rs[D3DRS_SPECULARENABLE] != FALSE ? 1 : 0);
    glUniform1i(alpha_test_, rs[D3DRS_ALPHATESTENABLE] != FALSE ? 1 : 0);
    glUniform1i(alpha_func_, static_cast<GLint>(rs[D3DRS_ALPHAFUNC]));
    glUniform1f(alpha_ref_, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF));
}

} // namespace platform::d3d9
