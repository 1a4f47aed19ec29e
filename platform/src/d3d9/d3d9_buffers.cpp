// IDirect3DVertexBuffer9 and IDirect3DIndexBuffer9 (managed pool) over the renderer's buffer storage, with
// the reference counting every Direct3D 9 resource has: Lock hands out the CPU copy of the content, Unlock
// sends what was locked to the renderer's copy.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"
#include "trace/test_hooks.h"
#include "trace/unimplemented.h"

#include <algorithm>
#include <cstring>

namespace platform::d3d9 {

BufferStorage::BufferStorage(RenderBackend& backend, UINT length)
    : bytes(length, 0), object(backend.create_buffer(bytes)) {}

void BufferStorage::upload(UINT offset, UINT size) {
    if (object)
        object->upload(offset, size, bytes.data() + offset);
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
    static const IID& iid() {
        return IID_IDirect3DVertexBuffer9;
    }
};
template <> struct BufferKind<IDirect3DIndexBuffer9> {
    static constexpr const char* label = "IndexBuffer";
    static const IID& iid() {
        return IID_IDirect3DIndexBuffer9;
    }
};

} // namespace

template <typename Interface>
Buffer<Interface>::Buffer(Device* device, UINT length, D3DFORMAT index_format)
    : Resource<Interface>(device, BufferKind<Interface>::label),
      storage_(std::make_shared<BufferStorage>(device->backend(), length)) {
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
    if (trace::hooks::should_fail("Lock"))
        return D3DERR_INVALIDCALL;
    BufferStorage& storage = *storage_;
    const auto length = static_cast<UINT>(storage.bytes.size());
    if (offset > length || (size != 0 && size > length - offset))
        return D3DERR_INVALIDCALL;
    // The program locks without flags, to write; any flag is reported and the lock taken as one to write.
    if (flags != 0)
        trace::report_unimplemented("D3DLOCK", flags, "0");
    // Offset 0 and size 0 lock the whole buffer; a size of 0 at another offset locks to the end.
    const UINT end = size == 0 ? length : offset + size;
    dirty_begin_ = locks_ == 0 ? offset : std::min(dirty_begin_, offset);
    dirty_end_ = locks_ == 0 ? end : std::max(dirty_end_, end);
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
