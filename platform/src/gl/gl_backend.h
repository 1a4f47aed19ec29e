// The GL renderer behind the Direct3D 9 device (d3d9::RenderBackend of render_backend.h): OpenGL 3.3 core on
// the desktop, OpenGL ES 3.0 (WebGL 2) in the browser (gl_api.h), on a context the host makes on the window
// (host.h). It owns every GL object: the context with its state shadow (gl_state.h), the back buffer (the
// window's own buffers while its client area is the back buffer's size, else an offscreen framebuffer with
// an RGB8 colour buffer and the depth buffer asked for), the vertex array, stage 0's sampler, the
// emulation programs, the font's coverage program and atlases, and the buffers
// and textures of the device's resources. A context the display takes away and gives back (a browser's lost
// WebGL context) has lost every one of them: the renderer makes them all again, the resources' copies from
// the device's records of their content. Its bodies, one area each: gl_backend.cpp (creation, release and
// renewal after a loss),
// gl_context.cpp (the context), gl_target.cpp (back buffer, Clear, Present, read-back, making current),
// gl_resources.cpp (buffers and textures), gl_draw.cpp (state and indexed draws), gl_font_quads.cpp (atlases
// and quads), gl_state.cpp (the state shadow), gl_stream_buffer.cpp (data written once per draw).
#pragma once

#include "gl/gl_ffp_program_cache.h"
#include "d3d9/render_backend.h"

#include "gl/gl_api.h"
#include "gl/gl_state.h"
#include "host/host.h"

#include <array>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace platform::gl {

class CoverageProgram;
class GlStreamBuffer;

// A GL object behind a device resource, which the renderer makes again when its context comes back after a
// loss.
class GlRenewable {
  public:
    // Makes the object again on the context given back for the restorations-th time, unless it was made on
    // that one already.
    virtual void renew(unsigned restorations) = 0;

  protected:
    ~GlRenewable() = default;
};

// The renderer's GL context. Owned jointly by the renderer and every buffer and texture made on it, so that
// GL names are deleted while the context exists; GL calls are skipped once the window (and with it the
// drawable) is gone.
class RendererContext {
  public:
    RendererContext(HWND window, host::GlContext* context) : window_(window), context_(context) {}
    ~RendererContext();
    RendererContext(const RendererContext&) = delete;
    RendererContext& operator=(const RendererContext&) = delete;

    // Makes the context current; false when its window no longer exists.
    bool make_current();
    HWND window() const {
        return window_;
    }
    // Whether the display has taken the context away for now, and how many times it has given it back
    // (host.h): the objects made before the last restoration are gone.
    bool lost() const;
    unsigned restorations() const;
    // The resources' GL objects alive on the context, which a restoration makes again.
    void track(GlRenewable* object) {
        renewables_.insert(object);
    }
    void untrack(GlRenewable* object) {
        renewables_.erase(object);
    }
    const std::set<GlRenewable*>& renewables() const {
        return renewables_;
    }
    // The shadow of the context's state, through which every setting and binding goes.
    GlState& state() {
        return state_;
    }

  private:
    HWND window_;
    host::GlContext* context_;
    GlState state_;
    std::set<GlRenewable*> renewables_;
};

// The GL names behind the device's resources (gl_resources.cpp); 0 when the context was gone at creation.
// Each is made (make) from the device's record of the resource's content, which outlives it, and made again
// from that record when the context comes back after a loss.
template <typename Object> class GlNamed : public Object, public GlRenewable {
  public:
    GlNamed(const GlNamed&) = delete;
    GlNamed& operator=(const GlNamed&) = delete;
    ~GlNamed() override {
        gl_->untrack(this);
    }
    GLuint name() const {
        return name_;
    }
    void renew(unsigned restorations) final {
        if (restorations == made_in_)
            return;
        made_in_ = restorations;
        name_ = 0; // gone with the context it was made on
        make();
    }

  protected:
    explicit GlNamed(std::shared_ptr<RendererContext> context)
        : gl_(std::move(context)), made_in_(gl_->restorations()) {
        gl_->track(this);
    }
    // Makes the GL object with the record's content.
    virtual void make() = 0;
    std::shared_ptr<RendererContext> gl_;
    GLuint name_ = 0;

  private:
    unsigned made_in_; // the restorations of the context the object was made on
};

