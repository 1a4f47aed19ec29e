// The web host's copies of texture levels (host.h's keep_texture_level, kept_texture_level, forget_texture
// on the browser's JavaScript heap): the browser may lose the WebGL context and with it every texture, and
// the renderer makes them again from these. Each level is copied out of the wasm heap into an array of its
// own, so the heap, which never shrinks, holds no second copy of a large texture.
#include "host/host.h"

#include <emscripten.h>

namespace platform::host {

namespace {

EM_JS(void, keep_level_js, (unsigned texture, unsigned level, const void* pixels, unsigned bytes), {
    const kept = Module.keptTextureLevels || (Module.keptTextureLevels = new Map());
    let levels = kept.get(texture);
    if (!levels) {
        levels = [];
        kept.set(texture, levels);
    }
    const at = pixels >>> 0;
    levels[level] = HEAPU8.slice(at, at + (bytes >>> 0));
});

EM_JS(int, kept_level_js, (unsigned texture, unsigned level, void* pixels, unsigned bytes), {
    const levels = Module.keptTextureLevels && Module.keptTextureLevels.get(texture);
    const copy = levels && levels[level];
    if (!copy || !(copy.length == (bytes >>> 0)))
        return 0;
    HEAPU8.set(copy, pixels >>> 0);
    return 1;
});

EM_JS(void, forget_texture_js, (unsigned texture), {
    if (Module.keptTextureLevels)
        Module.keptTextureLevels.delete(texture);
});

} // namespace

void keep_texture_level(unsigned texture, unsigned level, unsigned width, unsigned height,
                        const std::uint32_t* pixels) {
    keep_level_js(texture, level, pixels, width * height * 4);
}

bool kept_texture_level(unsigned texture, unsigned level, unsigned width, unsigned height,
                        std::uint32_t* pixels) {
    return kept_level_js(texture, level, pixels, width * height * 4) != 0;
}

void forget_texture(unsigned texture) {
    forget_texture_js(texture);
}

} // namespace platform::host
