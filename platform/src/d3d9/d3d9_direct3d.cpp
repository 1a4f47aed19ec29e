// Direct3DCreate9 and the Direct3D object (IDirect3D9): one adapter (0), the HAL device type, windowed
// devices only. CreateDevice checks the present parameters as Direct3D 9 does, fills in what the caller
// left to it (the back buffer's size and format), and makes the device on the window's GL context.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"
#include "win32/win32_internal.h"
#include "trace/test_hooks.h"

#include <cfenv>

const IID IID_IDirect3D9 = {0x81BDCBCA, 0x64D4, 0x426D, {0xAE, 0x8D, 0xAD, 0x01, 0x47, 0xF4, 0x27, 0x5C}};
const IID IID_IDirect3DDevice9 = {
    0xD0223B96, 0xBF7A, 0x43FD, {0x92, 0xBD, 0xA4, 0x3B, 0x0D, 0x82, 0xB9, 0xEB}};
const IID IID_IDirect3DResource9 = {
    0x05EEC05D, 0x8F7D, 0x4362, {0xB9, 0x99, 0xD1, 0xBA, 0xF3, 0x57, 0xC7, 0x04}};
const IID IID_IDirect3DBaseTexture9 = {
    0x580CA87E, 0x1D3C, 0x4D54, {0x99, 0x1D, 0xB7, 0xD3, 0xE3, 0xC2, 0x98, 0xCE}};
const IID IID_IDirect3DTexture9 = {
    0x85C31227, 0x3DE5, 0x4F00, {0x9B, 0x3A, 0xF1, 0x1A, 0xC3, 0x8C, 0x18, 0xB5}};
const IID IID_IDirect3DVertexBuffer9 = {
    0xB64BB1B5, 0xFD70, 0x4DF6, {0xBF, 0x91, 0x19, 0xD0, 0xA1, 0x24, 0x55, 0xE3}};
const IID IID_IDirect3DIndexBuffer9 = {
    0x7C9DD65E, 0xD3F7, 0x4529, {0xAC, 0xEE, 0x78, 0x58, 0x30, 0xAC, 0xDE, 0x35}};

IDirect3D9* WINAPI Direct3DCreate9(UINT sdk_version) {
    // Records its line when it returns, naming the object made.
    platform::d3d9::CreatingCall line("Direct3DCreate9", sdk_version);
    if (sdk_version != D3D_SDK_VERSION || platform::trace::hooks::should_fail("Direct3DCreate9")) {
        line.failed(D3DERR_NOTAVAILABLE);
        return nullptr;
    }
    auto* const d3d = new platform::d3d9::Direct3D();
    line.made(d3d);
    return d3d;
}

namespace platform::d3d9 {

namespace {
// The checks Direct3D 9 makes of windowed present parameters; D3D_OK when the device can be made.
HRESULT check_present_parameters(const D3DPRESENT_PARAMETERS& p) {
    if (p.Windowed == FALSE)
        return D3DERR_INVALIDCALL; // full-screen devices are not offered
    if (p.SwapEffect != D3DSWAPEFFECT_DISCARD && p.SwapEffect != D3DSWAPEFFECT_FLIP &&
        p.SwapEffect != D3DSWAPEFFECT_COPY)
        return D3DERR_INVALIDCALL;
    if (p.BackBufferCount > 3)
        return D3DERR_INVALIDCALL;
    if (p.BackBufferFormat != D3DFMT_UNKNOWN && p.BackBufferFormat != D3DFMT_X8R8G8B8 &&
        p.BackBufferFormat != D3DFMT_A8R8G8B8)
        return D3DERR_NOTAVAILABLE;
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE)
        return D3DERR_NOTAVAILABLE;
    if (p.EnableAutoDepthStencil != FALSE && p.AutoDepthStencilFormat != D3DFMT_D16 &&
        p.AutoDepthStencilFormat != D3DFMT_D24X8 && p.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_NOTAVAILABLE;
    if (p.PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT &&
        p.PresentationInterval != D3DPRESENT_INTERVAL_ONE &&
        p.PresentationInterval != static_cast<UINT>(D3DPRESENT_INTERVAL_IMMEDIATE))
        return D3DERR_INVALIDCALL;
    if (p.FullScreen_RefreshRateInHz != 0)
        return D3DERR_INVALIDCALL; // must be 0 for windowed devices
    return D3D_OK;
}
} // namespace

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                               D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
    CreatingCall line("CreateDevice", self(), adapter, type, focus, flags,
                      Ptr<D3DPRESENT_PARAMETERS>{params});
    if (device == nullptr || params == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT)
        return line.failed(D3DERR_INVALIDCALL);
    if (type != D3DDEVTYPE_HAL)
        return line.failed(type == D3DDEVTYPE_REF || type == D3DDEVTYPE_SW || type == D3DDEVTYPE_NULLREF
                               ? D3DERR_NOTAVAILABLE
                               : D3DERR_INVALIDCALL);
    // Exactly one kind of vertex processing.
    const DWORD processing = flags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING && processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return line.failed(D3DERR_INVALIDCALL);
    const HWND window = params->hDeviceWindow != nullptr ? params->hDeviceWindow : focus;
    if (window == nullptr || win32::host_window(window) == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    if (const HRESULT checked = check_present_parameters(*params); FAILED(checked))
        return line.failed(checked);
    if (trace::hooks::should_fail("CreateDevice"))
        return line.failed(D3DERR_NOTAVAILABLE);

    // What the caller left to Direct3D: the client area's size, the display's format, one back buffer.
    D3DPRESENT_PARAMETERS effective = *params;
    int client_width = 0;
    int client_height = 0;
    win32::client_size(window, &client_width, &client_height); // a live window: checked above
    if (effective.BackBufferWidth == 0)
        effective.BackBufferWidth = client_width > 0 ? static_cast<UINT>(client_width) : 1;
    if (effective.BackBufferHeight == 0)
        effective.BackBufferHeight = client_height > 0 ? static_cast<UINT>(client_height) : 1;
    if (effective.BackBufferFormat == D3DFMT_UNKNOWN)
        effective.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (effective.BackBufferCount == 0)
        effective.BackBufferCount = 1;
    effective.hDeviceWindow = window;

    Device* made = nullptr;
    const HRESULT result = Device::create(this, window, effective, &made);
    if (FAILED(result))
        return line.failed(result);
    const HWND given_window = params->hDeviceWindow;
    *params = effective;
    params->hDeviceWindow = given_window;
    // Without D3DCREATE_FPU_PRESERVE Direct3D 9 sets the thread's floating point to single precision,
    // rounding to nearest. Float arithmetic here is SSE, single precision already; the rounding is set.
    if ((flags & D3DCREATE_FPU_PRESERVE) == 0)
        std::fesetround(FE_TONEAREST);
    *device = made;
    return line.made(static_cast<IDirect3DDevice9*>(made));
}

} // namespace platform::d3d9
