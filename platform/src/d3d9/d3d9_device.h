// The Direct3D 9 device (IDirect3DDevice9) as the program sees it: argument checks, state records, result
// codes and the call trace. The pictures come from a renderer
// (render_backend.h; OpenGL's in the Linux build) that holds the back buffer (X8R8G8B8, with the depth
// buffer asked for) and scales it into the window at Present. Its reference counting is com::ComObject's.
// Method bodies are spread over d3d9_device.cpp (creation, states), d3d9_draw.cpp (Clear, scenes, drawing),
// d3d9_present.cpp (Present, the tests' presented picture) and d3d9_font_quads.cpp (the font's atlases and
// quads).
#pragma once

#include "com/com_object.h"
#include "d3d9/d3d9_direct3d.h"
#include "d3dx9/d3dx9_device.h"
#include "d3d9/d3d9_resources.h"
#include "d3d9/d3d9_state.h"
#include "d3d9/render_backend.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::d3d9 {

class Device final : public com::ComObject<IDirect3DDevice9> {
  public:
    // Makes the OpenGL renderer and its back buffer; on failure returns the error and leaves *device null.
    static HRESULT create(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
                          Device** device);
    // The device over a renderer already made (the front-end test's fake among them), with params as
    // CreateDevice completed them.
    static HRESULT create_with_backend(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
                                       std::unique_ptr<RenderBackend> backend, Device** device);

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT base_vertex, UINT min_index, UINT num_vertices,
                                 UINT start_index, UINT prim_count) override;
    HRESULT Present(const RECT* source, const RECT* dest, HWND override_window,
                    const RGNDATA* dirty) override;

    RenderBackend& backend() const {
        return *backend_;
    }

    // The font's glyph atlases and quads (see d3dx9_device.h).
    d3dx9::AtlasHandle create_atlas(UINT width, UINT height, const std::uint8_t* coverage);
    void destroy_atlas(d3dx9::AtlasHandle atlas);
    void draw_quads(d3dx9::AtlasHandle atlas, const std::vector<font::GlyphQuad>& quads, const RECT& clip,
                    D3DCOLOR colour);

#ifdef PLATFORM_TEST_SEAMS
    // The getters only tests call (d3d9_device.cpp).
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    // The back buffer's pixels as last presented, 0xAARRGGBB, top row first, while the back buffer still
    // holds them (d3d9_present.cpp).
    bool presented_pixels(std::vector<std::uint32_t>& pixels, UINT& width, UINT& height);
#endif

  private:
    Device(Direct3D* parent, HWND window, const D3DPRESENT_PARAMETERS& params,
           std::unique_ptr<RenderBackend> backend);
    ~Device() override;
    bool has_interface(REFIID riid) const override {
        return riid == IID_IDirect3DDevice9;
    }

    com::Held<Direct3D> parent_;
    HWND window_;
    D3DPRESENT_PARAMETERS params_;
    std::unique_ptr<RenderBackend> backend_;
    UINT width_ = 0;
    UINT height_ = 0;

    StateRecords states_;
    bool in_scene_ = false;
    std::array<std::shared_ptr<TextureStorage>, kSamplerSlots> textures_;
    std::array<VertexStream, kStreams> streams_;
    std::shared_ptr<BufferStorage> indices_;

    // What the test seams' presented picture (d3d9_present.cpp) is told of the back buffer: drawn into, about
    // to be presented (a copy is kept from the first time a test asked for the picture), or going with the
    // device (its picture is kept). Nothing without the seams.
#ifdef PLATFORM_TEST_SEAMS
    void back_buffer_drawn() {
        back_buffer_is_presented_ = false;
    }
    void back_buffer_presented();
    void back_buffer_going();
    bool back_buffer_is_presented_ = false; // the back buffer still holds the presented picture
#else
    void back_buffer_drawn() {}
    void back_buffer_presented() {}
    void back_buffer_going() {}
#endif
};

} // namespace platform::d3d9
