// Graphics set-up and teardown: the Direct3D object and the device on the one window, the states that hold
// for the whole run, the box, the light and the material, the two textures and the status font.
#include "render/graphics.h"

#include "render/box_scene.h"

#include <cstdio>

GraphicsResources graphics;

namespace {

constexpr UINT back_buffer_width = 1024;
constexpr UINT back_buffer_height = 768;

DeviceSetup failure(const char* reason) {
    DeviceSetup setup;
    std::snprintf(setup.reason, sizeof setup.reason, "%s", reason);
    return setup;
}

DeviceSetup call_failure(const char* operation, HRESULT result) {
    DeviceSetup setup;
    std::snprintf(setup.reason, sizeof setup.reason, "%s failed (0x%08lX)", operation,
                  static_cast<unsigned long>(static_cast<DWORD>(result)));
    return setup;
}

template <typename Interface> void release(Interface*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

} // namespace

DeviceSetup setup_device(HWND window) {
    graphics.d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (graphics.d3d == nullptr)
        return failure("Direct3DCreate9 failed");

    D3DPRESENT_PARAMETERS d3dpp;
    ZeroMemory(&d3dpp, sizeof d3dpp);
    d3dpp.Windowed = TRUE;
    d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    d3dpp.hDeviceWindow = window;
    d3dpp.BackBufferFormat = D3DFMT_X8R8G8B8;
    d3dpp.BackBufferWidth = back_buffer_width;
    d3dpp.BackBufferHeight = back_buffer_height;
    d3dpp.EnableAutoDepthStencil = TRUE;
    d3dpp.AutoDepthStencilFormat = D3DFMT_D16;

    const HRESULT created =
        graphics.d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                   D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3dpp, &graphics.device);
    if (FAILED(created) || graphics.device == nullptr) {
        graphics.device = nullptr;
        release_device();
        return call_failure("CreateDevice", created);
    }
    IDirect3DDevice9* const device = graphics.device;

    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(50, 50, 50));
    if (!build_box()) {
        release_device();
        return failure("the box's vertex or index buffer cannot be made");
    }
    setup_light_and_material();
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 8);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_ANISOTROPIC);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_ANISOTROPIC);

    // A texture whose file is missing or unreadable stays absent; the box is then drawn untextured.
    if (FAILED(D3DXCreateTextureFromFileA(device, "tex_fur.png", &graphics.fur_texture)))
        graphics.fur_texture = nullptr;
    if (FAILED(D3DXCreateTextureFromFileA(device, "bump.bmp", &graphics.bump_texture)))
        graphics.bump_texture = nullptr;

    device->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    // Without a usable face the program runs on without its status text.
    if (FAILED(D3DXCreateFontA(device, 24, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial", &graphics.font)))
        graphics.font = nullptr;
    DeviceSetup made;
    made.ok = true;
    return made;
}

void release_device() {
    release(graphics.vertex_buffer);
    release(graphics.index_buffer);
    release(graphics.fur_texture);
    release(graphics.bump_texture);
    release(graphics.device);
    release(graphics.d3d);
    release(graphics.font);
}
