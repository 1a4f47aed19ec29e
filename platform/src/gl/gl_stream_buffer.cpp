// The GL renderer's stream buffer (gl_stream_buffer.h) on glBufferData without data (orphaning), and
// glMapBufferRange unsynchronised (OpenGL) or glBufferSubData (ES) for each write.
#include "gl/gl_stream_buffer.h"

#include <algorithm>
#include <cstring>

namespace platform::gl {

GlStreamBuffer::GlStreamBuffer(GLenum target, GLsizeiptr capacity)
    : target_(target), capacity_(capacity), used_(capacity) {
    glGenBuffers(1, &name_);
}

GlStreamBuffer::~GlStreamBuffer() {
    if (name_ != 0)
        glDeleteBuffers(1, &name_);
}

GLintptr GlStreamBuffer::write(const void* bytes, GLsizeiptr size) {
    if (used_ + size > capacity_) {
        capacity_ = std::max(capacity_, size);
        glBufferData(target_, capacity_, nullptr, GL_STREAM_DRAW);
        used_ = 0;
    }
    const GLintptr at = used_;
#if !PLATFORM_GL_HAS_MAP_BUFFER
    glBufferSubData(target_, at, size, bytes);
#else
    // Nothing queued reads this range (it lies past every earlier write since the orphaning), so the GL
    // need not wait for anything before handing it over.
    void* const mapped = glMapBufferRange(
        target_, at, size, GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (mapped != nullptr) {
        std::memcpy(mapped, bytes, static_cast<std::size_t>(size));
        glUnmapBuffer(target_);
    } else {
        glBufferSubData(target_, at, size, bytes);
    }
#endif
    used_ = (at + size + kAlignment - 1) / kAlignment * kAlignment;
    return at;
}

} // namespace platform::gl
