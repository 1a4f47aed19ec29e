// What the image readers share (image_formats.h): a failed result with its reason, the size check every
// reader makes before it allocates, the blank image it fills, a float channel as a byte, and a channel
// through a bit mask.
#include "image/image_formats.h"

#include <bit>
#include <cmath>

namespace platform::image {

DecodedImage failure(HRESULT result, std::string error) {
    return DecodedImage{result, std::move(error), D3DFMT_UNKNOWN, {}};
}

std::string size_problem(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0 || width > max_image_side || height > max_image_side)
        return "image of " + std::to_string(width) + " x " + std::to_string(height) + " exceeds " +
               std::to_string(max_image_side) + " pixels a side or is empty";
    return {};
}

DecodedImage blank_image(std::uint64_t width, std::uint64_t height, D3DFORMAT format) {
    return DecodedImage{
        D3D_OK,
        {},
        format,
        {static_cast<UINT>(width), static_cast<UINT>(height), std::vector<std::uint32_t>(width * height)}};
}

std::uint8_t unit_to_byte(float value) {
    if (!(value > 0.0f)) // also NaN
        return 0;
    if (value >= 1.0f)
        return 255;
    return static_cast<std::uint8_t>(std::lround(value * 255.0f));
}

std::uint32_t masked_channel(std::uint32_t pixel, std::uint32_t mask) {
    const int shift = std::countr_zero(mask);
    const std::uint64_t top = mask >> shift;
    return static_cast<std::uint32_t>((std::uint64_t{(pixel & mask) >> shift} * 255 + top / 2) / top);
}

} // namespace platform::image
