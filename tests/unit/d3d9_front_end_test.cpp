// The Direct3D 9 device's front end over a recording fake renderer, with no display, SDL video or GL: what
// crosses the seam to the renderer (render_backend.h) and what must not. A draw Direct3D 9 refuses never
// reaches the renderer; an accepted one reaches it once with its index range; a value the device does not
// implement is accepted, reported once and never reaches the renderer; Clear hands its
// rectangles over as given, and a Clear the device refuses stays on this side; a texture's levels live in
// the renderer alone.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_direct3d.h"

#include <platform_test.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <initializer_list>
#include <map>
#include <vector>

namespace {

using namespace platform::d3d9;
using namespace platform::d3dx9;
using platform::font::GlyphQuad;
using platform::image::MipLevel;

struct SeenDraw {
    IndexRange range;
};

struct SeenClear {
    std::vector<D3DRECT> rects;
    DWORD flags;
    D3DCOLOR colour;
    float z;
};

// What the fake saw, kept by the test: the device owns the fake.
struct Seen {
    std::vector<SeenDraw> draws;
    std::vector<SeenClear> clears;
    std::map<UINT, MipLevel> texture; // the levels of the one texture made, as the fake holds them
    std::vector<UINT> uploads;        // the levels uploaded, in turn
    std::vector<RECT> presents;       // the back buffer's rectangle each Present showed
    bool presented_into_rectangle = false;
};

constexpr RECT kDestination{1, 1, 3, 3};

class FakeTexture final : public TextureObject {
  public:
    explicit FakeTexture(Seen& seen) : seen_(seen) {}
    void upload(UINT level, const MipLevel& mip) override {
        seen_.texture[level] = mip;
        seen_.uploads.push_back(level);
    }
    void read_back(UINT level, MipLevel& mip) override {
        if (seen_.texture.count(level) != 0)
            mip = seen_.texture[level];
    }

  private:
    Seen& seen_;
};

class FakeBackend final : public RenderBackend {
  public:
    explicit FakeBackend(Seen& seen) : seen_(seen) {}
    std::unique_ptr<BufferObject> create_buffer(const std::vector<std::uint8_t>&) override {
        return nullptr;
    }
    std::unique_ptr<TextureObject> create_texture(D3DFORMAT, UINT, UINT, UINT,
                                                  const std::vector<MipLevel>&) override {
        return std::make_unique<FakeTexture>(seen_);
    }
    UINT max_texture_side() override {
        return 4096;
    }
    bool make_current() override {
        return true;
    }
    bool can_draw() override {
        return true;
    }
    bool can_present() override {
        return true;
    }
    void clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z) override {
        std::vector<D3DRECT> given;
        if (rects != nullptr)
            given.assign(rects, rects + count);
        seen_.clears.push_back({given, flags, colour, z});
    }
    void flush() override {}
    void draw_indexed(const DrawCall& d) override {
        seen_.draws.push_back({d.range});
    }
    std::size_t program_count() const override {
        return 0;
    }
    bool draws_into_window() const override {
        return false;
    }
    AtlasHandle create_atlas(UINT, UINT, const std::uint8_t*) override {
        return 0;
    }
    void destroy_atlas(AtlasHandle) override {}
    bool draw_quads(AtlasHandle, const std::vector<GlyphQuad>&, const RECT&, D3DCOLOR,
                    const QuadDepth&) override {
        return false;
    }
    void present(const RECT& from, const RECT* to) override {
        seen_.presents.push_back(from);
        seen_.presented_into_rectangle = seen_.presented_into_rectangle || to != nullptr;
    }
    void read_back(std::vector<std::uint32_t>& pixels) override {
        pixels.assign(4 * 4, 0);
    }

  private:
    Seen& seen_;
};

struct Vertex {
    float x, y, z;
};

class FrontEnd : public ::testing::Test {
  protected:
    // A 4 x 4 back buffer, without a depth buffer unless asked; four vertices and the six indices of a quad
    // bound, with their vertex format.
    void make_device(bool depth, D3DFORMAT depth_format = D3DFMT_D16) {
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 4;
        params.BackBufferHeight = 4;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.Windowed = TRUE;
        params.EnableAutoDepthStencil = depth ? TRUE : FALSE;
        params.AutoDepthStencilFormat = depth_format;
        Device* made = nullptr;
        ASSERT_EQ(Device::create_with_backend(dynamic_cast<Direct3D*>(d3d_), window(), params,
                                              std::make_unique<FakeBackend>(seen_), &made),
                  D3D_OK);
        device_ = made;

        const Vertex vertices[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
        const std::uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
        ASSERT_EQ(
            device_->CreateVertexBuffer(sizeof vertices, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vertices_, nullptr),
            D3D_OK);
        ASSERT_EQ(device_->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices_,
                                             nullptr),
                  D3D_OK);
        fill(vertices_, vertices, sizeof vertices);
        fill(indices_, indices, sizeof indices);
        ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ), D3D_OK);
        ASSERT_EQ(device_->SetStreamSource(0, vertices_, 0, sizeof(Vertex)), D3D_OK);
        ASSERT_EQ(device_->SetIndices(indices_), D3D_OK);
    }

    template <typename Buffer> static void fill(Buffer* buffer, const void* data, UINT size) {
        void* out = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &out, 0), D3D_OK);
        std::memcpy(out, data, size);
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
    }

    static HWND window() {
        static int stand_in = 0;
        return reinterpret_cast<HWND>(&stand_in);
    }

    void TearDown() override {
        // Resources first, the Direct3D object last.
        for (IUnknown* object : std::initializer_list<IUnknown*>{indices_, vertices_, device_, d3d_})
            if (object != nullptr)
                object->Release();
    }

    HRESULT draw_quad() {
        return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
    }

    Seen seen_;
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    IDirect3DVertexBuffer9* vertices_ = nullptr;
    IDirect3DIndexBuffer9* indices_ = nullptr;
};

