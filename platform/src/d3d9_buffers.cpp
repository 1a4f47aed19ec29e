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
Resource<Interface>::Resource(Device* device, const char* kind) : device_(device) {
    device_->add_ref_internal();
    objects::add(static_cast<Interface*>(this), kind);
}

template <typename Interface> Resource<Interface>::~Resource() {
    objects::remove(static_cast<Interface*>(this));
    device_->release_internal();
}

namespace {
const IID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
} // namespace

template <typename Interface> HRESULT Resource<Interface>::QueryInterface(REFIID riid, void** object) {
    trace::call("QueryInterface", static_cast<Interface*>(this));
    if (object == nullptr)
        return E_POINTER;
    if (riid == kIUnknown || riid == IID_IDirect3DResource9 || has_interface(riid)) {
        ++refs_;
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

template <typename Interface> ULONG Resource<Interface>::AddRef() {
    trace::call("AddRef", static_cast<Interface*>(this));
    return ++refs_;
}

template <typename Interface> ULONG Resource<Interface>::Release() {
    trace::call("Release", static_cast<Interface*>(this));
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

template <typename Interface> HRESULT Resource<Interface>::GetDevice(IDirect3DDevice9** device) {
    trace::call("GetDevice", static_cast<Interface*>(this));
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    device_->add_ref_internal();
    *device = device_;
    return D3D_OK;
}

template class Resource<IDirect3DVertexBuffer9>;
template class Resource<IDirect3DIndexBuffer9>;
template class Resource<IDirect3DTexture9>;

// ---- Lock and Unlock, shared by both buffer kinds ----

namespace {

HRESULT lock_range(BufferStorage& storage, UINT offset, UINT size, void** data, UINT& locks,
                   UINT& dirty_begin, UINT& dirty_end, DWORD flags) {
    if (data == nullptr)
        return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (test::should_fail("Lock"))
        return D3DERR_INVALIDCALL;
    const auto length = static_cast<UINT>(storage.bytes.size());
    if (offset > length || (size != 0 && size > length - offset))
        return D3DERR_INVALIDCALL;
    // Offset 0 and size 0 lock the whole buffer; a size of 0 at another offset locks to the end.
    const UINT end = size == 0 ? length : offset + size;
    if ((flags & D3DLOCK_READONLY) == 0) {
        if (locks == 0 || dirty_begin == dirty_end) {
            dirty_begin = offset;
            dirty_end = end;
        } else {
            dirty_begin = std::min(dirty_begin, offset);
            dirty_end = std::max(dirty_end, end);
        }
    }
    ++locks;
    *data = storage.bytes.data() + offset;
    return D3D_OK;
}

HRESULT unlock_range(BufferStorage& storage, UINT& locks, UINT& dirty_begin, UINT& dirty_end) {
    if (locks == 0)
        return D3DERR_INVALIDCALL;
    if (--locks == 0 && dirty_end > dirty_begin) {
        storage.upload(dirty_begin, dirty_end - dirty_begin);
        dirty_begin = dirty_end = 0;
    }
    return D3D_OK;
}

} // namespace

// ---- Vertex buffers ----

VertexBuffer::VertexBuffer(Device* device, UINT length)
    : Resource(device, "VertexBuffer"),
      storage_(std::make_shared<BufferStorage>(device->gl(), GL_ARRAY_BUFFER, length)) {}

bool VertexBuffer::has_interface(REFIID riid) const {
    return riid == IID_IDirect3DVertexBuffer9;
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    trace::call("Lock", static_cast<IDirect3DVertexBuffer9*>(this), offset, size, flags);
    return lock_range(*storage_, offset, size, data, locks_, dirty_begin_, dirty_end_, flags);
}

HRESULT VertexBuffer::Unlock() {
    trace::call("Unlock", static_cast<IDirect3DVertexBuffer9*>(this));
    return unlock_range(*storage_, locks_, dirty_begin_, dirty_end_);
}

// ---- Index buffers ----

IndexBuffer::IndexBuffer(Device* device, UINT length, D3DFORMAT format)
    : Resource(device, "IndexBuffer"),
      storage_(std::make_shared<BufferStorage>(device->gl(), GL_ELEMENT_ARRAY_BUFFER, length)) {
    storage_->index_format = format;
}

bool IndexBuffer::has_interface(REFIID riid) const {
    return riid == IID_IDirect3DIndexBuffer9;
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    trace::call("Lock", static_cast<IDirect3DIndexBuffer9*>(this), offset, size, flags);
    return lock_range(*storage_, offset, size, data, locks_, dirty_begin_, dirty_end_, flags);
}

HRESULT IndexBuffer::Unlock() {
    trace::call("Unlock", static_cast<IDirect3DIndexBuffer9*>(this));
    return unlock_range(*storage_, locks_, dirty_begin_, dirty_end_);
}

} // namespace platform::d3d9
