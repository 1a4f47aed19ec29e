// The Direct3D object (IDirect3D9), made by Direct3DCreate9: one adapter, the HAL device type, windowed
// devices only. Its body is in d3d9_direct3d.cpp; the devices it makes hold it through com::Held.
#pragma once

#include "com/com_object.h"
#include "d3dx9/d3dx9_device.h"

namespace platform::d3d9 {

class Direct3D final : public com::ComObject<IDirect3D9> {
  public:
    Direct3D() : ComObject("Direct3D9") {}
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

  private:
    bool has_interface(REFIID riid) const override {
        return riid == IID_IDirect3D9;
    }
};

} // namespace platform::d3d9
