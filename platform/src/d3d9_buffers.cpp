// IDirect3DVertexBuffer9 and IDirect3DIndexBuffer9 (managed pool) on GL buffer objects, with the GL context
// they share and the reference counting every Direct3D 9 resource has: Lock hands out the CPU copy of the
// content, Unlock copies what was locked to the GL buffer.
#include "d3d9_device.h"
#include "d3d9_trace.h"
#include "win32_internal.h"

#include <platform_test.h>

#include <algorithm>
#include <cstring>

namespace platform::d3d9 {

GlContext::~GlContext() {
    SDL_GL_DeleteContext(context_);
}

bool GlContext::make_current() {
    if (SDL_GL_GetCurrentContext() == context_)
        return true;
    SDL_Window* const window = win32::sdl_window(window_);
    return window != nullptr && SDL_GL_MakeCurrent(window, context_) == 0;
}

namespace {
std::uint64_t next_version() {
    static std::uint64_t counter = 0;
    return ++counter;
}
} // namespace

BufferStorage::BufferStorage(std::shared_ptr<GlContext> context, GLenum gl_target, UINT length)
    : gl(std::move(context)), target(gl_target), bytes(length, 0), version(next_version()) {
    if (gl->make_current()) {
        glGenBuffers(1, &name);
        // Index buffers are bound through the vertex array; bind to the copy target to fill it.
        glBindBuffer(GL_COPY_WRITE_BUFFER, name);
        glBufferData(GL_COPY_WRITE_BUFFER, length, bytes.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    }
}

BufferStorage::~BufferStorage() {
    if (name != 0 && gl->make_current())
        glDeleteBuffers(1, &name);
}

void BufferStorage::upload(UINT offset, UINT size) {
    version = next_version();
    if (name == 0 || size == 0 || !gl->make_current())
        return;
    glBindBuffer(GL_COPY_WRITE_BUFFER, name);
    glBufferSubData(GL_COPY_WRITE_BUFFER, offset, size, bytes.data() + offset);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

// ---- Resource ----

template <typename Interface>
Resource<Interface>::Resource(Device* device, const char* kind)
    : com::ComObject<Interface>(kind), device_(device) {}

template <typename Interface> Resource<Interface>::~Resource() = default;

template <typename Interface> HRESULT Resource<Interface>::GetDevice(IDirect3DDevice9** device) {
    trace::call("GetDevice", static_cast<Interface*>(this));
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    device_->add_ref_internal();
    *device = device_.get();
    return D3D_OK;
}

template class Resource<IDirect3DVertexBuffer9>;
template class Resource<IDirect3DIndexBuffer9>;
template class Resource<IDirect3DTexture9>;

// ---- Vertex and index buffers ----

namespace {

template <typename Interface> struct BufferKind;
template <> struct BufferKind<IDirect3DVertexBuffer9> {
    static constexpr const char* label = "VertexBuffer";
    static constexpr GLenum target = GL_ARRAY_BUFFER;
    static const IID& iid() {
        return IID_IDirect3DVertexBuffer9;
    }
};
template <> struct BufferKind<IDirect3DIndexBuffer9> {
    static constexpr const char* label = "IndexBuffer";
    static constexpr GLenum target = GL_ELEMENT_ARRAY_BUFFER;
    static const IID& iid() {
        return IID_IDirect3DIndexBuffer9;
    }
};

} // namespace

template <typename Interface>
Buffer<Interface>::Buffer(Device* device, UINT length, D3DFORMAT index_format)
    : Resource<Interface>(device, BufferKind<Interface>::label),
      storage_(std::make_shared<BufferStorage>(device->gl(), BufferKind<Interface>::target, length)) {
    storage_->index_format = index_format;
}

template <typename Interface> bool Buffer<Interface>::has_own_interface(REFIID riid) const {
    return riid == BufferKind<Interface>::iid();
}

template <typename Interface>
HRESULT Buffer<Interface>::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    trace::call("Lock", static_cast<Interface*>(this), offset, size, flags);
    if (data == nullptr)
        return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (test::should_fail("Lock"))
        return D3DERR_INVALIDCALL;
    BufferStorage& storage = *storage_;
    const auto length = static_cast<UINT>(storage.bytes.size());
    if (offset > length || (size != 0 && size > length - offset))
        return D3DERR_INVALIDCALL;
    // Offset 0 and size 0 lock the whole buffer; a size of 0 at another offset locks to the end.
    const UINT end = size == 0 ? length : offset + size;
    if ((flags & D3DLOCK_READONLY) == 0) {
        if (locks_ == 0 || dirty_begin_ == dirty_end_) {
            dirty_begin_ = offset;
            dirty_end_ = end;
        } else {
            dirty_begin_ = std::min(dirty_begin_, offset);
            dirty_end_ = std::max(dirty_end_, end);
        }
    }
    ++locks_;
    *data = storage.bytes.data() + offset;
    return D3D_OK;
}

template <typename Interface> HRESULT Buffer<Interface>::Unlock() {
    trace::call("Unlock", static_cast<Interface*>(this));
    if (locks_ == 0)
        return D3DERR_INVALIDCALL;
    if (--locks_ == 0 && dirty_end_ > dirty_begin_) {
        storage_->upload(dirty_begin_, dirty_end_ - dirty_begin_);
        dirty_begin_ = dirty_end_ = 0;
    }
    return D3D_OK;
}

template class Buffer<IDirect3DVertexBuffer9>;
template class Buffer<IDirect3DIndexBuffer9>;

} // namespace platform::d3d9
