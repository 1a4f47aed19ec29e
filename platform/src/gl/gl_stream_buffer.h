// The GL renderer's stream buffer: data written once per draw (the font's quads, the rewritten indices of ES
// draws) goes into one GL buffer one piece after the next, so that a write never touches bytes a queued draw
// still reads and the renderer need not finish its queued work first. When the buffer is full it is
// orphaned (glBufferData without data: new storage, the old one stays with the draws that read it) and
// writing starts again at its beginning. OpenGL writes through an unsynchronised mapping of the range, ES
// (WebGL 2, which has no mapping) with glBufferSubData. Bodies in gl_stream_buffer.cpp.
#pragma once

#include "gl/gl_api.h"

namespace platform::gl {

class GlStreamBuffer {
  public:
    // A buffer for the target (GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER) of capacity bytes to start with.
    GlStreamBuffer(GLenum target, GLsizeiptr capacity);
    ~GlStreamBuffer();
    GlStreamBuffer(const GlStreamBuffer&) = delete;
    GlStreamBuffer& operator=(const GlStreamBuffer&) = delete;

    GLuint name() const {
        return name_;
    }
    // Forgets the GL buffer without deleting it: its context is already gone.
    void abandon() {
        name_ = 0;
    }
    // Writes size bytes and returns the byte offset they start at, a multiple of kAlignment. The buffer must
    // be bound to the target (for element buffers: to the vertex array bound now).
    GLintptr write(const void* bytes, GLsizeiptr size);

    static constexpr GLsizeiptr kAlignment = 16;

  private:
    GLenum target_;
    GLuint name_ = 0;
    GLsizeiptr capacity_;
    GLsizeiptr used_; // bytes from the start that queued draws may read; capacity_ before the first write
};

} // namespace platform::gl
