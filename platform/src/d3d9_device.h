// The Direct3D 9 device (IDirect3DDevice9) on OpenGL 3.3 core: the device renders into an offscreen
// framebuffer (the back buffer, X8R8G8B8, with a 16-bit depth buffer) and Present scales it into the window.
// Its reference counting is com::ComObject's. Method bodies are spread over d3d9_device.cpp (creation,
// states), d3d9_draw.cpp (Clear, scenes, drawing), d3d9_present.cpp (Present, read-back) and
// d3d9_font_quads.cpp (the font's atlases and quads).
#pragma once

#include "com_object.h"
#include "d3d9_direct3d.h"
#include "d3d9_draw_checks.h"
#include "d3d9_internal.h"
#include "d3d9_resources.h"
#include "d3d9_state.h"
#include "ffp_program_cache.h"

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace platform::d3d9 {

class CoverageProgram;

class Device final : public com::ComObject<IDirect3DDevice9> {
  public:
    // Makes the GL context and the back buffer; on failure returns the error and leaves *device null.
    static HRESULT create(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
                          Device** device);

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index, UINT num_vertices,
                                 UINT start_index, UINT prim_count) override;
    HRESULT Present(const RECT* source, const RECT* dest, HWND override_window,
                    const RGNDATA* dirty) override;

    const std::shared_ptr<GlContext>& gl() const {
        return gl_;
    }
    // Makes the device's context current with its back buffer bound for drawing; false when the window
    // is gone.
    bool make_current();
    // make_current for drawing into the back buffer, false as well while the window is minimised: nobody
    // can see the picture then, and Present shows nothing of it, so the drawing is left out.
    bool make_current_to_draw();

    // The font's glyph atlases and quads (see d3d9_internal.h).
    AtlasHandle create_atlas(UINT width, UINT height, const std::uint8_t* coverage);
    void destroy_atlas(AtlasHandle atlas);
    void draw_quads(AtlasHandle atlas, const std::vector<GlyphQuad>& quads, const RECT& clip, D3DCOLOR color);

    // The emulation programs compiled so far, one per fixed-function key.
    const FfpProgramCache& programs() const {
        return programs_;
    }

    // The back buffer's pixels as last presented, 0xAARRGGBB, top row first.
    bool presented_pixels(std::vector<std::uint32_t>& pixels, UINT& width, UINT& height);

  private:
    Device(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params, std::shared_ptr<GlContext> gl);
    ~Device() override;
    bool has_interface(REFIID riid) const override {
        return riid == IID_IDirect3DDevice9;
    }
    bool init_gl(std::string& error);
    void release_gl();

    // Turns the state records into GL before a draw; false when the state's program does not compile.
    bool apply_fixed_function_state();
    void apply_samplers();
    // A vertex buffer on a stream, from the byte offset on, one vertex each stride bytes.
    struct Stream {
        std::shared_ptr<BufferStorage> buffer;
        UINT offset = 0;
        UINT stride = 0;
    };
    // Points the emulation program's vertex attributes at the FVF's elements on stream 0.
    void bind_vertex_attributes(const FvfLayout& layout, const Stream& stream);
    void read_back(std::vector<std::uint32_t>& pixels);
    // Scales the back buffer's rectangle from into the window's client area at to, and swaps.
    void blit_to_window(SDL_Window* sdl, const RECT& from, const RECT& to, int client_width,
                        int client_height);

    // Which uniform groups and GL states the state setters have changed since the last draw.
    enum Dirty : std::uint32_t {
        kDirtyTransforms = 1u << 0,
        kDirtyLighting = 1u << 1,
        kDirtyStages = 1u << 2,
        kDirtyPixel = 1u << 3,
        kDirtySamplers = 1u << 4,
        kDirtyTextures = 1u << 5,
        kDirtyGl = 1u << 6, // GL state outside the emulation changed (font drawing, Clear)
        kDirtyAll = 0x7Fu,
    };
    void mark(std::uint32_t bits) {
        dirty_ |= bits;
        if (bits & kDirtyTransforms)
            ++versions_[kGroupTransforms];
        if (bits & kDirtyLighting)
            ++versions_[kGroupLighting];
        if (bits & kDirtyPixel)
            ++versions_[kGroupPixel];
    }
    std::uint32_t render_state_dirty_bits(DWORD state) const;

    com::Held<Direct3D> parent_;
    HWND window_;
    D3DPRESENT_PARAMETERS params_;
    std::shared_ptr<GlContext> gl_;
    UINT width_ = 0;
    UINT height_ = 0;

    GLuint framebuffer_ = 0;
    GLuint color_buffer_ = 0;
    GLuint depth_buffer_ = 0;
    GLuint vertex_array_ = 0;
    std::array<GLuint, kTextureStages> samplers_{};
    float max_anisotropy_ = 1.0f; // 1 when GL_EXT_texture_filter_anisotropic is missing
    FfpProgramCache programs_;
    FfpProgram* program_ = nullptr; // the program of the last draw's key
    FfpKey program_key_;
    // Changes to each uniform group; a program takes a group again when its count moved on.
    std::array<std::uint64_t, kGroupCount> versions_{1, 1, 1};
    std::unique_ptr<CoverageProgram> coverage_;
    std::set<GLuint> atlases_;

    StateRecords states_;
    bool in_scene_ = false;
    std::array<std::shared_ptr<TextureStorage>, kSamplerSlots> textures_;
    std::array<Stream, kStreams> streams_;
    std::shared_ptr<BufferStorage> indices_;
    std::uint32_t dirty_ = kDirtyAll;

    // The largest index in a range of the bound index buffer, kept for the last range drawn.
    IndexRangeCache index_range_;

    // Set by Present, cleared by anything that draws into the back buffer: the back buffer then still
    // holds the presented picture. A copy is kept at Present only once a test has asked for one.
    bool back_buffer_is_presented_ = false;
    bool presented_once_ = false;
};

// Whether a test has asked for presented pixels, so that Present keeps a copy from then on.
bool capture_requested();
void store_presented(std::vector<std::uint32_t> pixels, UINT width, UINT height);
void note_presenting_device(Device* device);
void forget_presenting_device(Device* device);

} // namespace platform::d3d9
