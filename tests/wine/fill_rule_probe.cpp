// Which pixels Direct3D 9 fills for quads whose edges pass exactly through pixel centres, or a fraction of a
// pixel off them: a console program for Windows (run under Wine, whose Direct3D 9 is our reference) that
// draws each quad of the table below (two triangles, lower left, upper left, lower right and lower right,
// upper left, upper right, as our pixel test draws them) into a 64 x 48 back buffer cleared to black, reads
// the target back with GetRenderTargetData and prints one line per quad: its name, the first and last row and
// column drawn and the number of pixels drawn ("none" when nothing was). Direct3D 9's top-left rule fills a
// pixel whose centre (at integer coordinates) lies on a top or left edge and leaves it on a bottom or right
// edge. Exit code 0 when every quad was drawn and read back, 1 otherwise (with the failing call on stderr).
//
// Built by the Windows build as build/windows/fill_rule_probe.exe; under Wine, on a display, for example:
//
//   WINEPREFIX=/tmp/probe-prefix WINEDEBUG=-all /usr/lib/wine/wine64 build/windows/fill_rule_probe.exe
//
// Not a ctest: Wine first makes a fresh prefix, which took 21 s; on a prefix made before, a run takes 2 s.
#include <d3d9.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr UINT kWidth = 64;
constexpr UINT kHeight = 48;

struct ScreenVertex { // D3DFVF_XYZRHW | D3DFVF_DIFFUSE
    float x, y, z, rhw;
    D3DCOLOR colour;
};
struct ModelVertex { // D3DFVF_XYZ | D3DFVF_DIFFUSE, through the (identity) transforms
    float x, y, z;
    D3DCOLOR colour;
};

// A quad from (left, top) to (right, bottom): in screen pixels when pretransformed, otherwise in normalised
// coordinates (y up) through the identity transforms.
struct Quad {
    std::string name;
    bool pretransformed;
    float left, top, right, bottom;
};

std::vector<Quad> quads() {
    const float w = kWidth;
    const float h = kHeight;
    std::vector<Quad> list = {
        {"xyzrhw-half-integer", true, -0.5f, -0.5f, w - 0.5f, h - 0.5f},
        {"xyzrhw-integer", true, 0.0f, 0.0f, w, h},
        {"xyz-whole-target", false, -1.0f, 1.0f, 1.0f, -1.0f},
        {"xyzrhw-inner-integer", true, 2.0f, 2.0f, w - 2.0f, h - 2.0f},
    };
    // Every edge moved by a fraction of a pixel: how close to a centre an edge may pass and still fill it.
    for (const int d : {-16, -8, -4, -2, -1, 1, 2, 4, 8, 16}) {
        const float f = static_cast<float>(d) / 256.0f;
        list.push_back({"xyzrhw-inner-" + std::to_string(d) + "/256", true, 2.0f + f, 2.0f + f, w - 2.0f + f,
                        h - 2.0f + f});
    }
    return list;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

bool failed(HRESULT result, const char* call) {
    if (SUCCEEDED(result))
        return false;
    std::fprintf(stderr, "fill_rule_probe: %s failed (0x%08lx)\n", call, static_cast<unsigned long>(result));
    return true;
}

// Draws one quad over a black target and prints what it filled.
bool probe(IDirect3DDevice9* device, IDirect3DSurface9* target, IDirect3DSurface9* copy, const Quad& q) {
    const D3DCOLOR white = 0xFFFFFFFF;
    if (failed(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), "Clear") ||
        failed(device->BeginScene(), "BeginScene"))
        return false;
    HRESULT drawn;
    if (q.pretransformed) {
        const ScreenVertex lb{q.left, q.bottom, 0.5f, 1.0f, white}, lt{q.left, q.top, 0.5f, 1.0f, white},
            rb{q.right, q.bottom, 0.5f, 1.0f, white}, rt{q.right, q.top, 0.5f, 1.0f, white};
        const ScreenVertex v[6] = {lb, lt, rb, rb, lt, rt};
        device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        drawn = device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ScreenVertex));
    } else {
        const ModelVertex lb{q.left, q.bottom, 0.5f, white}, lt{q.left, q.top, 0.5f, white},
            rb{q.right, q.bottom, 0.5f, white}, rt{q.right, q.top, 0.5f, white};
        const ModelVertex v[6] = {lb, lt, rb, rb, lt, rt};
        device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        drawn = device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(ModelVertex));
    }
    if (failed(drawn, "DrawPrimitiveUP") || failed(device->EndScene(), "EndScene") ||
        failed(device->GetRenderTargetData(target, copy), "GetRenderTargetData"))
        return false;
    D3DLOCKED_RECT locked{};
    if (failed(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), "LockRect"))
        return false;
    int first_row = -1, last_row = -1, first_column = -1, last_column = -1;
    long count = 0;
    for (UINT y = 0; y < kHeight; ++y) {
        const auto* row =
            reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < kWidth; ++x) {
            if ((row[x] & 0x00FFFFFF) == 0)
                continue;
            ++count;
            const int xi = static_cast<int>(x);
            const int yi = static_cast<int>(y);
            first_row = first_row < 0 ? yi : first_row;
            last_row = yi;
            first_column = first_column < 0 || xi < first_column ? xi : first_column;
            last_column = xi > last_column ? xi : last_column;
        }
    }
    copy->UnlockRect();
    if (count == 0)
        std::printf("%s: none\n", q.name.c_str());
    else
        std::printf("%s: rows %d-%d columns %d-%d pixels %ld\n", q.name.c_str(), first_row, last_row,
                    first_column, last_column, count);
    return true;
}

} // namespace

int main() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "fill_rule_probe";
    if (RegisterClassA(&window_class) == 0) {
        std::fprintf(stderr, "fill_rule_probe: RegisterClassA failed\n");
        return 1;
    }
    HWND window = CreateWindowA("fill_rule_probe", "fill rule probe", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                                nullptr, nullptr, window_class.hInstance, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (window == nullptr || d3d == nullptr) {
        std::fprintf(stderr, "fill_rule_probe: no window or no Direct3D 9\n");
        return 1;
    }
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* copy = nullptr;
    bool ok = !failed(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                        D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
                      "CreateDevice") &&
              !failed(device->GetRenderTarget(0, &target), "GetRenderTarget") &&
              !failed(device->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                          &copy, nullptr),
                      "CreateOffscreenPlainSurface");
    if (ok) {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        for (const Quad& q : quads())
            ok = probe(device, target, copy, q) && ok;
    }
    if (copy != nullptr)
        copy->Release();
    if (target != nullptr)
        target->Release();
    if (device != nullptr)
        device->Release();
    d3d->Release();
    DestroyWindow(window);
    return ok ? 0 : 1;
}
