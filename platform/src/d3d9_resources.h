// The Direct3D 9 objects other than the device: the GL context they share, the GL storage behind vertex
// buffers, index buffers and textures, and the COM objects the program holds (IDirect3DVertexBuffer9,
// IDirect3DIndexBuffer9, IDirect3DTexture9) over com::ComObject. A COM object dies when its count reaches 0;
// its storage lives on while the device still has it bound, as Direct3D keeps its own hold on bound
// resources.
#pragma once

#include "com_object.h"
#include "d3d9_internal.h"

#include <epoxy/gl.h>
#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::d3d9 {

class Device;

// The device's GL context. Owned jointly by the device and every storage made on it, so that GL names are
// deleted while the context exists; GL calls are skipped once the window (and with it the drawable) is gone.
class GlContext {
  public:
    GlContext(HWND window, SDL_GLContext context) : window_(window), context_(context) {}
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // Makes the context current; false when its window no longer exists.
    bool make_current();
    HWND window() const {
        return window_;
    }

  private:
    HWND window_;
    SDL_GLContext context_;
};

struct BufferStorage {
    BufferStorage(std::shared_ptr<GlContext> context, GLenum gl_target, UINT length);
    ~BufferStorage();
    BufferStorage(const BufferStorage&) = delete;
    BufferStorage& operator=(const BufferStorage&) = delete;
    // Copies bytes [offset, offset + size) of the CPU copy to the GL buffer.
    void upload(UINT offset, UINT size);

    std::shared_ptr<GlContext> gl;
    GLenum target;
    GLuint name = 0;
    std::vector<std::uint8_t> bytes; // the buffer's content, as the program last wrote it
    D3DFORMAT index_format = D3DFMT_UNKNOWN;
    // Unique among all buffers and renewed by every Unlock, so that facts cached about a content expire
    // even when a new buffer takes the address of one that is gone.
    std::uint64_t version = 0;
};

struct TextureStorage {
    TextureStorage(std::shared_ptr<GlContext> context, D3DFORMAT fmt, std::vector<MipLevel> mips);
    ~TextureStorage();
    TextureStorage(const TextureStorage&) = delete;
    TextureStorage& operator=(const TextureStorage&) = delete;
    void upload(UINT level);

    std::shared_ptr<GlContext> gl;
    D3DFORMAT format;
    std::vector<MipLevel> levels;
    GLuint name = 0;
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

// A vertex or an index buffer: the two differ only in their interface, their GL target and, for index
// buffers, the index format.
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
    Texture(Device* device, D3DFORMAT format, std::vector<MipLevel> levels);
    DWORD GetLevelCount() override;
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    const std::shared_ptr<TextureStorage>& storage() const {
        return storage_;
    }

  private:
    bool has_own_interface(REFIID riid) const override;
    std::shared_ptr<TextureStorage> storage_;
    std::vector<bool> locked_;
    std::vector<bool> written_;
};

// The storage behind a texture interface made by this layer, or null for anything else.
std::shared_ptr<TextureStorage> texture_storage(IDirect3DBaseTexture9* texture);

} // namespace platform::d3d9
