// The self-contained Windows build's glyph atlases and coverage quads for the D3DX font
// (d3dx9::create_coverage_atlas, d3dx9::destroy_coverage_atlas and d3dx9::draw_coverage_quads of
// d3dx9_device.h) on Windows' own Direct3D 9, drawn as D3DX's sprite draws them:
//   atlas            a managed A8R8G8B8 texture, white, the coverage in alpha
//   quads            one DrawPrimitiveUP triangle list of pre-transformed vertices (D3DFVF_XYZRHW) at depth
//                    0, in the text colour, half a pixel up and left so that texels meet pixel centres
//   blending         source alpha over inverse source alpha; alpha test GREATER than 0, so uncovered
//                    pixels neither draw nor write depth; no culling, no fog, no stencil, no shaders
//   clipping         the scissor rectangle (the quads are already cut to it)
//   depth            ZENABLE, ZFUNC and ZWRITEENABLE are the device's own: never set here
//   device states    every state set here is recorded in a state block, captured before the draw and applied
//                    after it, so the device is left as it was found (stream 0 included, which
//                    DrawPrimitiveUP clears)
#include "d3dx9/d3dx9_device.h"

#include <algorithm>
#include <memory>

namespace platform::windows {

namespace {

struct QuadVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
constexpr DWORD quad_fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Sets every state the text is drawn with; recorded twice into state blocks (the states to draw with, and
// the device's own states, captured before each draw).
void set_text_states(IDirect3DDevice9* device, IDirect3DTexture9* atlas) {
    const std::pair<D3DRENDERSTATETYPE, DWORD> render[] = {
        {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_ALPHATESTENABLE, TRUE},
        {D3DRS_ALPHAREF, 0},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_FOGENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_CLIPPLANEENABLE, 0},
        {D3DRS_LIGHTING, FALSE},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_SRGBWRITEENABLE, FALSE},
        {D3DRS_SCISSORTESTENABLE, TRUE},
    };
    for (const auto& [state, value] : render)
        device->SetRenderState(state, value);
    const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stage0[] = {
        {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {D3DTSS_COLORARG2, D3DTA_DIFFUSE}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
        {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
        {D3DTSS_TEXCOORDINDEX, 0},         {D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
        {D3DTSS_RESULTARG, D3DTA_CURRENT},
    };
    for (const auto& [state, value] : stage0)
        device->SetTextureStageState(0, state, value);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    const std::pair<D3DSAMPLERSTATETYPE, DWORD> sampler0[] = {
        {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
        {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
        {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
        {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
        {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
        {D3DSAMP_MAXMIPLEVEL, 0},
        {D3DSAMP_MIPMAPLODBIAS, 0},
        {D3DSAMP_SRGBTEXTURE, FALSE},
    };
    for (const auto& [state, value] : sampler0)
        device->SetSamplerState(0, state, value);
    device->SetTexture(0, atlas);
    device->SetFVF(quad_fvf);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    const RECT whole{0, 0, 1, 1};
    device->SetScissorRect(&whole);
}

IDirect3DStateBlock9* record_text_states(IDirect3DDevice9* device, IDirect3DTexture9* atlas) {
    if (FAILED(device->BeginStateBlock()))
        return nullptr;
    set_text_states(device, atlas);
    IDirect3DStateBlock9* block = nullptr;
    if (FAILED(device->EndStateBlock(&block)))
        return nullptr;
    return block;
}

} // namespace

} // namespace platform::windows

// D3DX's device seam (d3dx9/d3dx9_device.h) on Windows' own device.
namespace platform {

// The texture, the two state blocks, and the vertices of the last draw (their room kept for the next).
struct d3dx9::CoverageAtlas {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DStateBlock9* text_states = nullptr;
    IDirect3DStateBlock9* saved_states = nullptr;
    std::vector<windows::QuadVertex> vertices;

    CoverageAtlas() = default;
    CoverageAtlas(const CoverageAtlas&) = delete;
    CoverageAtlas& operator=(const CoverageAtlas&) = delete;
    ~CoverageAtlas() {
        for (IUnknown* held : {static_cast<IUnknown*>(saved_states), static_cast<IUnknown*>(text_states),
                               static_cast<IUnknown*>(texture)})
            if (held != nullptr)
                held->Release();
    }
};

d3dx9::AtlasHandle d3dx9::create_coverage_atlas(IDirect3DDevice9* device, UINT width, UINT height,
                                                const std::uint8_t* coverage) {
    if (device == nullptr || width == 0 || height == 0 || coverage == nullptr)
        return nullptr;
    auto atlas = std::make_unique<d3dx9::CoverageAtlas>();
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &atlas->texture,
                                     nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked{};
    if (FAILED(atlas->texture->LockRect(0, &locked, nullptr, 0)))
        return nullptr;
    for (UINT y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     std::ptrdiff_t{locked.Pitch} * y);
        for (UINT x = 0; x < width; ++x)
            row[x] = std::uint32_t{coverage[std::size_t{y} * width + x]} << 24 | 0x00FFFFFFu;
    }
    atlas->texture->UnlockRect(0);
    atlas->text_states = windows::record_text_states(device, atlas->texture);
    atlas->saved_states = windows::record_text_states(device, atlas->texture);
    if (atlas->text_states == nullptr || atlas->saved_states == nullptr)
        return nullptr;
    return atlas.release();
}

void d3dx9::destroy_coverage_atlas(IDirect3DDevice9*, d3dx9::AtlasHandle atlas) {
    const std::unique_ptr<d3dx9::CoverageAtlas> owned(atlas);
}

void d3dx9::draw_coverage_quads(IDirect3DDevice9* device, d3dx9::AtlasHandle atlas,
                                const std::vector<font::GlyphQuad>& quads, const RECT& clip,
                                D3DCOLOR colour) {
    if (device == nullptr || atlas == nullptr || quads.empty())
        return;
    D3DVIEWPORT9 viewport{};
    if (FAILED(device->GetViewport(&viewport)))
        return;
    const RECT scissor{std::max<LONG>(clip.left, static_cast<LONG>(viewport.X)),
                       std::max<LONG>(clip.top, static_cast<LONG>(viewport.Y)),
                       std::min<LONG>(clip.right, static_cast<LONG>(viewport.X + viewport.Width)),
                       std::min<LONG>(clip.bottom, static_cast<LONG>(viewport.Y + viewport.Height))};
    if (scissor.right <= scissor.left || scissor.bottom <= scissor.top)
        return;

    std::vector<windows::QuadVertex>& vertices = atlas->vertices;
    vertices.clear();
    for (const font::GlyphQuad& q : quads) {
        const float x0 = q.x0 - 0.5f, y0 = q.y0 - 0.5f, x1 = q.x1 - 0.5f, y1 = q.y1 - 0.5f;
        const windows::QuadVertex corners[6] = {
            {x0, y0, 0, 1, colour, q.u0, q.v0}, {x1, y0, 0, 1, colour, q.u1, q.v0},
            {x0, y1, 0, 1, colour, q.u0, q.v1}, {x0, y1, 0, 1, colour, q.u0, q.v1},
            {x1, y0, 0, 1, colour, q.u1, q.v0}, {x1, y1, 0, 1, colour, q.u1, q.v1}};
        vertices.insert(vertices.end(), corners, corners + 6);
    }
    if (FAILED(atlas->saved_states->Capture()))
        return;
    atlas->text_states->Apply();
    device->SetScissorRect(&scissor);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(vertices.size() / 3), vertices.data(),
                            sizeof(windows::QuadVertex));
    atlas->saved_states->Apply();
}

} // namespace platform
