// D3DXCreateFontA and ID3DXFont for the Linux, web and self-contained Windows builds: the face, metrics and
// glyph atlas come from font_raster.cpp (fontconfig + FreeType, the browser's canvas, or GDI); the atlas is
// handed to the device once (a font whose atlas the device cannot hold fails with D3DERR_INVALIDCALL), and
// DrawTextA lays the text out on one line and draws its glyphs as coverage quads blended in the text colour
// at depth 0 under the device's depth states, as D3DX's sprite draws them (d3dx9::draw_coverage_quads). The
// font holds a reference to its device until its last Release.
#include <d3dx9.h>

#include "com/com_object.h"
#include "d3dx9/d3dx9_device.h"
#include "trace/trace_d3dx9.h"
#include "font/font_raster.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

using platform::font::RasterFont;

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
    // Takes over the atlas already made on the device from the raster's coverage, which it keeps for the
    // atlas's life.
    Font(IDirect3DDevice9* device, platform::font::RasterFont raster, platform::d3dx9::AtlasHandle atlas)
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
        using namespace platform::font;
        platform::trace::call("DrawTextA", static_cast<const void*>(this), pSprite,
                              platform::trace::TextArg{pString, Count}, Count,
                              platform::trace::RectPtr{pRect}, Format, platform::trace::Colour{Color});
        if (pString == nullptr || Count == 0)
            return 0;
        // Count characters, or with -1 all up to the terminating zero. A count beyond that zero (which
        // D3DX leaves undocumented) draws the string up to it: nothing is read past a string's end.
        const std::string_view text(pString, Count < 0 ? std::strlen(pString)
                                                       : strnlen(pString, static_cast<std::size_t>(Count)));
        if (text.empty())
            return 0;
        // The program's text is one line, drawn from the rectangle's corner (DT_LEFT | DT_TOP) and clipped
        // to it; other formats and line breaks are drawn so, and reported. Without a rectangle the text
        // starts at the origin, unclipped.
        if ((Format & ~(dt_singleline | dt_noclip)) != 0)
            platform::trace::report_unimplemented("DrawTextA Format", Format, "DT_LEFT|DT_TOP");
        if ((Format & dt_singleline) == 0 && text.find('\n') != std::string_view::npos)
            platform::trace::report_unimplemented("DrawTextA line break", '\n', "DT_SINGLELINE");
        const RECT rect = pRect != nullptr ? *pRect : RECT{0, 0, 0, 0};
        const bool clipped = pRect != nullptr && (Format & dt_noclip) == 0;
        try {
            // Refilled: text drawn every frame allocates nothing.
            TextLayout& layout = layout_;
            layout_text(raster_, text, rect, layout);
            const RECT everywhere{-(1 << 24), -(1 << 24), 1 << 24, 1 << 24};
            if (clipped)
                clip_quads(layout.quads, rect);
            if (!layout.quads.empty()) {
                const TraceMute mute;
                platform::d3dx9::draw_coverage_quads(device_, atlas_, layout.quads,
                                                     clipped ? rect : everywhere, Color);
            }
            return layout.height;
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }

