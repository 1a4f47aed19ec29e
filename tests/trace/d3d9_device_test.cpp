// The Direct3D 9 device on the virtual display: the documented starting states the renderer draws by, the
// calls Direct3D 9 refuses with D3DERR_INVALIDCALL, present parameters taken and reported, reference counting
// between device, Direct3D object and resources, buffer locking, and operations made to fail by tests.
#include "d3d9_test_device.h"

#include <string>
#include <utility>

namespace {

using d3d9_test::DeviceTest;

DWORD render_state(IDirect3DDevice9* device, D3DRENDERSTATETYPE state) {
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(device->GetRenderState(state, &value), D3D_OK) << state;
    return value;
}

DWORD sampler_state(IDirect3DDevice9* device, DWORD sampler, D3DSAMPLERSTATETYPE type) {
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(device->GetSamplerState(sampler, type, &value), D3D_OK) << sampler << " " << type;
    return value;
}

DWORD stage_state(IDirect3DDevice9* device, DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(device->GetTextureStageState(stage, type, &value), D3D_OK) << stage << " " << type;
    return value;
}

// A white point light at (10, 10, 5) reaching 100 units, fading with the square of the distance (type,
// diffuse, specular, ambient, position, direction, range, falloff, attenuation 0 to 2, theta, phi).
constexpr D3DLIGHT9 kPointLight = {
    D3DLIGHT_POINT, {1, 1, 1, 1}, {}, {}, {10, 10, 5}, {}, 100, 0, 0, 0, 0.01f, 0, 0};

// The states the renderer draws by that the viewer leaves at their starting values.
TEST_F(DeviceTest, StartsWithDirect3D9sDocumentedStates) {
    make_device();
    // Depth testing is on as an automatic depth buffer was made.
    const std::pair<D3DRENDERSTATETYPE, DWORD> render_states[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_SPECULARENABLE, FALSE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF}};
    for (const auto& [state, value] : render_states)
        EXPECT_EQ(render_state(device_, state), value) << state;

    const std::pair<D3DSAMPLERSTATETYPE, DWORD> sampler_states[] = {{D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP},
                                                                    {D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP},
                                                                    {D3DSAMP_MAGFILTER, D3DTEXF_POINT},
                                                                    {D3DSAMP_MIPFILTER, D3DTEXF_NONE},
                                                                    {D3DSAMP_MAXMIPLEVEL, 0},
                                                                    {D3DSAMP_MIPMAPLODBIAS, 0}};
    for (DWORD sampler = 0; sampler < 2; ++sampler)
        for (const auto& [type, value] : sampler_states)
            EXPECT_EQ(sampler_state(device_, sampler, type), value) << sampler << " " << type;

