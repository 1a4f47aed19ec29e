// D3DXCreateTextureFromFileA for the Linux build: the file is decoded (image_decode.cpp), given its full
// box-filtered mip chain and handed to the device as a managed A8R8G8B8 or X8R8G8B8 texture
// (d3d9::create_texture). On a missing, unreadable, malformed or oversized file nothing is created.
#include <d3dx9.h>

#include "d3d9_internal.h"
#include "d3dx9_trace.h"
#include "image_decode.h"

#include <platform_test.h>

#include <cstdio>
#include <new>

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* pDevice, LPCSTR pSrcFile,
                                          IDirect3DTexture9** ppTexture) {
    platform::trace::CreatingCall line("D3DXCreateTextureFromFileA", pDevice, pSrcFile);
    if (ppTexture != nullptr)
        *ppTexture = nullptr;
    if (pDevice == nullptr || pSrcFile == nullptr || ppTexture == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    if (platform::test::should_fail("D3DXCreateTextureFromFileA"))
        return line.failed(D3DXERR_INVALIDDATA);

    platform::d3dx9::DecodedImage decoded = platform::d3dx9::load_image_file(pSrcFile);
    if (decoded.result != D3D_OK) {
        std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: %s\n", pSrcFile, decoded.error.c_str());
        return line.failed(decoded.result);
    }
    std::vector<platform::d3d9::MipLevel> chain;
    try {
        chain = platform::d3dx9::build_mip_chain(std::move(decoded.image));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "D3DXCreateTextureFromFileA: %s: out of memory\n", pSrcFile);
        return line.failed(E_OUTOFMEMORY);
    }
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result =
        platform::d3d9::create_texture(pDevice, decoded.format, std::move(chain), &texture);
    if (FAILED(result) || texture == nullptr)
        return line.failed(FAILED(result) ? result : E_FAIL);
    *ppTexture = texture;
    return line.made(texture);
}
