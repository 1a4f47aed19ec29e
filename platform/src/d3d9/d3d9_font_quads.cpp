// The device's side of the D3DX font's glyph atlases and coverage quads (d3dx9::create_coverage_atlas,
// d3dx9::destroy_coverage_atlas, d3dx9::draw_coverage_quads of d3dx9_device.h), drawn by the renderer
// (render_backend.h). Like D3DX's sprite, the quads lie at depth 0, pass an alpha test (D3DCMP_GREATER
// against the reference 0x00, so uncovered pixels are discarded) and keep the device's ZENABLE, ZFUNC and
// ZWRITEENABLE: with depth on, the text's pixels hold their place against anything drawn later in the scene.
// None of the device's Direct3D states change.
#include "d3d9/d3d9_device.h"

namespace platform::d3d9 {

d3dx9::AtlasHandle Device::create_atlas(UINT width, UINT height, const std::uint8_t* coverage) {
    if (width == 0 || height == 0 || coverage == nullptr || !backend_->make_current())
        return 0;
    return backend_->create_atlas(width, height, coverage);
}

void Device::destroy_atlas(d3dx9::AtlasHandle atlas) {
    backend_->destroy_atlas(atlas);
}

void Device::draw_quads(d3dx9::AtlasHandle atlas, const std::vector<font::GlyphQuad>& quads, const RECT& clip,
                        D3DCOLOR colour) {
    if (!backend_->can_draw())
        return;
    const auto& rs = states_.render;
    const QuadDepth depth{rs[D3DRS_ZENABLE] != D3DZB_FALSE, rs[D3DRS_ZFUNC], rs[D3DRS_ZWRITEENABLE] != FALSE};
    if (backend_->draw_quads(atlas, quads, clip, colour, depth))
        back_buffer_drawn();
}

} // namespace platform::d3d9

// D3DX's device seam (d3dx9/d3dx9_device.h) on this device.
namespace platform {

d3dx9::AtlasHandle d3dx9::create_coverage_atlas(IDirect3DDevice9* device, UINT width, UINT height,
                                                const std::uint8_t* coverage) {
    auto* const ours = dynamic_cast<d3d9::Device*>(device);
    return ours != nullptr ? ours->create_atlas(width, height, coverage) : 0;
}

void d3dx9::destroy_coverage_atlas(IDirect3DDevice9* device, d3dx9::AtlasHandle atlas) {
    if (auto* const ours = dynamic_cast<d3d9::Device*>(device))
        ours->destroy_atlas(atlas);
}

void d3dx9::draw_coverage_quads(IDirect3DDevice9* device, d3dx9::AtlasHandle atlas,
                                const std::vector<font::GlyphQuad>& quads, const RECT& clip,
                                D3DCOLOR colour) {
    if (auto* const ours = dynamic_cast<d3d9::Device*>(device))
        ours->draw_quads(atlas, quads, clip, colour);
}

} // namespace platform