    // Stage 0 modulates its texture with the lit colour and takes the texture's alpha; stage 1 is off.
    for (DWORD stage = 0; stage < 2; ++stage) {
        const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stage_states[] = {
            {D3DTSS_COLOROP, stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE},
            {D3DTSS_ALPHAOP, stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE},
            {D3DTSS_COLORARG1, D3DTA_TEXTURE},
            {D3DTSS_COLORARG2, D3DTA_CURRENT},
            {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
            {D3DTSS_TEXCOORDINDEX, stage}};
        for (const auto& [type, value] : stage_states)
            EXPECT_EQ(stage_state(device_, stage, type), value) << stage << " " << type;
    }

    // Identity transforms, no light.
    for (const D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) {
        D3DMATRIX m{};
        ASSERT_EQ(device_->GetTransform(t, &m), D3D_OK);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                EXPECT_EQ(m.m[i][j], i == j ? 1.0f : 0.0f);
    }
    D3DLIGHT9 light{};
    EXPECT_EQ(device_->GetLight(0, &light), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, DepthTestingStartsOffWithoutAnAutomaticDepthBuffer) {
    make_device(32, 32, false);
    EXPECT_EQ(render_state(device_, D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
    // Nothing to clear either.
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
}

TEST_F(DeviceTest, CreateDeviceFillsInTheBackBufferLeftToIt) {
    ASSERT_NO_FATAL_FAILURE(make_direct3d());
    D3DPRESENT_PARAMETERS pp = parameters(window_, 0, 0, true);
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    ASSERT_EQ(
        d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device_),
        D3D_OK);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window_, &client));
    EXPECT_EQ(pp.BackBufferWidth, static_cast<UINT>(client.right - client.left));
    EXPECT_EQ(pp.BackBufferHeight, static_cast<UINT>(client.bottom - client.top));
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    EXPECT_EQ(pp.hDeviceWindow, window_);
}

TEST_F(DeviceTest, CreationRefusesWhatDirect3D9Refuses) {
    EXPECT_EQ(Direct3DCreate9(31), nullptr);
    ASSERT_NO_FATAL_FAILURE(make_direct3d());
    const auto create = [&](UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                            D3DPRESENT_PARAMETERS pp) {
        IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(0x1);
        const HRESULT hr = d3d_->CreateDevice(adapter, type, focus, flags, &pp, &device);
        EXPECT_EQ(device, nullptr);
        return hr;
    };
    const DWORD sw = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    const D3DPRESENT_PARAMETERS good = parameters(window_, 64, 64, true);
    EXPECT_EQ(create(1, D3DDEVTYPE_HAL, window_, sw, good), D3DERR_INVALIDCALL);
    EXPECT_EQ(create(0, D3DDEVTYPE_REF, window_, sw, good), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, window_, 0, good), D3DERR_INVALIDCALL); // no vertex processing
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, window_, sw | D3DCREATE_HARDWARE_VERTEXPROCESSING, good),
              D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS no_window = good;
    no_window.hDeviceWindow = nullptr;
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, nullptr, sw, no_window), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS fullscreen = good;
    fullscreen.Windowed = FALSE;
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, window_, sw, fullscreen), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS bad_depth = good;
    bad_depth.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, window_, sw, bad_depth), D3DERR_NOTAVAILABLE);
    D3DPRESENT_PARAMETERS bad_swap = good;
    bad_swap.SwapEffect = static_cast<D3DSWAPEFFECT>(9);
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, window_, sw, bad_swap), D3DERR_INVALIDCALL);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, sw, nullptr, &device), D3DERR_INVALIDCALL);

    // A window that no longer exists.
    const HWND gone = make_window();
    ASSERT_TRUE(DestroyWindow(gone));
    D3DPRESENT_PARAMETERS on_gone = parameters(gone, 64, 64, true);
    EXPECT_EQ(create(0, D3DDEVTYPE_HAL, gone, sw, on_gone), D3DERR_INVALIDCALL);
    // Nothing was made by any of these.
    EXPECT_EQ(platform::trace::objects::live_count(), 2); // the window and the Direct3D object
}

// The program's back buffer is X8R8G8B8 with a 16-bit depth buffer, discarded at each Present and shown at
// the display's rate: another format, swap effect or interval is taken, left in the parameters as asked,
// reported and drawn as the program's.
TEST_F(DeviceTest, OtherPresentParametersAreTakenAndReported) {
    ASSERT_NO_FATAL_FAILURE(make_direct3d());
    D3DPRESENT_PARAMETERS pp = parameters(window_, 8, 8, true);
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(create_device(pp), D3D_OK);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_A8R8G8B8);
    EXPECT_EQ(pp.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(platform::trace::test::unimplemented_notices(),
              (std::vector<std::string>{"AutoDepthStencilFormat value 75", "BackBufferFormat value 21",
                                        "PresentationInterval value 2147483648", "SwapEffect value 3"}));
    width_ = height_ = 8;
    clear(0xFF102030);
    present();
    EXPECT_EQ(pixel(7, 7), 0xFF102030u);
}

