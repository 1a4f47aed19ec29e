// The fixed-function emulation programs of the GL renderer (gl_ffp_program.h): GL program objects compiled
// from the generated GLSL of a key (gl_ffp_source.cpp), and the uploading of Direct3D 9 state into a
// program's uniforms before each of its draws.
#include "gl/gl_ffp_program.h"
#include "gl/gl_colour.h"

#include <string>

namespace platform::gl {

namespace {

// Whether a shader compiled or a program linked; if not, the GL log after the prefix in error, and the
// object is deleted.
template <typename Query, typename Log, typename Delete>
bool succeeded(GLuint object, GLenum status, Query query, Log log, Delete remove, const std::string& prefix,
               std::string& error) {
    GLint ok = GL_FALSE;
    query(object, status, &ok);
    if (ok == GL_TRUE)
        return true;
    char text[2048] = {};
    log(object, sizeof text - 1, nullptr, text);
    error = prefix + text;
    remove(object);
    return false;
}

GLuint compile(GLenum kind, const char* source, std::string& error) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    const std::string prefix = kind == GL_VERTEX_SHADER ? "vertex shader: " : "fragment shader: ";
    return succeeded(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, glDeleteShader, prefix,
                     error)
               ? shader
               : 0;
}

void set_colour(GLint location, const D3DCOLORVALUE& c) {
    glUniform4f(location, c.r, c.g, c.b, c.a);
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

} // namespace

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
    return succeeded(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, glDeleteProgram,
                     "link: ", error)
               ? program
               : 0;
}

std::unique_ptr<FfpProgram> FfpProgram::create(const FfpKey& key, std::string& error) {
    const GlslDialect dialect = kGlEs ? GlslDialect::kEs300 : GlslDialect::kCore330;
    const std::string vertex = ffp_vertex_source(key, dialect);
    const std::string fragment = ffp_fragment_source(key, dialect);
    const GLuint program = build_program(vertex.c_str(), fragment.c_str(), error);
    if (program == 0)
        return nullptr;
    return std::unique_ptr<FfpProgram>(new FfpProgram(key, program));
}

GLint FfpProgram::at(const char* name) const {
    return glGetUniformLocation(program_, name);
}

// A uniform the key's program does not have is at -1, and GL ignores uploads there.
FfpProgram::FfpProgram(const FfpKey& key, GLuint program) : key_(key), program_(program) {
    world_view_ = at("uWorldView");
    projection_ = at("uProjection");
    normal_matrix_ = at("uNormalMatrix");
    pixel_offset_ = at("uPixelOffset");
    global_ambient_ = at("uGlobalAmbient");
    material_diffuse_ = at("uMaterialDiffuse");
    material_ambient_ = at("uMaterialAmbient");
    material_emissive_ = at("uMaterialEmissive");
    light_diffuse_ = at("uLightDiffuse");
    light_ambient_ = at("uLightAmbient");
    light_position_ = at("uLightPosition");
    light_range_ = at("uLightRange");
    light_attenuation_ = at("uLightAttenuation");
    glUseProgram(program_);
    if (key.textured)
        glUniform1i(at("uTexture0"), 0);
}

FfpProgram::~FfpProgram() {
    if (program_ != 0)
        glDeleteProgram(program_);
}

void FfpProgram::update(const d3d9::StateRecords& states, UINT width, UINT height) {
    // Direct3D's row-vector matrices, read by GL as column-major, are the column-vector forms of the same
    // transforms: upload as they stand.
    const D3DMATRIX world_view = multiply(states.world[0], states.view);
    glUniformMatrix4fv(world_view_, 1, GL_FALSE, &world_view.m[0][0]);
    glUniformMatrix4fv(projection_, 1, GL_FALSE, &states.projection.m[0][0]);
    // Direct3D 9 puts pixel centres at integer screen coordinates, GL at half-integers: a point that
    // Direct3D puts on a pixel's centre must land on the GL pixel's centre, half a pixel right and half a
    // pixel down (GL's y runs up). Half a pixel is 1 / size in normalised coordinates.
    glUniform2f(pixel_offset_, 1.0f / static_cast<float>(width), -1.0f / static_cast<float>(height));
    if (!key_.lighting)
        return;
    const std::array<float, 9> normals = normal_matrix(world_view);
    glUniformMatrix3fv(normal_matrix_, 1, GL_FALSE, normals.data());
    set_lighting(states);
}

void FfpProgram::set_lighting(const d3d9::StateRecords& states) {
    const auto ambient = rgba_from_d3dcolor(states.render[D3DRS_AMBIENT]);
    glUniform3f(global_ambient_, ambient[0], ambient[1], ambient[2]);
    const D3DMATERIAL9& m = states.material;
    set_colour(material_diffuse_, m.Diffuse);
    set_colour(material_ambient_, m.Ambient);
    set_colour(material_emissive_, m.Emissive);

    // The enabled lights, lowest index first (the key's lights, in the same order); positions in camera
    // space.
    std::array<float, 4 * d3d9::kMaxActiveLights> diffuse{}, ambient_light{};
    std::array<float, 3 * d3d9::kMaxActiveLights> position{}, attenuation{};
    std::array<float, d3d9::kMaxActiveLights> range{};
    GLsizei count = 0;
    for (const auto& [index, slot] : states.lights) {
        if (!slot.enabled || count == static_cast<GLsizei>(d3d9::kMaxActiveLights))
            continue;
        const D3DLIGHT9& l = slot.light;
        const auto put4 = [&](std::array<float, 4 * d3d9::kMaxActiveLights>& out, const D3DCOLORVALUE& c) {
            out[4 * count] = c.r;
            out[4 * count + 1] = c.g;
            out[4 * count + 2] = c.b;
            out[4 * count + 3] = c.a;
        };
        const auto put3 = [&](std::array<float, 3 * d3d9::kMaxActiveLights>& out, float x, float y, float z) {
            out[3 * count] = x;
            out[3 * count + 1] = y;
            out[3 * count + 2] = z;
        };
        put4(diffuse, l.Diffuse);
        put4(ambient_light, l.Ambient);
        const D3DVECTOR p = transform_point(l.Position, states.view);
        put3(position, p.x, p.y, p.z);
        range[count] = l.Range;
        put3(attenuation, l.Attenuation0, l.Attenuation1, l.Attenuation2);
        ++count;
    }
    if (count > 0) {
        glUniform4fv(light_diffuse_, count, diffuse.data());
        glUniform4fv(light_ambient_, count, ambient_light.data());
        glUniform3fv(light_position_, count, position.data());
        glUniform1fv(light_range_, count, range.data());
        glUniform3fv(light_attenuation_, count, attenuation.data());
    }
}

} // namespace platform::gl
