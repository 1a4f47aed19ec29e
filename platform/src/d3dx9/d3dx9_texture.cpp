// D3DXCreateTextureFromFileA for the Linux build: the file is read and decoded (image_decode.cpp), given
// D3DX's default size (sides rounded up to powers of two, within the device's largest texture) and its
// full box-filtered mip chain, and handed to the device as a managed A8R8G8B8 or X8R8G8B8 texture
// (d3d9::create_texture). On a missing, unreadable, malformed or oversized file nothing is created and one
// line on stderr names the file and the reason.
#include <d3dx9.h>

#include "d3dx9/d3dx9_device.h"
#include "d3dx9/d3dx9_trace.h"
#include "image/image_decode.h"

#include <cstdio>

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                          IDirect3DTexture9** ppTexture) {
    platform::trace::CreatingCall line("D3DXCreateTextureFromFileA", pDevice, pSrcFile);
    if (ppTexture != nullptr)
        *ppTexture = nullptr;
    if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    if (platform::test::should_fail("D3DXCreateTextureFromFileA"))
        return line.failed(D3DXERR_INVALIDDATA);

    // Without a context to ask (the window is gone), the largest side any Direct3D 9 device takes.
    UINT max_side = platform::d3d9::max_texture_side(pDevice);
    if (max_side == 0)
        max_side = platform::d3dx9::max_image_side;
    platform::d3dx9::TextureLevels loaded = platform::d3dx9::load_texture_levels(pSrcFile, max_side);
    if (loaded.result != D3D_OK) {
        std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: %s\n", pSrcFile, loaded.error.c_str());
        return line.failed(loaded.result);
    }
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result =
        platform::d3d9::create_texture(pDevice, loaded.format, std::move(loaded.levels), &texture);
    if (FAILED(result) || texture == nullptr)
        return line.failed(FAILED(result) ? result : E_FAIL);
    *ppTexture = texture;
    return line.made(texture);
}