class GlBuffer final : public GlNamed<d3d9::BufferObject> {
  public:
    GlBuffer(std::shared_ptr<RendererContext> context, const std::vector<std::uint8_t>& content);
    ~GlBuffer() override;
    void upload(UINT offset, UINT size, const std::uint8_t* bytes) override;

  private:
    void make() override;
    const std::vector<std::uint8_t>& content_;
};

class GlTexture final : public GlNamed<d3d9::TextureObject> {
  public:
    GlTexture(std::shared_ptr<RendererContext> context, D3DFORMAT format, UINT width, UINT height,
              UINT levels, const std::vector<image::MipLevel>& kept);
    ~GlTexture() override;
    void upload(UINT level, const image::MipLevel& mip) override;
#ifdef PLATFORM_TEST_SEAMS
    void read_back(UINT level, image::MipLevel& mip) override;
#endif

  private:
    void make() override;
    // Rows [first, first + count) of the level as the GL takes them (gl_resources.cpp).
    const void* texels(const image::MipLevel& mip, UINT first, UINT count);
    D3DFORMAT format_;
    UINT width_, height_, levels_;
    const std::vector<image::MipLevel>&
        kept_;                          // the device's record of the levels (where the context can be lost)
    bool opaque_ = false;               // X8R8G8B8: alpha stored as one (ES)
    std::vector<std::uint8_t> staging_; // RGBA bytes of a band of a level's rows (ES)
};

// A D3DCMPFUNC as GL's comparison: D3DCMP_NEVER (1) to D3DCMP_ALWAYS (8) run in the order of GL_NEVER to
// GL_ALWAYS; GL_ALWAYS for a value Direct3D 9 does not have.
static_assert(GL_LEQUAL == GL_NEVER + (D3DCMP_LESSEQUAL - D3DCMP_NEVER) &&
              GL_ALWAYS == GL_NEVER + (D3DCMP_ALWAYS - D3DCMP_NEVER));
inline GLenum compare_function(DWORD func) {
    return func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? GL_NEVER + static_cast<GLenum>(func - D3DCMP_NEVER)
                                                         : GL_ALWAYS;
}

class GlBackend final : public d3d9::RenderBackend {
  public:
    GlBackend(HWND window, const D3DPRESENT_PARAMETERS& params, std::shared_ptr<RendererContext> gl);
    ~GlBackend() override;
    GlBackend(const GlBackend&) = delete;
    GlBackend& operator=(const GlBackend&) = delete;
    // Makes the back buffer and the objects every draw uses; false and the reason in error on failure.
    bool init(std::string& error);

    std::unique_ptr<d3d9::BufferObject> create_buffer(const std::vector<std::uint8_t>& content) override;
    std::unique_ptr<d3d9::TextureObject> create_texture(D3DFORMAT format, UINT width, UINT height,
                                                        UINT levels,
                                                        const std::vector<image::MipLevel>& kept) override;
    bool can_lose_copies() const override {
        return PLATFORM_GL_CAN_LOSE_CONTEXT;
    }
    UINT max_texture_side() override;
    bool make_current() override;
    bool can_draw() override;
    bool can_present() override;
    void clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z) override;
    void flush() override;
    void draw_indexed(const d3d9::DrawCall& draw) override;
    d3dx9::AtlasHandle create_atlas(UINT width, UINT height, const std::uint8_t* coverage) override;
    void destroy_atlas(d3dx9::AtlasHandle atlas) override;
    bool draw_quads(d3dx9::AtlasHandle atlas, const std::vector<font::GlyphQuad>& quads, const RECT& clip,
                    D3DCOLOR colour, const d3d9::QuadDepth& depth) override;
    void present(const RECT& from, const RECT* to) override;
#ifdef PLATFORM_TEST_SEAMS
    void read_back(std::vector<std::uint32_t>& pixels) override;
    std::size_t program_count() const override {
        return programs_.size();
    }
    bool draws_into_window() const override {
        return direct_;
    }
