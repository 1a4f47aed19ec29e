// The fixed-function emulation: GLSL 3.30 programs generated for one state key each (ffp_key.h) that do what
// Direct3D 9's fixed-function vertex and pixel pipelines do for that state (transforms, per-vertex lighting
// by point, spot and directional lights, material colour sources, flat and Gouraud shading, the texture stage
// cascade, alpha test, specular), and the flexible-vertex-format layouts they read. Programs are kept by key
// in ffp_program_cache.h and used by the device's drawing (d3d9_draw.cpp).
#pragma once

#include "d3d9_state.h"
#include "ffp_key.h"

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <memory>
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
inline constexpr GLuint kAttribPosition = 0;
inline constexpr GLuint kAttribNormal = 1;
inline constexpr GLuint kAttribDiffuse = 2;
inline constexpr GLuint kAttribSpecular = 3;
inline constexpr GLuint kAttribTexture0 = 4; // sets 0..7 at 4..11

// Compiles and links a vertex and a fragment shader; 0 and the GL log in error on failure.
GLuint build_program(const char* vertex_source, const char* fragment_source, std::string& error);

// The GLSL 3.30 sources of the emulation program for one key: only what the key needs, with Direct3D's
// names for the operations, arguments and light types in the generated text.
std::string ffp_vertex_source(const FfpKey& key);
std::string ffp_fragment_source(const FfpKey& key);

// The groups of uniforms a program holds; the device counts changes to each, and a program takes a group
// again only when it changed since the program last took it.
enum FfpUniformGroup : std::uint8_t { kGroupTransforms, kGroupLighting, kGroupPixel, kGroupCount };

class FfpProgram {
  public:
    // Compiles the program for the key; null and the GL log in error on failure.
    static std::unique_ptr<FfpProgram> create(const FfpKey& key, std::string& error);
    ~FfpProgram();
    FfpProgram(const FfpProgram&) = delete;
    FfpProgram& operator=(const FfpProgram&) = delete;

    const FfpKey& key() const {
        return key_;
    }
    void use() const;
    // Forgets the GL program without deleting it: its context is already gone.
    void abandon() {
        program_ = 0;
    }
    // Uploads each group whose count differs from the one this program last took.
    void update(const StateRecords& states, UINT width, UINT height,
                const std::array<std::uint64_t, kGroupCount>& versions);

  private:
    FfpProgram(const FfpKey& key, GLuint program);
    GLint at(const char* name) const;
    void set_transforms(const StateRecords& states, UINT width, UINT height);
    void set_lighting(const StateRecords& states);
    void set_pixel_states(const StateRecords& states);

    FfpKey key_;
    GLuint program_;
    std::array<std::uint64_t, kGroupCount> taken_{}; // 0: never
    GLint world_view_, projection_, normal_matrix_, pixel_offset_, viewport_;
    GLint global_ambient_, material_diffuse_, material_ambient_, material_specular_, material_emissive_;
    GLint material_power_, light_diffuse_, light_specular_, light_ambient_, light_position_, light_direction_;
    GLint light_range_, light_attenuation_, light_spot_, texture_factor_, alpha_ref_;
};

} // namespace platform::d3d9
