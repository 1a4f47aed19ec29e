// D3DXCreateTextureFromFileA for the Linux build: the file is read and decoded (image_decode.cpp), given
// D3DX's default size (sides rounded up to powers of two, within the device's largest texture), and handed
// to the device as a managed A8R8G8B8 or X8R8G8B8 texture (d3dx9::create_texture) whose full box-filtered
// mip chain is built level by level over level 0's own storage (platform::image::for_each_mip_level) and
// filled level by level (d3dx9::fill_texture_level). On a missing, unreadable, malformed or oversized file
// nothing is created and one line on stderr names the file and the reason.
#include <d3dx9.h>

#include "d3dx9/d3dx9_device.h"
#include "trace/trace_d3dx9.h"
#include "image/image_decode.h"

#include <cstdio>
#include <new>

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                          IDirect3DTexture9** ppTexture) {
    platform::trace::CreatingCall line("D3DXCreateTextureFromFileA", pDevice, pSrcFile);
    if (ppTexture != nullptr)
        *ppTexture = nullptr;
    if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr)
        return line.failed(D3DERR_INVALIDCALL);

    // Without a context to ask (the window is gone), the largest side any Direct3D 9 device takes.
    UINT max_side = platform::d3dx9::max_texture_side(pDevice);
    if (max_side == 0)
        max_side = platform::image::max_image_side;
    platform::image::DecodedImage loaded = platform::image::load_texture_image(pSrcFile, max_side);
    if (loaded.result != D3D_OK) {
        std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: %s\n", pSrcFile, loaded.error.c_str());
        return line.failed(loaded.result);
    }
    // The decoded image is level 0 as it is, and each smaller level is built over the one before once that
    // is handed over: the loader holds one level's storage at a time, never a second beside the renderer's
    // copy of the whole chain (our device keeps none of them: the renderer's copy is the only one).
    const UINT width = loaded.image.width;
    const UINT height = loaded.image.height;
    IDirect3DTexture9* texture = nullptr;
    HRESULT result = platform::d3dx9::create_texture(
        pDevice, loaded.format, width, height, platform::image::full_mip_count(width, height), &texture);
    if (FAILED(result) || texture == nullptr)
        return line.failed(FAILED(result) ? result : E_FAIL);
    try {
        result = platform::image::for_each_mip_level(
            std::move(loaded.image), [texture](UINT index, const platform::image::MipLevel& level) {
                return platform::d3dx9::fill_texture_level(texture, index, level);
            });
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    if (FAILED(result)) {
        texture->Release();
        return line.failed(result);
    }
    *ppTexture = texture;
    return line.made(texture);
}