#endif

  private:
    // Whether the window's own buffers can stand for the back buffer and its depth buffer: colour without
    // alpha, and a depth buffer of at least the device's bits (a deeper one keeps 16-bit depth by rounding
    // each fragment's depth to the 16-bit grid).
    void inspect_window_buffers();
    // Makes the offscreen back buffer if it is not made yet; false and the reason in error on failure.
    bool make_offscreen(std::string& error);
    bool init_back_buffer(std::string& error);
    // Draws into the window (true) or into the offscreen back buffer from the next draw on.
    void use_window(bool direct);
    bool has_depth() const {
        return params_.EnableAutoDepthStencil != FALSE;
    }
    // The framebuffer that draws and clears go to.
    GLuint target() const {
        return direct_ ? 0 : framebuffer_;
    }
    // Whether the target's rows run down from the top (offscreen_rows_down_).
    bool rows_down() const {
        return !direct_ && offscreen_rows_down_;
    }
    // Binds the target for drawing, with the clip origin that goes with the programs' negated y
    // (offscreen_rows_down_).
    void bind_target();
    void release();
    // After the context came back from a loss: forgets every GL object of the one before and makes them
    // all again, the renderer's own as init does and the resources' from the device's records.
    void renew_after_loss();
    // make_current, and renew_after_loss first when the context came back from a loss since the objects
    // were made: every draw and Present asks this before it works on the context.
    bool current_and_renewed();
    // Makes an atlas's texture with its coverage; 0 when the GL does not take it.
    GLuint make_atlas_texture(UINT width, UINT height, const std::uint8_t* coverage);
    // Turns the state records into GL before a draw; false when the state's program does not compile.
    bool apply_fixed_function_state(const d3d9::DrawCall& draw);
    // Stage 0's sampler object after its sampler states.
    void apply_sampler(const std::array<DWORD, d3d9::kSamplerStateCount>& states);
    // Points the emulation program's vertex attributes at the FVF's elements on stream 0, unless they
    // point there already.
    void bind_vertex_attributes(const d3d9::FvfLayout& layout, const d3d9::VertexStream& stream, DWORD fvf);
    // Scales the back buffer's rectangle from into the window's client area at to, and swaps.
    void blit_to_window(host::Window* window, const RECT& from, const RECT& to, int client_width,
                        int client_height);

    HWND window_;
    D3DPRESENT_PARAMETERS params_;
    std::shared_ptr<RendererContext> gl_;
    UINT width_;
    UINT height_;

    GlState& state_; // gl_'s state shadow
    GLuint framebuffer_ = 0, colour_buffer_ = 0, depth_buffer_ = 0, vertex_array_ = 0;
    bool window_can_stand_in_ = false; // inspect_window_buffers
    bool offscreen_complete_ = false;  // make_offscreen made a complete framebuffer
    bool round_depth_ = false;         // the window's depth buffer is deeper than the device's 16 bits
    bool direct_ = false;              // draws go into the window (target())
    // Where the GL has clip control, the offscreen back buffer's rows run down from the top as the window's
    // buffers' do (the window system runs them down), and both are drawn with y negated in the programs and
    // the clip origin turned against the target's own (the upper left for the window, the lower left
    // offscreen): the picture lands where it would without either, but GL fills a pixel whose centre lies on
    // a horizontal edge by Direct3D's top-left rule, the top edge's, where it would take the bottom edge's
    // (Mesa judges top and bottom by the clip origin against the rows' direction). The picture is the same
    // pixel for pixel in both targets.
    bool offscreen_rows_down_ = false;
    std::unique_ptr<GlStreamBuffer> scratch_indices_; // the rewritten indices of ES draws
    std::vector<std::uint32_t> indices_;              // their CPU copy, kept for its capacity
    GLuint sampler_ = 0;                              // stage 0's sampler object
    float max_anisotropy_ = 1.0f;                     // 1 when GL_EXT_texture_filter_anisotropic is missing
    FfpProgramCache programs_;
    FfpProgram* program_ = nullptr; // the program of the last draw's key
    FfpKey program_key_;
    std::unique_ptr<CoverageProgram> coverage_;
    // The font's atlases by handle, each with the coverage it was made from, which its maker keeps for as
    // long as the atlas lives (d3dx9_device.h): a lost context's atlas is made again from it.
    struct Atlas {
        GLuint texture = 0;
        UINT width = 0, height = 0;
        const std::uint8_t* coverage = nullptr;
    };
    std::map<d3dx9::AtlasHandle, Atlas> atlases_;
    d3dx9::AtlasHandle next_atlas_ = 1;
    unsigned restorations_ = 0; // the context's restorations that the GL objects were made on
};

} // namespace platform::gl