// Fault: a check Direct3D 9 makes of an indexed draw left out (indices past the index buffer, a vertex past
// the vertex buffer, a base vertex below 0, a stride shorter than the vertex, no buffers or format bound, a
// type Direct3D does not have), or a refused draw still handed to the renderer.
TEST_F(FrontEnd, DrawsDirect3DRefusesAreRefusedBeforeTheRenderer) {
    make_device(false);
    struct Case {
        D3DPRIMITIVETYPE type;
        INT base_vertex;
        UINT min_index, start_index, prim_count;
    };
    for (const Case c : {Case{D3DPT_TRIANGLELIST, 0, 0, 3, 2},  // the sixth index read is the ninth of six
                         Case{D3DPT_TRIANGLELIST, 1, 0, 0, 2},  // index 3 names vertex 4 of four
                         Case{D3DPT_TRIANGLELIST, -1, 0, 0, 2}, // vertex -1
                         Case{static_cast<D3DPRIMITIVETYPE>(7), 0, 0, 0, 2}})
        EXPECT_EQ(
            device_->DrawIndexedPrimitive(c.type, c.base_vertex, c.min_index, 4, c.start_index, c.prim_count),
            D3DERR_INVALIDCALL)
            << c.type << " " << c.base_vertex << " " << c.start_index;
    // Base vertex -1 from index 1 on reaches vertex 0 at the lowest; no primitives draw nothing.
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 1, 4, 3, 1), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 100, 0), D3D_OK);
    ASSERT_EQ(seen_.draws.size(), 1u);
    EXPECT_EQ(seen_.draws[0].range.base_vertex, -1);

    ASSERT_EQ(device_->SetStreamSource(0, vertices_, 0, sizeof(Vertex) - 4), D3D_OK);
    EXPECT_EQ(draw_quad(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->SetFVF(0), D3D_OK);
    EXPECT_EQ(draw_quad(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ), D3D_OK);
    ASSERT_EQ(device_->SetIndices(nullptr), D3D_OK);
    EXPECT_EQ(draw_quad(), D3DERR_INVALIDCALL);
    EXPECT_EQ(seen_.draws.size(), 1u);
}

// Fault: the index range or count reaching the renderer wrongly (the primitive count passed as the index
// count, the start index lost), one draw sent twice, or the largest index read from the wrong bytes.
TEST_F(FrontEnd, AnAcceptedDrawReachesTheRendererOnceWithItsRange) {
    make_device(false);
    ASSERT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 1), D3D_OK);
    ASSERT_EQ(seen_.draws.size(), 1u);
    const IndexRange& list = seen_.draws[0].range;
    EXPECT_EQ(list.type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(list.start_index, 3u);
    EXPECT_EQ(list.prim_count, 1u);
    EXPECT_EQ(list.index_count, 3u);
    EXPECT_EQ(list.base_vertex, 0);
    // The first triangle names vertices 0 to 2 only, and draws with the base vertex that puts its largest on
    // the last vertex.
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 4, 0, 1), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 4, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(seen_.draws.size(), 2u);
}

