// IDirect3DTexture9 (managed pool, A8R8G8B8 or X8R8G8B8) over the renderer's texture storage holding the
// whole mip chain, and d3dx9::create_texture and d3dx9::fill_texture_level, through which the D3DX texture
// loader makes textures and fills them level by level: a level 0 wider or taller than the renderer's largest
// texture side fails with D3DERR_INVALIDCALL, as a size beyond the device's caps does. The renderer's copy is
// the only one kept, but where the renderer can lose it, which it then makes again from the levels kept here;
// with the test seams, LockRect reads a level back from it.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"

#include <algorithm>

namespace platform::d3d9 {

TextureStorage::TextureStorage(RenderBackend& backend, D3DFORMAT fmt, UINT width, UINT height, UINT count)
    : format(fmt), kept(backend.can_lose_copies() ? count : 0),
      object(backend.create_texture(format, width, height, count, kept)) {
    for (UINT i = 0; i < count; ++i)
        sizes.push_back({std::max(1u, width >> i), std::max(1u, height >> i)});
}

void TextureStorage::upload(UINT level, const image::MipLevel& mip) {
    if (level >= sizes.size())
        return;
    if (!kept.empty())
        kept[level] = mip;
    if (object)
        object->upload(level, mip);
}

Texture::Texture(Device* device, D3DFORMAT format, UINT width, UINT height, UINT levels)
    : Resource(device, "Texture"),
      storage_(std::make_shared<TextureStorage>(device->backend(), format, width, height, levels)) {
#ifdef PLATFORM_TEST_SEAMS
    locked_.resize(levels);
#endif
}

bool Texture::has_own_interface(REFIID riid) const {
    return riid == IID_IDirect3DTexture9 || riid == IID_IDirect3DBaseTexture9;
}

#ifdef PLATFORM_TEST_SEAMS
// The getters only tests call: the levels' count and sizes, and a whole level as the renderer holds it,
// read back into a copy that lives while the level is locked; UnlockRect sends it to the renderer again
// unless it was locked read-only.
DWORD Texture::GetLevelCount() {
    trace::call("GetLevelCount", static_cast<IDirect3DTexture9*>(this));
    return storage_->level_count();
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    trace::call("GetLevelDesc", static_cast<IDirect3DTexture9*>(this), level);
    if (desc == nullptr || level >= storage_->level_count())
        return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = storage_->format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Pool = D3DPOOL_MANAGED;
    desc->Width = storage_->sizes[level].width;
    desc->Height = storage_->sizes[level].height;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    trace::call("LockRect", static_cast<IDirect3DTexture9*>(this), level, RectPtr{rect}, flags);
    if (locked == nullptr || rect != nullptr || level >= storage_->level_count() || locked_[level].is_locked)
        return D3DERR_INVALIDCALL;
    LockedLevel& held = locked_[level];
    held.mip = {storage_->sizes[level].width, storage_->sizes[level].height, {}};
    held.mip.pixels.assign(std::size_t{held.mip.width} * held.mip.height, 0);
    if (storage_->object)
        storage_->object->read_back(level, held.mip);
    held.is_locked = true;
    held.written = (flags & D3DLOCK_READONLY) == 0;
    locked->Pitch = static_cast<INT>(held.mip.width * 4);
    locked->pBits = held.mip.pixels.data();
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    trace::call("UnlockRect", static_cast<IDirect3DTexture9*>(this), level);
    if (level >= storage_->level_count() || !locked_[level].is_locked)
        return D3DERR_INVALIDCALL;
    if (locked_[level].written)
        storage_->upload(level, locked_[level].mip);
    locked_[level] = LockedLevel{};
    return D3D_OK;
}
#endif

std::shared_ptr<TextureStorage> texture_storage(IDirect3DBaseTexture9* texture) {
    auto* const ours = dynamic_cast<Texture*>(texture);
    return ours != nullptr ? ours->storage() : nullptr;
}

} // namespace platform::d3d9

// D3DX's device seam (d3dx9/d3dx9_device.h) on this device.
namespace platform {

UINT d3dx9::max_texture_side(IDirect3DDevice9* device) {
    auto* const owner = dynamic_cast<d3d9::Device*>(device);
    return owner != nullptr ? owner->backend().max_texture_side() : 0;
}

HRESULT d3dx9::create_texture(IDirect3DDevice9* device, D3DFORMAT format, UINT width, UINT height,
                              UINT levels, IDirect3DTexture9** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    auto* const owner = dynamic_cast<d3d9::Device*>(device);
    if (owner == nullptr || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) || width == 0 ||
        height == 0 || levels == 0 || levels > 32 || (std::max(width, height) >> (levels - 1)) == 0)
        return D3DERR_INVALIDCALL; // (a chain goes no further than 1 x 1)
    const UINT limit = d3dx9::max_texture_side(device);
    if (limit != 0 && (width > limit || height > limit))
        return D3DERR_INVALIDCALL;
    *texture = new d3d9::Texture(owner, format, width, height, levels);
    return D3D_OK;
}

HRESULT d3dx9::fill_texture_level(IDirect3DTexture9* texture, UINT level, const image::MipLevel& mip) {
    const std::shared_ptr<d3d9::TextureStorage> storage = d3d9::texture_storage(texture);
    if (!storage || level >= storage->level_count() || mip.width != storage->sizes[level].width ||
        mip.height != storage->sizes[level].height ||
        mip.pixels.size() != static_cast<size_t>(mip.width) * static_cast<size_t>(mip.height))
        return D3DERR_INVALIDCALL;
    storage->upload(level, mip);
    return D3D_OK;
}

} // namespace platform
