// The GLSL 3.30 text of an emulation program for one fixed-function key (ffp_vertex_source and
// ffp_fragment_source of gl_ffp_source.h). The generated code holds only what the key uses: the vertex inputs
// it reads, one block per enabled light, and stage 0's texture when it modulates.
//
// Lighting follows Direct3D 9's formulas for point lights in camera space: colour = emissive + ambient x
// (global ambient + sum of light ambient x att) + diffuse x sum of light diffuse x max(N.L, 0) x att, alpha
// from the diffuse colour, att = 1 / (a0 + a1 d + a2 d^2) within the light's range and none beyond it. Clip
// depth 0..w becomes GL's -w..w, and positions move half a pixel so that pixel centres sit at integer
// coordinates as in Direct3D 9; with negate_y, y is negated for a clip origin turned against the target's
// rows (gl_backend.h).
#include "gl/gl_ffp_source.h"

#include <string>

namespace platform::gl {

std::string glsl_prologue(GlslDialect dialect) {
    return dialect == GlslDialect::kEs300 ? "#version 300 es\nprecision highp float;\nprecision highp int;\n"
                                          : "#version 330 core\n";
}

std::string ffp_vertex_source(const FfpKey& key, GlslDialect dialect) {
    const bool es = dialect == GlslDialect::kEs300;
    const bool lit = key.lighting;
    const bool reads_diffuse = !lit || key.vertex_diffuse;
    std::string src = glsl_prologue(dialect) + "layout(location = 0) in vec4 aPosition;\n";
    if (lit)
        src += "layout(location = 1) in vec3 aNormal;\n";
    // ES reads the colour bytes B, G, R, A as they come (aDiffuseBytes) and swaps them in main.
    if (reads_diffuse)
        src +=
            es ? "layout(location = 2) in vec4 aDiffuseBytes;\n" : "layout(location = 2) in vec4 aDiffuse;\n";
    if (key.textured)
        src += "layout(location = 3) in vec2 aTex0;\n";
    src += "uniform mat4 uWorldView;\nuniform mat4 uProjection;\nuniform vec2 uPixelOffset;\n";
    if (lit) {
        src += "uniform mat3 uNormalMatrix;\nuniform vec3 uGlobalAmbient;\nuniform vec4 uMaterialDiffuse;\n"
               "uniform vec4 uMaterialAmbient;\nuniform vec4 uMaterialEmissive;\n";
        if (key.light_count > 0) {
            const std::string n = "[" + std::to_string(key.light_count) + "];\n";
            src += "uniform vec4 uLightDiffuse" + n + "uniform vec4 uLightAmbient" + n;
            src += "uniform vec3 uLightPosition" + n + "uniform float uLightRange" + n;
            src += "uniform vec3 uLightAttenuation" + n;
        }
    }
    src += key.flat ? "flat out vec4 vDiffuse; // D3DSHADE_FLAT\n" : "out vec4 vDiffuse;\n";
    if (key.textured)
        src += "out vec2 vTex0;\n";

    src += "\nvoid main() {\n";
    if (es && reads_diffuse)
        src += "    vec4 aDiffuse = aDiffuseBytes.bgra; // D3DCOLOR: bytes B, G, R, A\n";
    src += R"(    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
    vec4 clip = uProjection * eye;
    clip.xy += uPixelOffset * clip.w;
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
)";
    if (key.negate_y)
        src += "    gl_Position.y = -gl_Position.y; // the clip origin is turned against the target's rows\n";
    if (!lit) {
        src += "    vDiffuse = aDiffuse;\n";
    } else {
        src += "    // D3DRS_LIGHTING\n    vec3 P = eye.xyz;\n    vec3 N = uNormalMatrix * aNormal;\n";
        if (key.normalize)
            src += "    if (dot(N, N) > 0.0) // D3DRS_NORMALIZENORMALS\n        N = normalize(N);\n";
        src += key.vertex_diffuse ? "    vec4 mDiffuse = aDiffuse; // D3DMCS_COLOR1\n"
                                  : "    vec4 mDiffuse = uMaterialDiffuse;\n";
        src += "    vec3 ambientSum = vec3(0.0);\n    vec3 diffuseSum = vec3(0.0);\n";
        for (int i = 0; i < key.light_count; ++i) {
            const std::string l = "[" + std::to_string(i) + "]";
            src += "    { // light " + std::to_string(i) + ": D3DLIGHT_POINT\n";
            src +=
                "        vec3 toLight = uLightPosition" + l + " - P;\n        float d = length(toLight);\n";
            src += "        if (!(d > uLightRange" + l + ")) {\n";
            src += "            vec3 L = d > 0.0 ? toLight / d : vec3(0.0);\n";
            src += "            vec3 a = uLightAttenuation" + l + ";\n";
            src += "            float denominator = a.x + a.y * d + a.z * d * d;\n";
            src += "            float factor = denominator > 0.0 ? 1.0 / denominator : 1.0;\n";
            src += "            ambientSum += uLightAmbient" + l + ".rgb * factor;\n";
            // Saturated: a normal longer than 1 (NORMALIZENORMALS off) brightens no more than a unit one
            // facing the light straight on, as on Windows and Wine.
            src += "            float NdotL = clamp(dot(N, L), 0.0, 1.0);\n";
            src +=
                "            diffuseSum += uLightDiffuse" + l + ".rgb * NdotL * factor;\n        }\n    }\n";
        }
        src += "    vec3 colour = uMaterialEmissive.rgb + uMaterialAmbient.rgb * (uGlobalAmbient + "
               "ambientSum) + "
               "mDiffuse.rgb * diffuseSum;\n";
        src += "    vDiffuse = clamp(vec4(colour, mDiffuse.a), 0.0, 1.0);\n";
    }
    if (key.textured)
        src += "    vTex0 = aTex0;\n";
    return src + "}\n";
}

std::string ffp_fragment_source(const FfpKey& key, GlslDialect dialect) {
    std::string src = glsl_prologue(dialect);
    src += key.flat ? "flat in vec4 vDiffuse; // D3DSHADE_FLAT\n" : "in vec4 vDiffuse;\n";
    if (key.textured)
        src += "in vec2 vTex0;\nuniform sampler2D uTexture0;\n";
    src += "out vec4 fragColour;\n\nvoid main() {\n";
    if (key.textured) {
        src += "    // stage 0: colour D3DTOP_MODULATE(D3DTA_TEXTURE, D3DTA_CURRENT), alpha "
               "D3DTOP_SELECTARG1(D3DTA_TEXTURE)\n";
        src += "    vec4 tex = texture(uTexture0, vTex0);\n    vec4 c = tex * vDiffuse;\n";
        src += "    fragColour = clamp(vec4(c.rgb, tex.a), 0.0, 1.0);\n";
    } else {
        src += "    fragColour = vDiffuse;\n";
    }
    if (key.depth16) {
        // Distinct 16-bit depths stay distinct and in order in the deeper buffer, and depths that a 16-bit
        // buffer holds as one value become one value.
        src += "    gl_FragDepth = floor(gl_FragCoord.z * 65535.0 + 0.5) / 65535.0; // 16-bit depth\n";
    }
    return src + "}\n";
}

} // namespace platform::gl
