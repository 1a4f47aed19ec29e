// The graphics objects of the whole run: created once before the main loop, released once after it.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

struct GraphicsResources {
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* vertex_buffer = nullptr;
    IDirect3DIndexBuffer9* index_buffer = nullptr;
    IDirect3DTexture9* fur_texture = nullptr;
    IDirect3DTexture9* bump_texture = nullptr;
    ID3DXFont* font = nullptr;
};

extern GraphicsResources graphics;

// What set-up made of the device: `ok`, or the reason it could not be made, one line for the start-up report
// ("CreateDevice failed (0x8876086A)").
struct DeviceSetup {
    bool ok = false;
    char reason[128] = {};
};

// Creates the Direct3D object, the device, the box, the light, the material, the textures and the font.
// When the device or the box cannot be made, it releases everything it made and says why; a missing texture
// or font is not a failure.
DeviceSetup setup_device(HWND window);
void release_device();
