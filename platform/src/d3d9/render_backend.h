// What the Direct3D 9 device (the front end: argument checks, state records, result codes, the call trace)
// asks of the renderer that puts its pictures on the screen, in Direct3D's own terms: the back buffer and its
// depth buffer, storage for buffers and textures, Clear, indexed draws with the state records, the font's
// atlases and coverage quads, Present and the reading back of the back buffer. The one renderer of the Linux
// build is OpenGL's (gl_backend.h, made by make_gl_backend); the front-end test drives the device over a
// recording fake. Nothing here names a GL type.
#pragma once

#include "d3dx9/d3dx9_device.h"
#include "d3d9/d3d9_state.h"
#include "d3d9/d3d9_vertex_format.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::d3d9 {

struct BufferStorage;
struct TextureStorage;

// The renderer's copy of a vertex or index buffer, made with the buffer's first content.
class BufferObject {
  public:
    virtual ~BufferObject() = default;
    // Takes bytes [offset, offset + size) of the content again; bytes points at the first of them.
    virtual void upload(UINT offset, UINT size, const std::uint8_t* bytes) = 0;
};

// The renderer's copy of a texture with its whole mip chain, made empty: each level's content comes by
// upload. The renderer's copy is the only one a managed texture keeps, unless the renderer can lose it.
class TextureObject {
  public:
    virtual ~TextureObject() = default;
    virtual void upload(UINT level, const image::MipLevel& mip) = 0;
#ifdef PLATFORM_TEST_SEAMS
    // The level's content as the renderer holds it, into mip, whose width and height are the level's.
    virtual void read_back(UINT level, image::MipLevel& mip) = 0;
#endif
};

// A vertex buffer on a stream, from the byte offset on, one vertex each stride bytes.
struct VertexStream {
    std::shared_ptr<BufferStorage> buffer;
    UINT offset = 0;
    UINT stride = 0;
};

// The indices of a DrawIndexedPrimitive that passed the device's checks: a triangle list of prim_count
// triangles from index_count 16-bit indices, from start_index of the index buffer on, each plus base_vertex
// (the device draws no other primitive type or index size).
struct IndexRange {
    D3DPRIMITIVETYPE type;
    INT base_vertex;
    UINT start_index, prim_count, index_count;
};

// One such draw: its indices into the vertices of stream 0 as the layout lays them out, drawn under the
// state records as they stand (the renderer sets what differs from its GL state, gl_state.h).
struct DrawCall {
    IndexRange range;
    const FvfLayout& layout;
    const VertexStream& stream;
    const BufferStorage& indices;
    const StateRecords& states;
    const std::array<std::shared_ptr<TextureStorage>, kSamplerSlots>& textures;
};

// The depth states the font's quads keep from the device: ZENABLE (with a depth buffer), ZFUNC (a D3DCMP
// value) and ZWRITEENABLE.
struct QuadDepth {
    bool test = false;
    DWORD function = D3DCMP_LESSEQUAL;
    bool write = false;
};

class RenderBackend {
  public:
    virtual ~RenderBackend() = default;

    // Whether the renderer's copies can be lost with its context (a browser's lost WebGL context): it then
    // makes every one again from the device's records, and the device keeps each texture level it uploads.
    virtual bool can_lose_copies() const {
        return false;
    }
    // Storage for a buffer, made with the content of the device's record of it (its bytes), which outlives
    // the storage and holds at each upload what the renderer's copy is to hold. Storage for a texture of
    // width x height with its levels, empty until each level is uploaded; `kept` is the device's record of
    // the levels uploaded (where can_lose_copies), which outlives the storage. Null when the renderer has
    // none to give.
    virtual std::unique_ptr<BufferObject> create_buffer(const std::vector<std::uint8_t>& content) = 0;
    virtual std::unique_ptr<TextureObject> create_texture(D3DFORMAT format, UINT width, UINT height,
                                                          UINT levels,
                                                          const std::vector<image::MipLevel>& kept) = 0;
    // The largest texture side the renderer takes; 0 when it cannot say (its window is gone).
    virtual UINT max_texture_side() = 0;

    // Whether the renderer can work on the back buffer now (its window still exists to it).
    virtual bool make_current() = 0;
    // make_current for drawing, false as well while the window is minimised: nobody can see the picture
    // then, and Present shows nothing of it, so drawing is left out.
    virtual bool can_draw() = 0;
    // Whether Present can show the back buffer: the window exists and the renderer can work.
    virtual bool can_present() = 0;

    // Clears the back buffer (whole, or within the rectangles cut to it) as Direct3D's Clear, after checks.
    virtual void clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z) = 0;
    // Hands what was drawn so far to the display's driver (EndScene).
    virtual void flush() = 0;
    // Draws; nothing when the state's emulation program does not compile.
    virtual void draw_indexed(const DrawCall& draw) = 0;

    // The font's glyph atlases and quads (see d3dx9_device.h: the coverage outlives the atlas, and a renderer
    // whose copies are lost makes the atlas again from it); draw_quads returns false for an atlas it did not
    // make.
    virtual d3dx9::AtlasHandle create_atlas(UINT width, UINT height, const std::uint8_t* coverage) = 0;
    virtual void destroy_atlas(d3dx9::AtlasHandle atlas) = 0;
    virtual bool draw_quads(d3dx9::AtlasHandle atlas, const std::vector<font::GlyphQuad>& quads,
                            const RECT& clip, D3DCOLOR colour, const QuadDepth& depth) = 0;

    // Shows the back buffer's rectangle from in the window's client area at *to (null: all of it), or,
    // while the window is minimised or hidden, waits about one display refresh instead.
    virtual void present(const RECT& from, const RECT* to) = 0;

#ifdef PLATFORM_TEST_SEAMS
    // What only tests ask: the back buffer's pixels, 0xAARRGGBB, top row first; the emulation programs
    // compiled so far, one per fixed-function key; whether the back buffer is the window's own (its client
    // area is the back buffer's size), so that Present has nothing to scale, rather than an offscreen one.
    virtual void read_back(std::vector<std::uint32_t>& pixels) = 0;
    virtual std::size_t program_count() const = 0;
    virtual bool draws_into_window() const = 0;
#endif
};

// The GL renderer on the window's host window (defined by the renderer, gl/gl_backend.cpp); null, with one
// line on stderr, when the display offers no OpenGL 3.3 core (or WebGL 2) context or the back buffer cannot
// be made.
std::unique_ptr<RenderBackend> make_gl_backend(HWND window, const D3DPRESENT_PARAMETERS& params);

} // namespace platform::d3d9
