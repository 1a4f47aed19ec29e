// The fixed-function emulation: one GLSL 3.30 program that does what Direct3D 9's fixed-function vertex
// and pixel pipelines do for the states it can be given (transforms, per-vertex lighting by point, spot and
// directional lights, material colour sources, flat and Gouraud shading, the texture stage cascade, alpha
// test), and the flexible-vertex-format layouts it reads. Used by the device's drawing (d3d9_draw.cpp).
#pragma once

#include "d3d9_state.h"

#include <epoxy/gl.h>

#include <array>
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

class FfpProgram {
  public:
    static std::unique_ptr<FfpProgram> create(std::string& error);
    ~FfpProgram();
    FfpProgram(const FfpProgram&) = delete;
    FfpProgram& operator=(const FfpProgram&) = delete;

    void use() const;
    // Forgets the GL program without deleting it: its context is already gone.
    void abandon() {
        program_ = 0;
    }
    // Each uploads one group of uniforms from the state records.
    void set_transforms(const StateRecords& states, UINT width, UINT height);
    void set_lighting(const StateRecords& states, const FvfLayout& layout);
    void set_stages(const StateRecords& states, const std::array<bool, kTextureStages>& has_texture);
    void set_pixel_states(const StateRecords& states);

  private:
    explicit FfpProgram(GLuint program);
    GLint at(const char* name) const;

    GLuint program_;
    GLint world_view_, projection_, normal_matrix_, pixel_offset_, viewport_, pretransformed_;
    GLint lighting_, normalize_, specular_enable_, local_viewer_, sources_, global_ambient_;
    GLint material_diffuse_, material_ambient_, material_specular_, material_emissive_, material_power_;
    GLint light_count_, light_type_, light_diffuse_, light_specular_, light_ambient_, light_position_;
    GLint light_direction_, light_range_, light_attenuation_, light_spot_;
    GLint texcoord_set_, stage_count_, color_ops_, alpha_ops_, stage_samples_, texture_factor_;
    GLint flat_, alpha_test_, alpha_func_, alpha_ref_, pixel_specular_;
};

} // namespace platform::d3d9
