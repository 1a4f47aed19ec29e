// IDirect3DTexture9 (managed pool, A8R8G8B8 or X8R8G8B8) over the renderer's texture storage holding the
// whole mip chain, and create_texture, through which the D3DX texture loader makes textures: a level 0 wider
// or taller than the renderer's largest texture side fails with D3DERR_INVALIDCALL, as a size beyond the
// device's caps does. LockRect hands out the CPU copy of a level; UnlockRect sends it to the renderer again
// unless it was locked read-only.
#include "d3d9/d3d9_device.h"
#include "d3d9/d3d9_trace.h"

#include <platform_test.h>

#include <algorithm>

namespace platform::d3d9 {

TextureStorage::TextureStorage(RenderBackend& backend, D3DFORMAT fmt, std::vector<MipLevel> mips)
    : format(fmt), levels(std::move(mips)), object(backend.create_texture(format, levels)) {}

void TextureStorage::upload(UINT level) {
    if (object && level < levels.size())
        object->upload(level, levels[level]);
}

Texture::Texture(Device* device, D3DFORMAT format, std::vector<MipLevel> levels)
    : Resource(device, "Texture"),
      storage_(std::make_shared<TextureStorage>(device->backend(), format, std::move(levels))),
      locked_(storage_->levels.size(), false), written_(storage_->levels.size(), false) {}

bool Texture::has_own_interface(REFIID riid) const {
    return riid == IID_IDirect3DTexture9 || riid == IID_IDirect3DBaseTexture9;
}

DWORD Texture::GetLevelCount() {
    trace::call("GetLevelCount", static_cast<IDirect3DTexture9*>(this));
    return static_cast<DWORD>(storage_->levels.size());
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    trace::call("GetLevelDesc", static_cast<IDirect3DTexture9*>(this), level);
    if (desc == nullptr || level >= storage_->levels.size())
        return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = storage_->format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = 0;
    desc->Pool = D3DPOOL_MANAGED;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = storage_->levels[level].width;
    desc->Height = storage_->levels[level].height;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    trace::call("LockRect", static_cast<IDirect3DTexture9*>(this), level, RectPtr{rect}, flags);
    if (locked == nullptr || level >= storage_->levels.size() || locked_[level])
        return D3DERR_INVALIDCALL;
    MipLevel& mip = storage_->levels[level];
    LONG left = 0;
    LONG top = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            static_cast<UINT>(rect->right) > mip.width || static_cast<UINT>(rect->bottom) > mip.height)
            return D3DERR_INVALIDCALL;
        left = rect->left;
        top = rect->top;
    }
    locked_[level] = true;
    written_[level] = (flags & D3DLOCK_READONLY) == 0;
    locked->Pitch = static_cast<INT>(mip.width * 4);
    locked->pBits = mip.pixels.data() + static_cast<size_t>(top) * mip.width + static_cast<size_t>(left);
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    trace::call("UnlockRect", static_cast<IDirect3DTexture9*>(this), level);
    if (level >= storage_->levels.size() || !locked_[level])
        return D3DERR_INVALIDCALL;
    locked_[level] = false;
    if (written_[level])
        storage_->upload(level);
    written_[level] = false;
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

HRESULT create_texture(IDirect3DDevice9* device, D3DFORMAT format, std::vector<MipLevel> levels,
                       IDirect3DTexture9** texture) {
    if (texture == nullptr)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    auto* const owner = dynamic_cast<Device*>(device);
    if (owner == nullptr || (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) || levels.empty())
        return D3DERR_INVALIDCALL;
    // Each level half the size of the one before (at least 1), with all its pixels.
    for (size_t i = 0; i < levels.size(); ++i) {
        const MipLevel& mip = levels[i];
        if (mip.width == 0 || mip.height == 0 ||
            mip.pixels.size() != static_cast<size_t>(mip.width) * static_cast<size_t>(mip.height))
            return D3DERR_INVALIDCALL;
        if (i > 0 && (mip.width != std::max(1u, levels[i - 1].width / 2) ||
                      mip.height != std::max(1u, levels[i - 1].height / 2)))
            return D3DERR_INVALIDCALL;
    }
    const UINT limit = max_texture_side(device);
    if (limit != 0 && (levels[0].width > limit || levels[0].height > limit))
        return D3DERR_INVALIDCALL;
    if (test::should_fail("CreateTexture"))
        return D3DERR_OUTOFVIDEOMEMORY;
    *texture = new Texture(owner, format, std::move(levels));
    return D3D_OK;
}

} // namespace platform::d3d9
