// D3DXCreateFontA and ID3DXFont for the Linux build: the face, metrics and glyph atlas come from
// font_raster.cpp (fontconfig + FreeType); the atlas is handed to the device once (a font whose atlas the
// device cannot hold fails with D3DERR_INVALIDCALL), and DrawTextA lays the text out and draws its glyphs as
// coverage quads blended in the text colour at depth 0 under the device's depth states, as D3DX's sprite
// draws them (d3d9::draw_coverage_quads). The font holds a reference to its device until its last Release.
#include <d3dx9.h>

#include "com_object.h"
#include "d3d9_internal.h"
#include "d3dx9_trace.h"
#include "font_raster.h"

#include <platform_test.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

using platform::d3dx9::RasterFont;

// The layer's own calls on the device (its reference, the atlas) are not the program's: keep them out of the
// trace.
class TraceMute {
  public:
    TraceMute() : was_on_(platform::trace::enabled()) {
        platform::trace::enable(false);
    }
    TraceMute(const TraceMute&) = delete;
    TraceMute& operator=(const TraceMute&) = delete;
    ~TraceMute() {
        platform::trace::enable(was_on_);
    }

  private:
    bool was_on_;
};

// The font holds its device as D3DX does, through the device's own AddRef and Release (muted in the trace),
// not as the device's resources hold it.
class Font final : public platform::com::ComObject<ID3DXFont> {
  public:
    // Takes over the atlas already made on the device from the raster's coverage.
    Font(IDirect3DDevice9* device, RasterFont raster, platform::d3d9::AtlasHandle atlas)
        : ComObject("Font"), device_(device), raster_(std::move(raster)), atlas_(atlas) {
        const TraceMute mute;
        device_->AddRef();
    }

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        platform::trace::call("GetDevice", static_cast<const void*>(this));
        if (device == nullptr)
            return D3DERR_INVALIDCALL;
        const TraceMute mute;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }

    INT DrawTextA(ID3DXSprite* pSprite, LPCSTR pString, INT Count, LPRECT pRect, DWORD Format,
                  D3DCOLOR Color) override {
        using namespace platform::d3dx9;
        platform::trace::call("DrawTextA", static_cast<const void*>(this), pSprite,
                              platform::trace::TextArg{pString, Count}, Count,
                              platform::trace::RectPtr{pRect}, Format, platform::trace::Color{Color});
        if (pString == nullptr || Count == 0)
            return 0;
        // A negative count means up to the terminating zero; no count reads past it.
        const std::size_t length =
            Count < 0 ? std::strlen(pString) : strnlen(pString, static_cast<std::size_t>(Count));
        if (length == 0)
            return 0;
        // Without a rectangle the text starts at the origin, unclipped.
        RECT rect = pRect != nullptr ? *pRect : RECT{0, 0, 0, 0};
        if (pRect == nullptr)
            Format |= dt_noclip;

        try {
            TextLayout& layout = layout_; // refilled: text drawn every frame allocates nothing
            layout_text(raster_, std::string_view(pString, length), rect, Format, layout);
            if ((Format & dt_calcrect) != 0) {
                if (pRect != nullptr) {
                    pRect->right = pRect->left + layout.width;
                    pRect->bottom = pRect->top + layout.height;
                }
                return layout.height;
            }
            const bool clipped = (Format & dt_noclip) == 0;
            const RECT everywhere{-(1 << 24), -(1 << 24), 1 << 24, 1 << 24};
            if (clipped)
                clip_quads(layout.quads, rect);
            if (!layout.quads.empty()) {
                const TraceMute mute;
                platform::d3d9::draw_coverage_quads(device_, atlas_, layout.quads,
                                                    clipped ? rect : everywhere, Color);
            }
            return layout.height;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }

  private:
    ~Font() override {
        const TraceMute mute;
        platform::d3d9::destroy_coverage_atlas(device_, atlas_);
        device_->Release();
    }
    // ID3DXFont has no interface id in the layer's headers: the font answers to IUnknown only.
    bool has_interface(REFIID) const override {
        return false;
    }

    IDirect3DDevice9* device_;
    RasterFont raster_;
    platform::d3d9::AtlasHandle atlas_;
    platform::d3dx9::TextLayout layout_; // the last text's layout, its room kept for the next
};

} // namespace

HRESULT WINAPI D3DXCreateFontA(IDirect3DDevice9* pDevice, INT Height, UINT Width, UINT Weight, UINT MipLevels,
                               BOOL Italic, DWORD CharSet, DWORD OutputPrecision, DWORD Quality,
                               DWORD PitchAndFamily, LPCSTR pFaceName, ID3DXFont** ppFont) {
    platform::trace::CreatingCall line("D3DXCreateFontA", pDevice, Height, Width, Weight, MipLevels, Italic,
                                       CharSet, OutputPrecision, Quality, PitchAndFamily, pFaceName);
    if (ppFont != nullptr)
        *ppFont = nullptr;
    if (pDevice == nullptr || ppFont == nullptr)
        return line.failed(D3DERR_INVALIDCALL);
    if (Height > platform::d3dx9::max_font_height || Height < -platform::d3dx9::max_font_height ||
        Width > static_cast<UINT>(platform::d3dx9::max_font_height))
        return line.failed(D3DERR_INVALIDCALL);
    if (platform::test::should_fail("D3DXCreateFontA"))
        return line.failed(E_FAIL);
    std::string error;
    try {
        std::optional<RasterFont> raster =
            platform::d3dx9::make_raster_font(pFaceName, Height, Width, Weight, Italic != FALSE, error);
        if (!raster) {
            std::fprintf(stderr, "D3DXCreateFontA: %s\n", error.c_str());
            return line.failed(E_FAIL);
        }
        platform::d3d9::AtlasHandle atlas = 0;
        {
            const TraceMute mute;
            atlas = platform::d3d9::create_coverage_atlas(pDevice, raster->atlas_width, raster->atlas_height,
                                                          raster->atlas.data());
        }
        if (atlas == 0) {
            std::fprintf(stderr, "D3DXCreateFontA: the device cannot take the %ux%u glyph atlas\n",
                         raster->atlas_width, raster->atlas_height);
            return line.failed(D3DERR_INVALIDCALL);
        }
        Font* font = nullptr;
        try {
            font = new Font(pDevice, std::move(*raster), atlas);
        } catch (const std::bad_alloc&) {
            const TraceMute mute;
            platform::d3d9::destroy_coverage_atlas(pDevice, atlas);
            throw;
        }
        *ppFont = font;
        return line.made(font);
    } catch (const std::bad_alloc&) {
        return line.failed(E_OUTOFMEMORY);
    }
}
