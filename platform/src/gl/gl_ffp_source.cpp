// The GLSL 3.30 text of an emulation program for one fixed-function key (ffp_vertex_source and
// ffp_fragment_source of gl_ffp_source.h). The generated code holds only what the key uses: the vertex inputs
// it reads, one block per enabled light for its type, one block per texture stage with its operation written
// out, and the alpha test for its comparison. Direct3D's names appear in the generated text as comments.
//
// Lighting follows Direct3D 9's formulas in camera space: colour = emissive + ambient x (global ambient + sum
// of light ambient x att x spot) + diffuse x sum of light diffuse x max(N.L, 0) x att x spot, alpha from the
// diffuse source; specular = sum of light specular x (N.H)^power x att x spot, only where N.L and N.H are
// positive. H is halfway between the direction to the light and the direction to the viewer: towards the
// camera position with D3DRS_LOCALVIEWER, otherwise (0, 0, -1), straight back along the camera's viewing axis
// (the camera looks down +z in Direct3D's left-handed camera space). Clip depth 0..w becomes GL's -w..w, and
// positions move half a pixel so that pixel centres sit at integer coordinates as in Direct3D 9; with
// negate_y, y is negated for a clip origin turned against the target's rows (gl_backend.h).
#include "gl/gl_ffp_source.h"
#include "trace/trace_names.h"
#include "trace/unimplemented.h"

#include <cstddef>
#include <string>