#if defined(_WIN32)
    // The rest of D3DX's font interface on Windows, which the program does not call. The description is
    // what the font was made with; all of the ANSI set's glyphs are made with the font, so preloading has
    // nothing to do; wide text is drawn as its ANSI (Windows-1252) form. Text metrics, the GDI context,
    // the glyphs' own textures and a reset of the device (which would first need the font's state blocks
    // released) are not offered.
    HRESULT GetDescA(D3DXFONT_DESCA* desc) override {
        if (desc == nullptr)
            return D3DERR_INVALIDCALL;
        *desc = desc_;
        return D3D_OK;
    }
    HRESULT GetDescW(D3DXFONT_DESCW* desc) override {
        if (desc == nullptr)
            return D3DERR_INVALIDCALL;
        D3DXFONT_DESCW wide{
            desc_.Height,  desc_.Width,           desc_.Weight,  desc_.MipLevels,      desc_.Italic,
            desc_.CharSet, desc_.OutputPrecision, desc_.Quality, desc_.PitchAndFamily, {}};
        MultiByteToWideChar(1252, 0, desc_.FaceName, -1, wide.FaceName, LF_FACESIZE);
        *desc = wide;
        return D3D_OK;
    }
    BOOL GetTextMetricsA(TEXTMETRICA*) override {
        return FALSE;
    }
    BOOL GetTextMetricsW(TEXTMETRICW*) override {
        return FALSE;
    }
    HDC GetDC() override {
        return nullptr;
    }
    HRESULT GetGlyphData(UINT, IDirect3DTexture9**, RECT*, POINT*) override {
        return E_NOTIMPL;
    }
    HRESULT PreloadCharacters(UINT, UINT) override {
        return D3D_OK;
    }
    HRESULT PreloadGlyphs(UINT, UINT) override {
        return D3D_OK;
    }
    HRESULT PreloadTextA(const char*, INT) override {
        return D3D_OK;
    }
    HRESULT PreloadTextW(const WCHAR*, INT) override {
        return D3D_OK;
    }
    INT DrawTextW(ID3DXSprite* pSprite, const WCHAR* pString, INT Count, LPRECT pRect, DWORD Format,
                  D3DCOLOR Color) override {
        if (pString == nullptr || Count == 0)
            return 0;
        const int bytes = WideCharToMultiByte(1252, 0, pString, Count, nullptr, 0, nullptr, nullptr);
        if (bytes <= 0)
            return 0;
        try {
            std::string ansi(static_cast<std::size_t>(bytes), '\0');
            WideCharToMultiByte(1252, 0, pString, Count, ansi.data(), bytes, nullptr, nullptr);
            return DrawTextA(pSprite, ansi.c_str(), Count < 0 ? -1 : bytes, pRect, Format, Color);
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    HRESULT OnLostDevice() override {
        return E_NOTIMPL;
    }
    HRESULT OnResetDevice() override {
        return E_NOTIMPL;
    }
    void describe(const D3DXFONT_DESCA& desc) {
        desc_ = desc;
    }
#endif

  private:
    ~Font() override {
        const TraceMute mute;
        platform::d3dx9::destroy_coverage_atlas(device_, atlas_);
        device_->Release();
    }
    // ID3DXFont has no interface id in the layer's headers: the font answers to IUnknown only.
    bool has_interface(REFIID) const override {
        return false;
    }

    IDirect3DDevice9* device_;
    platform::font::RasterFont raster_;
    platform::d3dx9::AtlasHandle atlas_;
    platform::font::TextLayout layout_; // the last text's layout, its room kept for the next
#if defined(_WIN32)
    D3DXFONT_DESCA desc_{};
#endif
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
    if (Height > platform::font::max_font_height || Height < -platform::font::max_font_height ||
        Width > static_cast<UINT>(platform::font::max_font_height))
        return line.failed(D3DERR_INVALIDCALL);
    if (platform::trace::hooks::should_fail("D3DXCreateFontA"))
        return line.failed(E_FAIL);
    // The program's font: upright, of normal weight, its cell Height pixels high in the face's own
    // proportions. Other values are reported; a height of 0 or below is taken as a cell of 16 pixels or of
    // -Height.
    if (Weight != FW_NORMAL && Weight != 0)
        platform::trace::report_unimplemented("D3DXCreateFontA Weight", Weight, "FW_NORMAL");
    if (Italic != FALSE)
        platform::trace::report_unimplemented("D3DXCreateFontA Italic", static_cast<std::uint32_t>(Italic),
                                              "FALSE");
    if (Width != 0)
        platform::trace::report_unimplemented("D3DXCreateFontA Width", Width, "0");
    if (Height <= 0)
        platform::trace::report_unimplemented("D3DXCreateFontA Height", static_cast<std::uint32_t>(Height),
                                              "a cell of its size");
    const int cell = Height > 0 ? Height : (Height < 0 ? -Height : 16);
    std::string error;
    try {
        std::optional<platform::font::RasterFont> raster =
            platform::font::make_raster_font(pFaceName, cell, error);
        if (!raster) {
            std::fprintf(stderr, "D3DXCreateFontA: %s\n", error.c_str());
            return line.failed(E_FAIL);
        }
        // The atlas is made from the raster's coverage, which moves with the raster into the font (a moved
        // vector keeps its elements where they are) and stays there for the atlas's life.
        platform::d3dx9::AtlasHandle atlas = 0;
        {
            const TraceMute mute;
            atlas = platform::d3dx9::create_coverage_atlas(pDevice, raster->atlas_width, raster->atlas_height,
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
            platform::d3dx9::destroy_coverage_atlas(pDevice, atlas);
            throw;
        }
#if defined(_WIN32)
        D3DXFONT_DESCA desc{Height,
                            Width,
                            Weight,
                            MipLevels,
                            Italic,
                            static_cast<BYTE>(CharSet),
                            static_cast<BYTE>(OutputPrecision),
                            static_cast<BYTE>(Quality),
                            static_cast<BYTE>(PitchAndFamily),
                            {}};
        if (pFaceName != nullptr)
            strncpy(desc.FaceName, pFaceName, LF_FACESIZE - 1);
        font->describe(desc);
#endif
        *ppFont = font;
        return line.made(font);
    } catch (const std::bad_alloc&) {
        return line.failed(E_OUTOFMEMORY);
    }
}
