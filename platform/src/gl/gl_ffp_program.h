// The GL renderer's fixed-function emulation programs: one GL program per state key (gl_ffp_key.h), compiled
// from the GLSL text of gl_ffp_source.h, holding the Direct3D 9 state as uniforms. Programs are kept by key
// in gl_ffp_program_cache.h and used by the renderer's draws (gl_draw.cpp); the bodies are in
// gl_ffp_program.cpp.
#pragma once

#include "d3d9/d3d9_state.h"
#include "gl/gl_ffp_key.h"
#include "gl/gl_ffp_source.h"

#include "gl/gl_api.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace platform::gl {

// Compiles and links a vertex and a fragment shader; 0 and the GL log in error on failure.
GLuint build_program(const char* vertex_source, const char* fragment_source, std::string& error);

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
    GLuint name() const {
        return program_;
    }
    // Forgets the GL program without deleting it: its context is already gone.
    void abandon() {
        program_ = 0;
    }
    // Uploads the state's values into the uniforms.
    void update(const d3d9::StateRecords& states, UINT width, UINT height);

  private:
    FfpProgram(const FfpKey& key, GLuint program);
    GLint at(const char* name) const;
    void set_lighting(const d3d9::StateRecords& states);

    FfpKey key_;
    GLuint program_;
    GLint world_view_, projection_, normal_matrix_, pixel_offset_;
    GLint global_ambient_, material_diffuse_, material_ambient_, material_emissive_;
    GLint light_diffuse_, light_ambient_, light_position_, light_range_, light_attenuation_;
};

} // namespace platform::gl
