// The GL storage behind the device's vertex buffers, index buffers and textures: GL buffer objects filled
// through the copy target (index buffers are bound through the vertex array when drawn), and RGBA8 textures
// holding the whole mip chain from 0xAARRGGBB words (X8R8G8B8 reads its alpha as one), and the largest
// texture side the GL takes. Each is made from the device's record of its content, at its creation and again
// after a lost context came back (GlNamed::renew).
#include "gl/gl_backend.h"

namespace platform::d3d9 {

GlBuffer::GlBuffer(std::shared_ptr<GlContext> context, const std::vector<std::uint8_t>& content)
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
// bytes, into which they are copied first.
#if !PLATFORM_GL_HAS_BGRA
constexpr GLenum kTexelFormat = GL_RGBA;
constexpr GLenum kTexelType = GL_UNSIGNED_BYTE;
const void* GlTexture::texels(const MipLevel& mip) {
    staging_.resize(mip.pixels.size() * 4);
    for (std::size_t i = 0; i < mip.pixels.size(); ++i) {
        const std::uint32_t p = mip.pixels[i];
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
const void* GlTexture::texels(const MipLevel& mip) {
    return mip.pixels.data();
}
#endif

GlTexture::GlTexture(std::shared_ptr<GlContext> context, D3DFORMAT format,
                     const std::vector<MipLevel>& levels)
    : GlNamed(std::move(context)), format_(format), levels_(levels) {
    make();
}

void GlTexture::make() {
    const std::vector<MipLevel>& levels = levels_;
    if (!gl_->make_current())
        return;
    glGenTextures(1, &name_);
    // Made on unit 0, whose texture the draws expect to find there again.
    const GLuint drawn = gl_->state().texture(0);
    gl_->state().bind_texture(0, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size()) - 1);
#if !PLATFORM_GL_HAS_BGRA
    opaque_ = format_ == D3DFMT_X8R8G8B8; // no alpha: stored as opaque, as the texels are converted anyway
#else
    if (format_ == D3DFMT_X8R8G8B8)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE); // no alpha: reads as opaque
#endif
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (UINT i = 0; i < levels.size(); ++i) {
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, static_cast<GLsizei>(levels[i].width),
                     static_cast<GLsizei>(levels[i].height), 0, kTexelFormat, kTexelType, texels(levels[i]));
    }
    gl_->state().bind_texture(0, drawn);
}

GlTexture::~GlTexture() {
    if (name_ != 0 && gl_->make_current()) {
        glDeleteTextures(1, &name_);
        gl_->state().deleted_texture(name_);
    }
}

void GlTexture::upload(UINT level, const MipLevel& mip) {
    if (name_ == 0 || !gl_->make_current())
        return;
    const GLuint drawn = gl_->state().texture(0);
    gl_->state().bind_texture(0, name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(mip.width),
                    static_cast<GLsizei>(mip.height), kTexelFormat, kTexelType, texels(mip));
    gl_->state().bind_texture(0, drawn);
}

std::unique_ptr<BufferObject> GlBackend::create_buffer(const std::vector<std::uint8_t>& content) {
    return std::make_unique<GlBuffer>(gl_, content);
}

std::unique_ptr<TextureObject> GlBackend::create_texture(D3DFORMAT format,
                                                         const std::vector<MipLevel>& levels) {
    return std::make_unique<GlTexture>(gl_, format, levels);
}

UINT GlBackend::max_texture_side() {
    if (!gl_->make_current())
        return 0;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? static_cast<UINT>(side) : 0;
}

} // namespace platform::d3d9