// Fault: a value the program never passes emulated after all (handed to the renderer), refused where
// Direct3D 9 takes it, or not reported. Each is taken with Direct3D's result code, drawn as nothing or made
// as the program's own value, and said once.
TEST_F(FrontEnd, ValuesTheProgramNeverPassesAreTakenAndReportedButNotDrawn) {
    make_device(true, D3DFMT_D24S8);
    IDirect3DIndexBuffer9* wide = nullptr;
    ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &wide, nullptr), D3D_OK);
    IDirect3DVertexBuffer9* other_pool = nullptr;
    ASSERT_EQ(device_->CreateVertexBuffer(48, D3DUSAGE_WRITEONLY, D3DFVF_XYZ, D3DPOOL_DEFAULT, &other_pool,
                                          nullptr),
              D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(other_pool->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    ASSERT_EQ(other_pool->Unlock(), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_LINELIST, 0, 0, 4, 0, 3), D3D_OK);
    ASSERT_EQ(device_->SetIndices(wide), D3D_OK);
    EXPECT_EQ(draw_quad(), D3D_OK);
    ASSERT_EQ(device_->SetIndices(indices_), D3D_OK);
    ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_SPECULAR), D3D_OK);
    EXPECT_EQ(draw_quad(), D3D_OK);
    ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_SPECULAR), D3D_OK); // said once only
    EXPECT_EQ(device_->Present(nullptr, &kDestination, nullptr, nullptr), D3D_OK);
    EXPECT_TRUE(seen_.draws.empty());
    // Present shows the whole back buffer in the whole client area; D3DCLEAR_STENCIL (on a device asked for
    // stencil bits) clears what else is asked for.
    ASSERT_EQ(seen_.presents.size(), 1u);
    EXPECT_EQ(seen_.presents[0].right, 4);
    EXPECT_FALSE(seen_.presented_into_rectangle);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_STENCIL | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(seen_.clears.size(), 1u);
    EXPECT_EQ(seen_.clears[0].flags, static_cast<DWORD>(D3DCLEAR_ZBUFFER));
    wide->Release();
    other_pool->Release();

    std::vector<std::string> notices = platform::trace::test::unimplemented_notices();
    std::sort(notices.begin(), notices.end());
    EXPECT_EQ(notices, (std::vector<std::string>{
                           "Clear's flag D3DCLEAR_STENCIL value 4", "D3DFMT of an index buffer value 102",
                           "D3DFVF value 130", "D3DLOCK value 8192", "D3DPOOL of a buffer value 0",
                           "D3DPRIMITIVETYPE value 2", "D3DPRIMITIVETYPE value 5",
                           "D3DUSAGE of a buffer value 8", "Present's rectangles value 2"}));
}

// Fault: the rectangles dropped or cut on the way (the renderer clearing everything), or a Clear the device
// refuses (a list without its count, depth without a depth buffer) still reaching the renderer.
TEST_F(FrontEnd, ClearHandsItsRectanglesOverAndRefusedClearsStayHere) {
    make_device(false);
    const D3DRECT rects[2] = {{0, 0, 2, 2}, {1, 2, 4, 9}};
    ASSERT_EQ(device_->Clear(2, rects, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);

    ASSERT_EQ(seen_.clears.size(), 2u);
    const SeenClear& first = seen_.clears[0];
    ASSERT_EQ(first.rects.size(), 2u);
    EXPECT_EQ(first.rects[1].x1, 1);
    EXPECT_EQ(first.rects[1].y1, 2);
    EXPECT_EQ(first.rects[1].x2, 4);
    EXPECT_EQ(first.rects[1].y2, 9); // beyond the back buffer: the renderer cuts it
    EXPECT_EQ(first.flags, static_cast<DWORD>(D3DCLEAR_TARGET));
    EXPECT_EQ(first.colour, 0xFF102030u);
    EXPECT_TRUE(seen_.clears[1].rects.empty());
}

} // namespace

namespace {

// Fault: a managed texture keeping a copy of its levels of its own (a lock shows that copy rather than what
// the renderer holds), a read-only lock sending its level again, or a level of the wrong size taken.
TEST_F(FrontEnd, TextureLevelsLiveInTheRendererAndLocksReadThemBack) {
    make_device(false);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(create_texture(device_, D3DFMT_A8R8G8B8, 4, 2, 3, &texture), D3D_OK); // 4 x 2, 2 x 1, 1 x 1
    ASSERT_EQ(fill_texture_level(texture, 0, {4, 2, std::vector<std::uint32_t>(8, 0xFF102030u)}), D3D_OK);
    EXPECT_EQ(fill_texture_level(texture, 1, {4, 2, std::vector<std::uint32_t>(8, 0)}), D3DERR_INVALIDCALL);
    EXPECT_EQ(seen_.uploads, std::vector<UINT>{0});

    seen_.texture[0].pixels[5] = 0xFF0000FFu; // the renderer's level, changed behind the device
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<const std::uint32_t*>(locked.pBits)[5], 0xFF0000FFu);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(seen_.uploads, std::vector<UINT>{0});

    ASSERT_EQ(texture->LockRect(2, &locked, nullptr, 0), D3D_OK);
    *static_cast<std::uint32_t*>(locked.pBits) = 0xFFABCDEFu;
    ASSERT_EQ(texture->UnlockRect(2), D3D_OK);
    EXPECT_EQ(seen_.uploads, (std::vector<UINT>{0, 2}));
    EXPECT_EQ(seen_.texture[2].pixels, std::vector<std::uint32_t>{0xFFABCDEFu});
    texture->Release();
}

} // namespace
