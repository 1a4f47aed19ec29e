// The Direct3D 9 objects other than the device: the storage behind vertex buffers, index buffers and
// textures (a buffer's content as the program wrote it and the renderer's copy of it; a texture's levels in
// the renderer's copy alone), and the COM objects the program holds (IDirect3DVertexBuffer9,
// IDirect3DIndexBuffer9, IDirect3DTexture9) over com::ComObject. A COM object dies when its count reaches 0;
// its storage lives on while the device still has it bound, as Direct3D keeps its own hold on bound
// resources.
#pragma once

#include "com/com_object.h"
#include "d3dx9/d3dx9_device.h"
#include "d3d9/render_backend.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::d3d9 {

class Device;

// A buffer's content and the renderer's copy of it (null when the renderer gave none), which lives as long
// as the storage does, after the device if need be.
struct BufferStorage {
    BufferStorage(RenderBackend& backend, UINT length);
    // Sends bytes [offset, offset + size) of the content to the renderer's copy.
    void upload(UINT offset, UINT size);

    std::vector<std::uint8_t> bytes; // the buffer's content, as the program last wrote it
    D3DFORMAT index_format = D3DFMT_UNKNOWN;
    std::unique_ptr<BufferObject> object;
};

// A managed texture's levels live in the renderer's copy alone (null when the renderer gave none): the sizes
// are kept here, the pixels only while a level is locked, and for a renderer that can lose its copy
// (RenderBackend::can_lose_copies) every level uploaded, to make the copy again from.
struct TextureStorage {
    TextureStorage(RenderBackend& backend, D3DFORMAT fmt, UINT width, UINT height, UINT count);
    UINT level_count() const {
        return static_cast<UINT>(sizes.size());
    }
    // Sends a level's content to the renderer's copy.
    void upload(UINT level, const image::MipLevel& mip);

    struct Size {
        UINT width, height;
    };
    D3DFORMAT format;
    std::vector<Size> sizes;           // level 0 first
    std::vector<image::MipLevel> kept; // empty unless the renderer can lose its copy
    std::unique_ptr<TextureObject> object;
};

// The device link shared by every resource: each holds its device (com::Held) while it lives, and answers
// to IDirect3DResource9 as well as to its own interface.
template <typename Interface> class Resource : public com::ComObject<Interface> {
  public:
    HRESULT GetDevice(IDirect3DDevice9** device) override;

  protected:
    Resource(Device* device, const char* kind);
    ~Resource() override;
    // The interfaces of the resource's own kind (a buffer's, a texture's).
    virtual bool has_own_interface(REFIID riid) const = 0;
    com::Held<Device> device_;

  private:
    bool has_interface(REFIID riid) const final {
        return riid == IID_IDirect3DResource9 || has_own_interface(riid);
    }
};

// A vertex or an index buffer: the two differ only in their interface and, for index buffers, the index
// format.
template <typename Interface> class Buffer final : public Resource<Interface> {
  public:
    Buffer(Device* device, UINT length, D3DFORMAT index_format = D3DFMT_UNKNOWN);
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    const std::shared_ptr<BufferStorage>& storage() const {
        return storage_;
    }

  private:
    bool has_own_interface(REFIID riid) const override;
    std::shared_ptr<BufferStorage> storage_;
    UINT locks_ = 0;
    UINT dirty_begin_ = 0; // the bytes written under the current locks
    UINT dirty_end_ = 0;
};

using VertexBuffer = Buffer<IDirect3DVertexBuffer9>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9>;

class Texture final : public Resource<IDirect3DTexture9> {
  public:
    Texture(Device* device, D3DFORMAT format, UINT width, UINT height, UINT levels);
#ifdef PLATFORM_TEST_SEAMS
    DWORD GetLevelCount() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
#endif
    const std::shared_ptr<TextureStorage>& storage() const {
        return storage_;
    }

  private:
    bool has_own_interface(REFIID riid) const override;
    std::shared_ptr<TextureStorage> storage_;
#ifdef PLATFORM_TEST_SEAMS
    struct LockedLevel {
        image::MipLevel mip; // the level's pixels while it is locked
        bool is_locked = false;
        bool written = false;
    };
    std::vector<LockedLevel> locked_;
#endif
};

// The storage behind a texture interface made by this layer, or null for anything else.
std::shared_ptr<TextureStorage> texture_storage(IDirect3DBaseTexture9* texture);

} // namespace platform::d3d9
