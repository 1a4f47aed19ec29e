// The self-contained Windows build's side of D3DXCreateTextureFromFileA on Windows' own Direct3D 9
// (create_texture and max_texture_side of d3dx9_device.h): the decoded chain becomes a managed texture of
// the same format and level count (IDirect3DDevice9::CreateTexture), each level copied row by row into its
// locked rectangle; the largest side is what the device's caps report.
#include "d3dx9/d3dx9_device.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d9 {

HRESULT create_texture(IDirect3DDevice9* device, D3DFORMAT format, std::vector<MipLevel> levels,
                       IDirect3DTexture9** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (device == nullptr || levels.empty() || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8))
        return D3DERR_INVALIDCALL;
    IDirect3DTexture9* made = nullptr;
    HRESULT result =
        device->CreateTexture(levels[0].width, levels[0].height, static_cast<UINT>(levels.size()), 0, format,
                              D3DPOOL_MANAGED, &made, nullptr);
    if (FAILED(result))
        return result;
    for (UINT level = 0; level < levels.size(); ++level) {
        const MipLevel& source = levels[level];
        D3DLOCKED_RECT locked{};
        result = made->LockRect(level, &locked, nullptr, 0);
        if (FAILED(result)) {
            made->Release();
            return result;
        }
        const std::size_t row_bytes = std::size_t{source.width} * sizeof(std::uint32_t);
        for (UINT y = 0; y < source.height; ++y)
            std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + std::ptrdiff_t{locked.Pitch} * y,
                        source.pixels.data() + std::size_t{y} * source.width, row_bytes);
        made->UnlockRect(level);
    }
    *texture = made;
    return D3D_OK;
}

UINT max_texture_side(IDirect3DDevice9* device) {
    D3DCAPS9 caps{};
    if (device == nullptr || FAILED(device->GetDeviceCaps(&caps)))
        return 0;
    return std::min(caps.MaxTextureWidth, caps.MaxTextureHeight);
}

} // namespace platform::d3d9