namespace platform::d3d9 {

namespace {

// A light type's Direct3D name, for the comments of the generated code.
std::string light_name(std::uint8_t type) {
    std::string name;
    if (!trace::names::append_name(name, static_cast<D3DLIGHTTYPE>(type)))
        name = std::to_string(type);
    return name;
}

// "    vec4 mDiffuse = aDiffuse; // D3DMCS_COLOR1": the material colour `colour` taken from its source, a
// vertex colour or the material's own uniform (uMaterialDiffuse).
std::string material_colour(const char* colour, ColourSource source) {
    struct Source {
        const char* input; // the vertex colour read, or null for the material's own
        D3DMATERIALCOLORSOURCE name;
    };
    constexpr Source kSources[] = {
        {nullptr, D3DMCS_MATERIAL}, {"aDiffuse", D3DMCS_COLOR1}, {"aSpecular", D3DMCS_COLOR2}};
    const Source& from = kSources[static_cast<std::size_t>(source)];
    std::string line = std::string("    vec4 m") + colour + " = ";
    line += from.input != nullptr ? std::string(from.input) : std::string("uMaterial") + colour;
    line += "; // ";
    trace::names::append_name(line, from.name);
    return line + "\n";
}

// An argument's value, with its modifiers, and its Direct3D name.
std::string arg_value(DWORD arg) {
    std::string v;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
        v = "diffuse";
        break;
    case D3DTA_CURRENT:
        v = "current";
        break;
    case D3DTA_TEXTURE:
        v = "tex";
        break;
    case D3DTA_TFACTOR:
        v = "uTextureFactor";
        break;
    case D3DTA_SPECULAR:
        v = "specular";
        break;
    default:
        v = "vec4(0.0)"; // D3DTA_TEMP and D3DTA_CONSTANT are not emulated
        break;
    }
    if (arg & D3DTA_COMPLEMENT)
        v = "(vec4(1.0) - " + v + ")";
    if (arg & D3DTA_ALPHAREPLICATE)
        v = "vec4(" + v + ".a)";
    return v;
}

std::string arg_name(DWORD arg) {
    static const char* const kNames[] = {"D3DTA_DIFFUSE",  "D3DTA_CURRENT", "D3DTA_TEXTURE", "D3DTA_TFACTOR",
                                         "D3DTA_SPECULAR", "D3DTA_TEMP",    "D3DTA_CONSTANT"};
    const DWORD select = arg & D3DTA_SELECTMASK;
    std::string name = select < 7 ? kNames[select] : "?";
    if (arg & D3DTA_COMPLEMENT)
        name += " | D3DTA_COMPLEMENT";
    if (arg & D3DTA_ALPHAREPLICATE)
        name += " | D3DTA_ALPHAREPLICATE";
    return name;
}

// The value of an operation (op, arg1, arg2, arg0) of `state` (D3DTSS_COLOROP, D3DTSS_ALPHAOP) as a vec4
// expression.
std::string op_value(const char* state, const std::array<DWORD, 4>& op) {
    const std::string a1 = arg_value(op[1]);
    const std::string a2 = arg_value(op[2]);
    const std::string a0 = arg_value(op[3]);
    switch (op[0]) {
    case D3DTOP_SELECTARG1:
        return a1;
    case D3DTOP_SELECTARG2:
        return a2;
    case D3DTOP_MODULATE:
        return a1 + " * " + a2;
    case D3DTOP_MODULATE2X:
        return "2.0 * " + a1 + " * " + a2;
    case D3DTOP_MODULATE4X:
        return "4.0 * " + a1 + " * " + a2;
    case D3DTOP_ADD:
        return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED:
        return a1 + " + " + a2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X:
        return "2.0 * (" + a1 + " + " + a2 + " - 0.5)";
    case D3DTOP_SUBTRACT:
        return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH:
        return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
        return "mix(" + a2 + ", " + a1 + ", tex.a)";
    case D3DTOP_BLENDFACTORALPHA:
        return "mix(" + a2 + ", " + a1 + ", uTextureFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return a1 + " + " + a2 + " * (1.0 - tex.a)";
    case D3DTOP_BLENDCURRENTALPHA:
        return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
        return "vec4(" + a1 + ".rgb + " + a1 + ".a * " + a2 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATECOLOR_ADDALPHA:
        return "vec4(" + a1 + ".rgb * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return "vec4((1.0 - " + a1 + ".a) * " + a2 + ".rgb + " + a1 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return "vec4((vec3(1.0) - " + a1 + ".rgb) * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(4.0 * dot(" + a1 + ".rgb - 0.5, " + a2 + ".rgb - 0.5), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD:
        return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP:
        return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default:
        report_unimplemented(state, op[0], "D3DTOP_SELECTARG1 of D3DTA_CURRENT");
        return "current";
    }
}

std::string op_comment(const std::array<DWORD, 4>& op) {
    std::string text;
    if (!trace::names::append_name(text, static_cast<D3DTEXTUREOP>(op[0])))
        text = std::to_string(op[0]);
    switch (op[0]) {
    case D3DTOP_SELECTARG1:
        return text + "(" + arg_name(op[1]) + ")";
    case D3DTOP_SELECTARG2:
        return text + "(" + arg_name(op[2]) + ")";
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP:
        return text + "(" + arg_name(op[1]) + ", " + arg_name(op[2]) + ", " + arg_name(op[3]) + ")";
    default:
        return text + "(" + arg_name(op[1]) + ", " + arg_name(op[2]) + ")";
    }
}

bool reads(const std::array<DWORD, 4>& op, DWORD what) {
    for (int i = 1; i < 4; ++i)
        if ((op[i] & D3DTA_SELECTMASK) == what)
            return true;
    return false;
}

// The fragment stage reads the specular colour: pixel specular, or a stage argument D3DTA_SPECULAR.
bool fragment_reads_specular(const FfpKey& key) {
    if (key.specular)
        return true;
    for (int i = 0; i < key.stage_count; ++i)
        if (reads(key.stages[i].colour, D3DTA_SPECULAR) || reads(key.stages[i].alpha, D3DTA_SPECULAR))
            return true;
    return false;
}

bool fragment_reads_factor(const FfpKey& key) {
    for (int i = 0; i < key.stage_count; ++i) {
        const FfpStageKey& s = key.stages[i];
        if (reads(s.colour, D3DTA_TFACTOR) || reads(s.alpha, D3DTA_TFACTOR) ||
            s.colour[0] == D3DTOP_BLENDFACTORALPHA || s.alpha[0] == D3DTOP_BLENDFACTORALPHA)
            return true;
    }
    return false;
}

// The alpha test's comparison, "a < uAlphaRef; // D3DCMP_LESS"; empty for D3DCMP_NEVER and D3DCMP_ALWAYS,
// which compare nothing.
std::string compare_text(DWORD func) {
    // The operators of D3DCMP_LESS to D3DCMP_GREATEREQUAL, in Direct3D's order.
    constexpr const char* kOperators[] = {"<", "==", "<=", ">", "!=", ">="};
    if (func == D3DCMP_NEVER || func == D3DCMP_ALWAYS)
        return {};
    if (func < D3DCMP_LESS || func > D3DCMP_GREATEREQUAL) {
        report_unimplemented("D3DRS_ALPHAFUNC", func, "D3DCMP_ALWAYS");
        return {};
    }
    std::string text = std::string("a ") + kOperators[func - D3DCMP_LESS] + " uAlphaRef; // ";
    trace::names::append_name(text, static_cast<D3DCMPFUNC>(func));
    return text;
}

} // namespace

std::string glsl_prologue(GlslDialect dialect) {
    return dialect == GlslDialect::kEs300 ? "#version 300 es\nprecision highp float;\nprecision highp int;\n"
                                          : "#version 330 core\n";
}

std::string ffp_vertex_source(const FfpKey& key, GlslDialect dialect) {
    const bool es = dialect == GlslDialect::kEs300;
    const bool specular_out = fragment_reads_specular(key);
    const bool lit = key.lighting;
    bool needs_diffuse = !lit;
    bool needs_specular = !lit && specular_out;
    for (const ColourSource s : key.sources) {
        needs_diffuse = needs_diffuse || (lit && s == ColourSource::kVertexDiffuse);
        needs_specular = needs_specular || (lit && s == ColourSource::kVertexSpecular);
    }
    std::string src = glsl_prologue(dialect) + "layout(location = 0) in vec4 aPosition;\n";
    if (lit)
        src += "layout(location = 1) in vec3 aNormal;\n";
    // ES reads the colour bytes B, G, R, A as they come (aDiffuseBytes) and swaps them in main.
    if (needs_diffuse)
        src +=
            es ? "layout(location = 2) in vec4 aDiffuseBytes;\n" : "layout(location = 2) in vec4 aDiffuse;\n";
    if (needs_specular)
        src += es ? "layout(location = 3) in vec4 aSpecularBytes;\n"
                  : "layout(location = 3) in vec4 aSpecular;\n";
    std::array<bool, 8> set_read{};
    for (int i = 0; i < key.stage_count; ++i)
        if (key.stages[i].samples && key.stages[i].texcoord_set < 8)
            set_read[key.stages[i].texcoord_set] = true;
    for (int set = 0; set < 8; ++set)
        if (set_read[set])
            src += "layout(location = " + std::to_string(4 + set) + ") in vec2 aTex" + std::to_string(set) +
                   ";\n";

    const std::string n = std::to_string(key.light_count);
    if (key.pretransformed) {
        src += "uniform vec2 uViewport;\n";
    } else {
        src += "uniform mat4 uWorldView;\nuniform mat4 uProjection;\nuniform vec2 uPixelOffset;\n";
    }
    if (lit) {
        src += "uniform mat3 uNormalMatrix;\nuniform vec3 uGlobalAmbient;\n";
        src += "uniform vec4 uMaterialDiffuse;\nuniform vec4 uMaterialAmbient;\nuniform vec4 "
               "uMaterialEmissive;\n";
        if (key.specular)
            src += "uniform vec4 uMaterialSpecular;\nuniform float uMaterialPower;\n";
        if (key.light_count > 0) {
            src += "uniform vec4 uLightDiffuse[" + n + "];\nuniform vec4 uLightAmbient[" + n + "];\n";
            src += "uniform vec3 uLightPosition[" + n + "];   // camera space\n";
            src += "uniform vec3 uLightDirection[" + n + "];  // camera space, unit length\n";
            src += "uniform float uLightRange[" + n + "];\nuniform vec3 uLightAttenuation[" + n + "];\n";
            src += "uniform vec3 uLightSpot[" + n + "];       // cos(theta / 2), cos(phi / 2), falloff\n";
            if (key.specular)
                src += "uniform vec4 uLightSpecular[" + n + "];\n";
        }
    }
    src += key.flat ? "flat out vec4 vDiffuse; // D3DSHADE_FLAT\n" : "out vec4 vDiffuse;\n";
    if (specular_out)
        src += key.flat ? "flat out vec4 vSpecular;\n" : "out vec4 vSpecular;\n";
    for (int i = 0; i < key.stage_count; ++i)
        if (key.stages[i].samples)
            src += "out vec2 vTex" + std::to_string(i) + ";\n";

    src += "\nvoid main() {\n    vec4 diffuse;\n    vec4 specular;\n";
    if (es && needs_diffuse)
        src += "    vec4 aDiffuse = aDiffuseBytes.bgra; // D3DCOLOR: bytes B, G, R, A\n";
    if (es && needs_specular)
        src += "    vec4 aSpecular = aSpecularBytes.bgra;\n";
    if (key.pretransformed) {
        src +=
            R"(    // D3DFVF_XYZRHW: screen pixels with the pixel centre at integer coordinates; w = 1 / rhw.
    float w = 1.0 / aPosition.w;
    vec2 ndc = vec2((aPosition.x + 0.5) * 2.0 / uViewport.x - 1.0, 1.0 - (aPosition.y + 0.5) * 2.0 / uViewport.y);
    gl_Position = vec4(ndc * w, (2.0 * aPosition.z - 1.0) * w, w);
)";
    } else {
        src += R"(    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
    vec4 clip = uProjection * eye;
    clip.xy += uPixelOffset * clip.w;
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
)";
    }
    if (key.negate_y)
        src += "    gl_Position.y = -gl_Position.y; // the clip origin is turned against the target's rows\n";
    if (!lit) {
        src += "    diffuse = aDiffuse;\n";
        src += specular_out ? "    specular = aSpecular;\n" : "    specular = vec4(0.0);\n";
    } else {
        src += "    // D3DRS_LIGHTING\n    vec3 P = eye.xyz;\n    vec3 N = uNormalMatrix * aNormal;\n";
        if (key.normalize)
            src += "    if (dot(N, N) > 0.0) // D3DRS_NORMALIZENORMALS\n        N = normalize(N);\n";
        src += material_colour("Diffuse", key.sources[0]);
        src += material_colour("Ambient", key.sources[1]);
        if (key.specular)
            src += material_colour("Specular", key.sources[2]);
        src += material_colour("Emissive", key.sources[3]);
        src += "    vec3 ambientSum = vec3(0.0);\n    vec3 diffuseSum = vec3(0.0);\n";
        if (key.specular) {
            src += "    vec3 specularSum = vec3(0.0);\n";
            src += key.local_viewer ? "    vec3 toViewer = normalize(-P); // D3DRS_LOCALVIEWER\n"
                                    : "    vec3 toViewer = vec3(0.0, 0.0, -1.0); // D3DRS_LOCALVIEWER off\n";
        }
        for (int i = 0; i < key.light_count; ++i) {
            const std::string l = std::to_string(i);
            const std::uint8_t type = key.light_types[i];
            src += "    { // light " + l + ": " + light_name(type) + "\n";
            std::string indent = "        ";
            if (type == D3DLIGHT_DIRECTIONAL) {
                src += indent + "vec3 L = -uLightDirection[" + l + "];\n" + indent + "float factor = 1.0;\n";
            } else {
                src += indent + "vec3 toLight = uLightPosition[" + l + "] - P;\n";
                src += indent + "float d = length(toLight);\n";
                src += indent + "if (!(d > uLightRange[" + l + "])) {\n";
                indent += "    ";
                src += indent + "vec3 L = d > 0.0 ? toLight / d : vec3(0.0);\n";
                src += indent + "vec3 a = uLightAttenuation[" + l + "];\n";
                src += indent + "float denominator = a.x + a.y * d + a.z * d * d;\n";
                src += indent + "float factor = denominator > 0.0 ? 1.0 / denominator : 1.0;\n";
                if (type == D3DLIGHT_SPOT) {
                    src += indent + "float rho = dot(uLightDirection[" + l + "], -L);\n";
                    src += indent + "vec3 s = uLightSpot[" + l + "];\n";
                    src += indent + "if (rho <= s.y)\n" + indent + "    factor = 0.0;\n";
                    src += indent + "else if (rho <= s.x)\n" + indent +
                           "    factor *= pow((rho - s.y) / (s.x - s.y), s.z);\n";
                }
            }
            src += indent + "ambientSum += uLightAmbient[" + l + "].rgb * factor;\n";
            // Saturated: a normal longer than 1 (NORMALIZENORMALS off) brightens no more than a unit one
            // facing the light straight on, as on Windows and Wine.
            src += indent + "float NdotL = clamp(dot(N, L), 0.0, 1.0);\n";
            src += indent + "diffuseSum += uLightDiffuse[" + l + "].rgb * NdotL * factor;\n";
            if (key.specular) {
                src += indent + "if (NdotL > 0.0) {\n";
                src += indent + "    float NdotH = dot(N, normalize(toViewer + L));\n";
                src += indent + "    if (NdotH > 0.0)\n";
                src += indent + "        specularSum += uLightSpecular[" + l +
                       "].rgb * pow(min(NdotH, 1.0), uMaterialPower) * factor;\n";
                src += indent + "}\n";
            }
            if (type != D3DLIGHT_DIRECTIONAL)
                src += "        }\n";
            src += "    }\n";
        }
        src +=
            "    vec3 colour = mEmissive.rgb + mAmbient.rgb * (uGlobalAmbient + ambientSum) + mDiffuse.rgb * "
            "diffuseSum;\n";
        src += "    diffuse = clamp(vec4(colour, mDiffuse.a), 0.0, 1.0);\n";
        src += key.specular ? "    specular = clamp(vec4(mSpecular.rgb * specularSum, 0.0), 0.0, 1.0);\n"
                            : "    specular = vec4(0.0);\n";
    }
    src += "    vDiffuse = diffuse;\n";
    if (specular_out)
        src += "    vSpecular = specular;\n";
    for (int i = 0; i < key.stage_count; ++i) {
        const FfpStageKey& s = key.stages[i];
        if (!s.samples)
            continue;
        src += "    vTex" + std::to_string(i) + " = " +
               (s.texcoord_set < 8 ? "aTex" + std::to_string(s.texcoord_set) : std::string("vec2(0.0)")) +
               "; // D3DTSS_TEXCOORDINDEX " + std::to_string(s.texcoord_set) + "\n";
    }
    src += "}\n";
    return src;
}

std::string ffp_fragment_source(const FfpKey& key, GlslDialect dialect) {
    const bool specular_in = fragment_reads_specular(key);
    std::string src = glsl_prologue(dialect);
    src += key.flat ? "flat in vec4 vDiffuse; // D3DSHADE_FLAT\n" : "in vec4 vDiffuse;\n";
    if (specular_in)
        src += key.flat ? "flat in vec4 vSpecular;\n" : "in vec4 vSpecular;\n";
    for (int i = 0; i < key.stage_count; ++i)
        if (key.stages[i].samples)
            src += "in vec2 vTex" + std::to_string(i) + ";\nuniform sampler2D uTexture" + std::to_string(i) +
                   ";\n";
    if (fragment_reads_factor(key))
        src += "uniform vec4 uTextureFactor; // D3DRS_TEXTUREFACTOR\n";
    const std::string comparison = key.alpha_test ? compare_text(key.alpha_func) : std::string();
    if (!comparison.empty())
        src += "uniform float uAlphaRef; // D3DRS_ALPHAREF\n";
    src += "out vec4 fragColor;\n\nvoid main() {\n    vec4 diffuse = vDiffuse;\n";
    src += specular_in ? "    vec4 specular = vSpecular;\n" : "    vec4 specular = vec4(0.0);\n";
    src += "    vec4 current = diffuse;\n    vec4 tex;\n    vec4 c;\n    vec4 a;\n";
    for (int i = 0; i < key.stage_count; ++i) {
        const FfpStageKey& s = key.stages[i];
        const std::string n = std::to_string(i);
        src += "    // stage " + n + ": colour " + op_comment(s.colour) + ", alpha " + op_comment(s.alpha) +
               "\n";
        src +=
            s.samples ? "    tex = texture(uTexture" + n + ", vTex" + n + ");\n" : "    tex = vec4(1.0);\n";
        src += "    c = " + op_value("D3DTSS_COLOROP", s.colour) + ";\n";
        src += "    a = " + op_value("D3DTSS_ALPHAOP", s.alpha) + ";\n";
        src += "    current = clamp(vec4(c.rgb, a.a), 0.0, 1.0);\n";
    }
    if (key.specular)
        src += "    current.rgb = min(current.rgb + specular.rgb, vec3(1.0)); // D3DRS_SPECULARENABLE\n";
    if (key.alpha_test && key.alpha_func == D3DCMP_NEVER) {
        src += "    discard; // D3DRS_ALPHATESTENABLE, D3DCMP_NEVER\n";
    } else if (!comparison.empty()) {
        src += "    // D3DRS_ALPHATESTENABLE: the alpha as a byte against D3DRS_ALPHAREF\n";
        src += "    float a8 = floor(current.a * 255.0 + 0.5);\n";
        std::string test = comparison;
        test.replace(0, 1, "a8"); // the comparison's left side is the stored alpha
        src += "    bool passes = " + test + "\n    if (!passes)\n        discard;\n";
    }
    if (key.depth16) {
        // Distinct 16-bit depths stay distinct and in order in the deeper buffer, and depths that a 16-bit
        // buffer holds as one value become one value.
        src += "    gl_FragDepth = floor(gl_FragCoord.z * 65535.0 + 0.5) / 65535.0; // 16-bit depth\n";
    }
    src += "    fragColor = current;\n}\n";
    return src;
}

} // namespace platform::d3d9
