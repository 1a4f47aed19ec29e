// The self-contained Windows build's side of D3DXCreateTextureFromFileA on Windows' own Direct3D 9
// (d3dx9::create_texture, d3dx9::fill_texture_level and d3dx9::max_texture_side of d3dx9_device.h): a managed
// texture of the format, size and level count (IDirect3DDevice9::CreateTexture), each level copied row by row
// into its locked rectangle as the loader hands it over; the largest side is what the device's caps report.
#include "d3dx9/d3dx9_device.h"

#include <algorithm>
#include <cstring>

namespace platform {

HRESULT d3dx9::create_texture(IDirect3DDevice9* device, D3DFORMAT format, UINT width, UINT height,
                              UINT levels, IDirect3DTexture9** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (device == nullptr || levels == 0 || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8))
        return D3DERR_INVALIDCALL;
    return device->CreateTexture(width, height, levels, 0, format, D3DPOOL_MANAGED, texture, nullptr);
}

HRESULT d3dx9::fill_texture_level(IDirect3DTexture9* texture, UINT level, const image::MipLevel& mip) {
    D3DSURFACE_DESC desc{};
    if (texture == nullptr || FAILED(texture->GetLevelDesc(level, &desc)) || desc.Width != mip.width ||
        desc.Height != mip.height || mip.pixels.size() != std::size_t{mip.width} * mip.height)
        return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT locked{};
    if (const HRESULT result = texture->LockRect(level, &locked, nullptr, 0); FAILED(result))
        return result;
    const std::size_t row_bytes = std::size_t{mip.width} * sizeof(std::uint32_t);
    for (UINT y = 0; y < mip.height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + std::ptrdiff_t{locked.Pitch} * y,
                    mip.pixels.data() + std::size_t{y} * mip.width, row_bytes);
    return texture->UnlockRect(level);
}

UINT d3dx9::max_texture_side(IDirect3DDevice9* device) {
    D3DCAPS9 caps{};
    if (device == nullptr || FAILED(device->GetDeviceCaps(&caps)))
        return 0;
    return std::min(caps.MaxTextureWidth, caps.MaxTextureHeight);
}

} // namespace platform
