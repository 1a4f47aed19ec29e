// JPEG files for the texture loader in the web build, which has no libjpeg: decoded with stb_image behind
// our own header checks, as X8R8G8B8. Baseline and progressive, grey, YCbCr and RGB. Sides beyond the
// limit are refused from the frame header before stb_image decodes anything. stb_image's inverse DCT and
// chroma upsampling are its own, so a JPEG's texels may differ by a step or two from the desktop build's
// libjpeg-turbo.
#include "image_formats.h"

#include <stb_image.h>

#include <climits>

namespace platform::d3dx9 {

DecodedImage decode_jpeg(Bytes b) {
    if (b.size() > static_cast<std::size_t>(INT_MAX))
        return invalid("JPEG: file too large");
    int width = 0, height = 0, components = 0;
    // (stb_image tries every format it has on a header it cannot read, so its reason is not the JPEG's.)
    if (stbi_info_from_memory(b.data(), static_cast<int>(b.size()), &width, &height, &components) == 0)
        return invalid("JPEG: the header cannot be read");
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("JPEG: " + problem);
    // The first scan of each component covers all its blocks and spends at least one bit on each, so a file
    // of n bytes holds at most 8 n blocks of its smallest component, which has at least a sixteenth of the
    // 8 x 8 blocks of the whole image (chroma subsampled at most 4 x 4).
    const std::uint64_t blocks = ((std::uint64_t(width) + 7) / 8) * ((std::uint64_t(height) + 7) / 8) / 16;
    if (blocks > 8 * std::uint64_t{b.size()})
        return invalid("JPEG: the file is too short to hold " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels");
    int w = 0, h = 0, n = 0;
    stbi_uc* const data = stbi_load_from_memory(b.data(), static_cast<int>(b.size()), &w, &h, &n, 4);
    if (data == nullptr)
        return invalid(std::string("JPEG: ") + stbi_failure_reason());
    DecodedImage out;
    if (w == width && h == height) {
        out = blank_image(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), D3DFMT_X8R8G8B8);
        for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
            const stbi_uc* p = data + i * 4;
            out.image.pixels[i] = argb(0xFF, p[0], p[1], p[2]);
        }
    } else {
        out = invalid("JPEG: unexpected image size");
    }
    stbi_image_free(data);
    return out;
}

} // namespace platform::d3dx9
