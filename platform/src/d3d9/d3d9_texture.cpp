// IDirect3DTexture9 (managed pool, A8R8G8B8 or X8R8G8B8) over the renderer's texture storage holding the
// whole mip chain, and create_texture and fill_texture_level, through which the D3DX texture loader makes
// textures and fills them level by level: a level 0 wider or taller than the renderer's largest texture side
// fails with D3DERR_INVALIDCALL, as a size beyond the device's caps does. The renderer's copy is the only
// one kept (but where the renderer can lose it, which it then makes again from the levels kept here):
// LockRect reads the level back from the renderer into a copy that lives while the level is locked, and
// UnlockRect sends it to the renderer again unless it was locked read-only.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"

#include <platform_test.h>

#include <algorithm>

namespace platform::d3d9 {

TextureStorage::TextureStorage(RenderBackend& backend, D3DFORMAT fmt, UINT width, UINT height, UINT count)
    : format(fmt), uploaded(count, false), kept(backend.can_lose_copies() ? count : 0),
      object(backend.create_texture(format, width, height, count, kept)) {
    for (UINT i = 0; i < count; ++i)
        sizes.push_back({std::max(1u, width >> i), std::max(1u, height >> i)});
}

void TextureStorage::upload(UINT level, const MipLevel& mip) {
    if (level >= sizes.size())
        return;
    uploaded[level] = true;
    if (!kept.empty())
        kept[level] = mip;
    if (object)
        object->upload(level, mip);
}

MipLevel TextureStorage::read(UINT level) const {
    MipLevel mip{sizes[level].width, sizes[level].height, {}};
    if (object && uploaded[level])
        object->read_back(level, mip);
    else
        mip.pixels.assign(std::size_t{mip.width} * mip.height, 0);
    return mip;
}

Texture::Texture(Device* device, D3DFORMAT format, UINT width, UINT height, UINT levels)
    : Resource(device, "Texture"),
      storage_(std::make_shared<TextureStorage>(device->backend(), format, width, height, levels)),
      locked_(levels), is_locked_(levels, false), written_(levels, false) {}

bool Texture::has_own_interface(REFIID riid) const {
    return riid == IID_IDirect3DTexture9 || riid == IID_IDirect3DBaseTexture9;
}

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
    desc->Usage = 0;
    desc->Pool = D3DPOOL_MANAGED;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = storage_->sizes[level].width;
    desc->Height = storage_->sizes[level].height;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    trace::call("LockRect", static_cast<IDirect3DTexture9*>(this), level, RectPtr{rect}, flags);
    if (locked == nullptr || level >= storage_->level_count() || is_locked_[level])
        return D3DERR_INVALIDCALL;
    const TextureStorage::Size size = storage_->sizes[level];
    LONG left = 0;
    LONG top = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            static_cast<UINT>(rect->right) > size.width || static_cast<UINT>(rect->bottom) > size.height)
            return D3DERR_INVALIDCALL;
        left = rect->left;
        top = rect->top;
    }
    MipLevel& mip = locked_[level];
    mip = storage_->read(level);
    is_locked_[level] = true;
    written_[level] = (flags & D3DLOCK_READONLY) == 0;
    locked->Pitch = static_cast<INT>(mip.width * 4);
    locked->pBits = mip.pixels.data() + static_cast<size_t>(top) * mip.width + static_cast<size_t>(left);
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    trace::call("UnlockRect", static_cast<IDirect3DTexture9*>(this), level);
    if (level >= storage_->level_count() || !is_locked_[level])
        return D3DERR_INVALIDCALL;
    is_locked_[level] = false;
    if (written_[level])
        storage_->upload(level, locked_[level]);
    written_[level] = false;
    locked_[level] = MipLevel{};
    return D3D_OK;
}

UINT max_texture_side(IDirect3DDevice9* device) {
    auto* const owner = dynamic_cast<Device*>(device);
    return owner != nullptr ? owner->backend().max_texture_side() : 0;
}

std::shared_ptr<TextureStorage> texture_storage(IDirect3DBaseTexture9* texture) {
    auto* const ours = dynamic_cast<Texture*>(texture);
    return ours != nullptr ? ours->storage() : nullptr;
}

HRESULT create_texture(IDirect3DDevice9* device, D3DFORMAT format, UINT width, UINT height, UINT levels,
                       IDirect3DTexture9** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    auto* const owner = dynamic_cast<Device*>(device);
    if (owner == nullptr || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) || width == 0 ||
        height == 0 || levels == 0 || levels > 32 || (std::max(width, height) >> (levels - 1)) == 0)
        return D3DERR_INVALIDCALL; // (a chain goes no further than 1 x 1)
    const UINT limit = max_texture_side(device);
    if (limit != 0 && (width > limit || height > limit))
        return D3DERR_INVALIDCALL;
    if (test::should_fail("CreateTexture"))
        return D3DERR_OUTOFVIDEOMEMORY;
    *texture = new Texture(owner, format, width, height, levels);
    return D3D_OK;
}

HRESULT fill_texture_level(IDirect3DTexture9* texture, UINT level, const MipLevel& mip) {
    const std::shared_ptr<TextureStorage> storage = texture_storage(texture);
    if (!storage || level >= storage->level_count() || mip.width != storage->sizes[level].width ||
        mip.height != storage->sizes[level].height ||
        mip.pixels.size() != static_cast<size_t>(mip.width) * static_cast<size_t>(mip.height))
        return D3DERR_INVALIDCALL;
    storage->upload(level, mip);
    return D3D_OK;
}

} // namespace platform::d3d9