TEST_F(DeviceTest, StateCallsRefuseInvalidIndicesAndNullPointers) {
    make_device();
    DWORD value = 0;
    EXPECT_EQ(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(6), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(210), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(1000), &value), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderState(D3DRS_ZENABLE, nullptr), D3DERR_INVALIDCALL);

    EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(0), 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(14), 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(D3DVERTEXTEXTURESAMPLER0, D3DSAMP_MAGFILTER, 2), D3D_OK);
    EXPECT_EQ(device_->GetSamplerState(0, D3DSAMP_MAGFILTER, nullptr), D3DERR_INVALIDCALL);

    EXPECT_EQ(device_->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(12), 1),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(0), 1),
              D3DERR_INVALIDCALL);

    D3DMATRIX m{};
    EXPECT_EQ(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(4), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(512), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(D3DTS_TEXTURE7 + 1), &m),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(255), &m), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTexture(8, nullptr), D3D_OK); // pixel samplers go up to 15
    EXPECT_EQ(device_->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetStreamSource(16, nullptr, 0, 0), D3DERR_INVALIDCALL);

    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Range = 10.0f;
    light.Attenuation0 = 1.0f;
    EXPECT_EQ(device_->SetLight(0, nullptr), D3DERR_INVALIDCALL);
    D3DLIGHT9 bad = light;
    bad.Type = static_cast<D3DLIGHTTYPE>(7);
    EXPECT_EQ(device_->SetLight(0, &bad), D3DERR_INVALIDCALL);
    bad = light;
    bad.Attenuation2 = -1.0f;
    EXPECT_EQ(device_->SetLight(0, &bad), D3DERR_INVALIDCALL);
    bad = light;
    bad.Range = -1.0f;
    EXPECT_EQ(device_->SetLight(0, &bad), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetMaterial(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetLightEnable(3, nullptr), D3DERR_INVALIDCALL);
    // None of the refused calls changed anything.
    EXPECT_EQ(render_state(device_, D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
    EXPECT_EQ(device_->GetLight(0, &light), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, StatesReadBackWhatWasSet) {
    make_device();
    EXPECT_EQ(device_->SetRenderState(D3DRS_AMBIENT, 0xFF323232), D3D_OK);
    EXPECT_EQ(render_state(device_, D3DRS_AMBIENT), 0xFF323232u);
    EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MAXANISOTROPY, 8), D3D_OK);
    EXPECT_EQ(sampler_state(device_, 0, D3DSAMP_MAXANISOTROPY), 8u);
    EXPECT_EQ(sampler_state(device_, 1, D3DSAMP_MAXANISOTROPY), 1u);
    EXPECT_EQ(device_->SetTextureStageState(2, D3DTSS_COLOROP, D3DTOP_ADD), D3D_OK);
    EXPECT_EQ(stage_state(device_, 2, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_ADD));

    const D3DLIGHT9 light = kPointLight;
    ASSERT_EQ(device_->SetLight(0, &light), D3D_OK);
    D3DLIGHT9 back{};
    ASSERT_EQ(device_->GetLight(0, &back), D3D_OK);
    EXPECT_EQ(std::memcmp(&back, &light, sizeof light), 0);
    BOOL enabled = TRUE;
    ASSERT_EQ(device_->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_EQ(enabled, FALSE);
    ASSERT_EQ(device_->LightEnable(0, TRUE), D3D_OK);
    ASSERT_EQ(device_->GetLightEnable(0, &enabled), D3D_OK);
    EXPECT_EQ(enabled, 128); // Direct3D 9's own "on", not 1

    // Enabling a light never set gives it the default: a white directional light along +Z, with a diffuse
    // alpha of 0 and every other member 0.
    ASSERT_EQ(device_->LightEnable(5, TRUE), D3D_OK);
    ASSERT_EQ(device_->GetLight(5, &back), D3D_OK);
    D3DLIGHT9 documented{};
    documented.Type = D3DLIGHT_DIRECTIONAL;
    documented.Diffuse = {1, 1, 1, 0};
    documented.Direction = {0, 0, 1};
    EXPECT_EQ(std::memcmp(&back, &documented, sizeof back), 0);
    // At most eight lights at once.
    for (DWORD i = 10; i < 16; ++i)
        ASSERT_EQ(device_->LightEnable(i, TRUE), D3D_OK);
    EXPECT_EQ(device_->LightEnable(20, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->LightEnable(5, FALSE), D3D_OK);
    EXPECT_EQ(device_->LightEnable(20, TRUE), D3D_OK);

    D3DMATERIAL9 material{};
    material.Diffuse = {1, 0.5f, 0.25f, 1};
    material.Power = 3;
    ASSERT_EQ(device_->SetMaterial(&material), D3D_OK);
    D3DMATERIAL9 got{};
    ASSERT_EQ(device_->GetMaterial(&got), D3D_OK);
    EXPECT_EQ(std::memcmp(&got, &material, sizeof material), 0);

    D3DMATRIX m{};
    for (int i = 0; i < 16; ++i)
        m.m[i / 4][i % 4] = static_cast<float>(i);
    D3DMATRIX mb{};
    for (const D3DTRANSFORMSTATETYPE t : {D3DTS_WORLDMATRIX(3), D3DTS_WORLDMATRIX(255), D3DTS_TEXTURE7}) {
        ASSERT_EQ(device_->SetTransform(t, &m), D3D_OK);
        ASSERT_EQ(device_->GetTransform(t, &mb), D3D_OK);
        EXPECT_EQ(std::memcmp(&m, &mb, sizeof m), 0) << t;
    }
    // Each has a record of its own: no other world matrix changed.
    for (DWORD i = 0; i < 256; ++i) {
        ASSERT_EQ(device_->GetTransform(D3DTS_WORLDMATRIX(i), &mb), D3D_OK);
        EXPECT_EQ(mb._12, i == 3 || i == 255 ? 1.0f : 0.0f) << i;
    }
}

TEST_F(DeviceTest, BuffersAreCheckedWhenMadeAndLocked) {
    make_device();
    IDirect3DVertexBuffer9* vb = reinterpret_cast<IDirect3DVertexBuffer9*>(0x1);
    EXPECT_EQ(device_->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb, nullptr);
    EXPECT_EQ(device_->CreateVertexBuffer(16, 0, 274, D3DPOOL_MANAGED, &vb, nullptr),
              D3DERR_INVALIDCALL); // < 1 vertex
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 274, D3DPOOL_MANAGED, nullptr, nullptr), D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_EQ(device_->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateIndexBuffer(8, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(ib, nullptr);

    ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 274, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    held_.push_back(vb);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 65, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(65, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL); // not locked

    // Written bytes come back; a partial lock points into the same content.
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    auto* bytes = static_cast<std::uint8_t*>(data);
    for (int i = 0; i < 64; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 3);
    ASSERT_EQ(vb->Unlock(), D3D_OK);
    ASSERT_EQ(vb->Lock(32, 16, &data, 0), D3D_OK);
    bytes = static_cast<std::uint8_t*>(data);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bytes[i], static_cast<std::uint8_t>((32 + i) * 3));
    ASSERT_EQ(vb->Unlock(), D3D_OK);

    ASSERT_EQ(device_->CreateIndexBuffer(72, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    held_.push_back(ib);
    ASSERT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
    static_cast<WORD*>(data)[35] = 23;
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    ASSERT_EQ(ib->Lock(70, 2, &data, 0), D3D_OK);
    EXPECT_EQ(*static_cast<WORD*>(data), 23);
    ASSERT_EQ(ib->Unlock(), D3D_OK);
    EXPECT_EQ(ib->Lock(72, 2, &data, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, ScenesAreCheckedAndDrawsNeedNone) {
    make_device();
    EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
    // Nothing bound yet.
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->EndScene(), D3D_OK);

    // Outside a scene Direct3D 9 still draws (the draw's own checks are the front-end test's).
    const std::vector<d3d9_test::ColourVertex> three = {{0, 0, 0.5f, 0}, {1, 0, 0.5f, 0}, {0, 1, 0.5f, 0}};
    IDirect3DVertexBuffer9* vb = vertex_buffer(three, d3d9_test::kColourFvf);
    IDirect3DIndexBuffer9* ib = index_buffer({0, 1, 2});
    ASSERT_EQ(device_->SetFVF(d3d9_test::kColourFvf), D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vb, 0, sizeof(d3d9_test::ColourVertex)), D3D_OK);
    ASSERT_EQ(device_->SetIndices(ib), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
}

TEST_F(DeviceTest, ResourcesHoldTheirDeviceAndTheDeviceHoldsDirect3D) {
    const int before = platform::trace::objects::live_count();
    make_device();
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(96, 0, 274, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    // Window, Direct3D object, device and two buffers.
    EXPECT_EQ(platform::trace::objects::live_count(), before + 5);

    // Bound resources and a device released while buffers still hold it.
    ASSERT_EQ(device_->SetStreamSource(0, vb, 0, 32), D3D_OK);
    ASSERT_EQ(device_->SetIndices(ib), D3D_OK);
    EXPECT_EQ(d3d_->Release(), 1u); // the device keeps it alive
    d3d_ = nullptr;
    EXPECT_EQ(platform::trace::objects::live_count(), before + 5);
    EXPECT_EQ(device_->Release(), 2u); // held by the two buffers
    device_ = nullptr;
    EXPECT_EQ(platform::trace::objects::live_count(), before + 5);

    IDirect3DDevice9* again = nullptr;
    ASSERT_EQ(vb->GetDevice(&again), D3D_OK);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Release(), 2u);
    EXPECT_EQ(vb->AddRef(), 2u);
    EXPECT_EQ(vb->Release(), 1u);

    void* same = nullptr;
    ASSERT_EQ(ib->QueryInterface(IID_IDirect3DIndexBuffer9, &same), S_OK);
    EXPECT_EQ(same, static_cast<void*>(ib));
    EXPECT_EQ(ib->Release(), 1u);
    EXPECT_EQ(ib->QueryInterface(IID_IDirect3DVertexBuffer9, &same), E_NOINTERFACE);
    EXPECT_EQ(same, nullptr);

    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(platform::trace::objects::live_count(), before + 4);
    EXPECT_EQ(ib->Release(), 0u); // the last hold: device and Direct3D object go with it
    EXPECT_EQ(platform::trace::objects::live_count(), before + 1); // the window
}

TEST_F(DeviceTest, ABoundTextureOutlivesItsReleaseUntilTheDeviceLetsGo) {
    make_device(16, 16);
    std::vector<platform::image::MipLevel> levels(1);
    levels[0] = {1, 1, {0xFF00FF00}};
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(platform::d3dx9::create_texture(device_, D3DFMT_A8R8G8B8, levels, &texture), D3D_OK);
    ASSERT_EQ(device_->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);
    // Drawn with the texture still bound: white vertices times green.
    ASSERT_EQ(device_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    clear(0xFF000000);
    draw(std::vector<d3d9_test::ColourVertex>{{-1, -1, 0.5f, 0xFFFFFFFF},
                                              {-1, 1, 0.5f, 0xFFFFFFFF},
                                              {1, -1, 0.5f, 0xFFFFFFFF},
                                              {1, 1, 0.5f, 0xFFFFFFFF}},
         d3d9_test::kColourFvf, {0, 1, 2, 2, 1, 3});
    present();
    EXPECT_EQ(pixel(8, 8), 0xFF00FF00u);
}

TEST_F(DeviceTest, TestsCanMakeCreationAndLockingFail) {
    platform::trace::test::fail_operation("Direct3DCreate9");
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);
    platform::trace::test::fail_operation("CreateDevice");
    ASSERT_NO_FATAL_FAILURE(make_direct3d());
    D3DPRESENT_PARAMETERS pp = parameters(window_, 64, 64, true);
    EXPECT_EQ(create_device(pp), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device_, nullptr);
    platform::trace::test::fail_operation("");
    ASSERT_EQ(create_device(pp), D3D_OK);

    IDirect3DVertexBuffer9* vb = nullptr;
    platform::trace::test::fail_operation("CreateVertexBuffer");
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(vb, nullptr);
    IDirect3DIndexBuffer9* ib = nullptr;
    platform::trace::test::fail_operation("CreateIndexBuffer");
    EXPECT_EQ(device_->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
              D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr),
              D3D_OK); // only the named one
    held_.push_back(vb);
    platform::trace::test::fail_operation("Lock");
    void* data = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    platform::trace::test::fail_operation("");
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
}

} // namespace

namespace {

// A display whose OpenGL stops short of 3.3 (Mesa told to offer 3.0 only): no device, a clear error code,
// nothing left behind.
TEST_F(DeviceTest, NoDeviceWithoutOpenGL33) {
    setenv("MESA_GL_VERSION_OVERRIDE", "3.0", 1);
    ASSERT_NO_FATAL_FAILURE(make_direct3d());
    D3DPRESENT_PARAMETERS pp = parameters(window_, 64, 64, true);
    EXPECT_EQ(create_device(pp), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device_, nullptr);
    EXPECT_EQ(platform::trace::objects::live_count(), 2); // the window and the Direct3D object
}

} // namespace
