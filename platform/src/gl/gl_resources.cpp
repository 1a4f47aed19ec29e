// The GL storage behind the device's vertex buffers, index buffers and textures: GL buffer objects filled
// through the copy target (index buffers are bound through the vertex array when drawn), and RGBA8 textures
// holding the whole mip chain from 0xAARRGGBB words (X8R8G8B8 reads its alpha as one), filled and read back
// level by level, and the largest texture side the GL takes. Each is made from the device's record of its
// content at its creation, and again from it after a lost context came back (GlNamed::renew): a buffer's
// bytes, and the texture levels the device keeps where the context can be lost.
#include "gl/gl_backend.h"

#include <algorithm>
#include <cstdint>

namespace platform::gl {

GlBuffer::GlBuffer(std::shared_ptr<RendererContext> context, const std::vector<std::uint8_t>& content)
    : GlNamed(std::move(context)), content_(content) {
    make();
}

void GlBuffer::make() {
    if (!gl_->make_current())
        return;
    glGenBuffers(1, &name_);
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(content_.size()), content_.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

GlBuffer::~GlBuffer() {
    if (name_ != 0 && gl_->make_current()) {
        glDeleteBuffers(1, &name_);
        gl_->state().deleted_buffer(name_);
    }
}

void GlBuffer::upload(UINT offset, UINT size, const std::uint8_t* bytes) {
    if (name_ == 0 || size == 0 || !gl_->make_current())
        return;
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferSubData(GL_COPY_WRITE_BUFFER, offset, size, bytes);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

// 0xAARRGGBB words are bytes B, G, R, A in memory: OpenGL takes them as they are (BGRA), ES only as RGBA
// bytes, into which they are copied first, a band of rows at a time so that no second copy of a large level
// is made.
#if !PLATFORM_GL_HAS_BGRA
constexpr GLenum kTexelFormat = GL_RGBA;
constexpr GLenum kTexelType = GL_UNSIGNED_BYTE;
constexpr std::size_t kBandBytes = 1 << 20;
const void* GlTexture::texels(const image::MipLevel& mip, UINT first, UINT count) {
    const std::size_t begin = std::size_t{first} * mip.width;
    const std::size_t size = std::size_t{count} * mip.width;
    staging_.resize(size * 4);
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint32_t p = mip.pixels[begin + i];
        staging_[4 * i] = static_cast<std::uint8_t>(p >> 16);
        staging_[4 * i + 1] = static_cast<std::uint8_t>(p >> 8);
        staging_[4 * i + 2] = static_cast<std::uint8_t>(p);
        staging_[4 * i + 3] = opaque_ ? 0xFF : static_cast<std::uint8_t>(p >> 24);
    }
    return staging_.data();
}
#else
constexpr GLenum kTexelFormat = GL_BGRA;
constexpr GLenum kTexelType = GL_UNSIGNED_INT_8_8_8_8_REV;
constexpr std::size_t kBandBytes = SIZE_MAX; // the level at once, as it is
const void* GlTexture::texels(const image::MipLevel& mip, UINT first, UINT /*count*/) {
    return mip.pixels.data() + std::size_t{first} * mip.width;
}
#endif

GlTexture::GlTexture(std::shared_ptr<RendererContext> context, D3DFORMAT format, UINT width, UINT height,
                     UINT levels, const std::vector<image::MipLevel>& kept)
    : GlNamed(std::move(context)), format_(format), width_(width), height_(height), levels_(levels),
      kept_(kept) {
    make();
}

void GlTexture::make() {
    if (!gl_->make_current())
        return;
    glGenTextures(1, &name_);
    // Made on unit 0, whose texture the draws expect to find there again.
    const GLuint drawn = gl_->state().texture(0);
    gl_->state().bind_texture(0, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_) - 1);
#if !PLATFORM_GL_HAS_BGRA
    opaque_ = format_ == D3DFMT_X8R8G8B8; // no alpha: stored as opaque, as the texels are converted anyway
#else
    if (format_ == D3DFMT_X8R8G8B8)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE); // no alpha: reads as opaque
#endif
    for (UINT i = 0; i < levels_; ++i) // storage only: the content comes by upload
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8,
                     static_cast<GLsizei>(std::max(1u, width_ >> i)),
                     static_cast<GLsizei>(std::max(1u, height_ >> i)), 0, kTexelFormat, kTexelType, nullptr);
    gl_->state().bind_texture(0, drawn);
    // Made again after a lost context: the levels the device kept.
    for (UINT i = 0; i < kept_.size(); ++i)
        if (!kept_[i].pixels.empty())
            upload(i, kept_[i]);
}

GlTexture::~GlTexture() {
    if (name_ != 0 && gl_->make_current()) {
        glDeleteTextures(1, &name_);
        gl_->state().deleted_texture(name_);
    }
}

void GlTexture::upload(UINT level, const image::MipLevel& mip) {
    if (name_ == 0 || !gl_->make_current())
        return;
    const GLuint drawn = gl_->state().texture(0);
    gl_->state().bind_texture(0, name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const UINT band =
        static_cast<UINT>(std::clamp<std::size_t>(kBandBytes / (std::size_t{mip.width} * 4), 1, mip.height));
    for (UINT first = 0; first < mip.height; first += band) {
        const UINT count = std::min(band, mip.height - first);
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, static_cast<GLint>(first),
                        static_cast<GLsizei>(mip.width), static_cast<GLsizei>(count), kTexelFormat,
                        kTexelType, texels(mip, first, count));
    }
    gl_->state().bind_texture(0, drawn);
}

#ifdef PLATFORM_TEST_SEAMS
// Through a framebuffer of its own with the level as its colour buffer, since ES has no glGetTexImage.
void GlTexture::read_back(UINT level, image::MipLevel& mip) {
    mip.pixels.assign(std::size_t{mip.width} * mip.height, 0);
    if (name_ == 0 || !gl_->make_current())
        return;
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    gl_->state().bind_read_framebuffer(framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name_,
                           static_cast<GLint>(level));
    if (glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        const auto width = static_cast<GLsizei>(mip.width);
        const auto height = static_cast<GLsizei>(mip.height);
#if !PLATFORM_GL_HAS_BGRA
        // ES reads RGBA bytes only.
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, mip.pixels.data());
        for (std::uint32_t& p : mip.pixels) {
            const auto* b = reinterpret_cast<const std::uint8_t*>(&p);
            p = std::uint32_t{b[3]} << 24 | std::uint32_t{b[0]} << 16 | std::uint32_t{b[1]} << 8 | b[2];
        }
#else
        glReadPixels(0, 0, width, height, kTexelFormat, kTexelType, mip.pixels.data());
#endif
    }
    glDeleteFramebuffers(1, &framebuffer);
    gl_->state().deleted_framebuffer(framebuffer);
}
#endif

std::unique_ptr<d3d9::BufferObject> GlBackend::create_buffer(const std::vector<std::uint8_t>& content) {
    return std::make_unique<GlBuffer>(gl_, content);
}

std::unique_ptr<d3d9::TextureObject> GlBackend::create_texture(D3DFORMAT format, UINT width, UINT height,
                                                               UINT levels,
                                                               const std::vector<image::MipLevel>& kept) {
    return std::make_unique<GlTexture>(gl_, format, width, height, levels, kept);
}

UINT GlBackend::max_texture_side() {
    if (!gl_->make_current())
        return 0;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<UINT>(side) : 0;
}

} // namespace platform::gl
