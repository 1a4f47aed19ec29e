// PNG files for the texture loader in the web build, which has no libpng: decoded with stb_image behind our
// own header checks, to the same texels as the desktop's libpng reader (image_png_libpng.cpp): every colour
// type and bit depth, palettes and transparency chunks expanded to alpha, 16-bit channels scaled to 8 bits
// with libpng's rounding, interlacing undone, gamma and colour-profile chunks ignored. An RGBA, grey + alpha,
// or tRNS image becomes A8R8G8B8, anything else X8R8G8B8. Refused before stb_image sees them: a broken
// signature or header, sides beyond the limit, files too short to inflate to the image they claim, and an
// empty first image data chunk, and a critical chunk with a wrong CRC, which libpng refuses and stb_image
// does not check. Whatever follows the first run of image data chunks (an end chunk cut short or missing, a
// broken chunk, a critical chunk stb_image does not know) is passed over, as libpng passes it over (it
// stops at the image data's end): stb_image gets the file with a whole end chunk after that run, since it
// inflates the image data only when it reaches that chunk.
//
// The commonest kind of file, 8-bit grey, grey + alpha, RGB or RGBA without interlacing or a transparency
// chunk, is read without stb_image's whole-image buffers: stb_image holds the inflated rows and its output
// side by side (twice the texels for an RGBA image), and its output then beside the texels made from it.
// Here stb_image's inflater writes the rows into the tail of the texels' own storage, and each row is
// unfiltered and written as 0xAARRGGBB ahead of the rows still to be read, so that the image is held once.
// Any file this path does not take whole (another kind, an unknown critical chunk, image data that is short,
// long or corrupt, an unknown filter) goes to stb_image's own reading, which reads or refuses it as it does
// every other file.
#include "image/image_formats.h"

#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::image {
namespace {

bool chunk_is(Bytes b, std::size_t at, std::string_view type) {
    for (std::size_t i = 0; i < 4; ++i)
        if (b[at + 4 + i] != static_cast<std::uint8_t>(type[i]))
            return false;
    return true;
}

// Whether a tRNS chunk comes before the image data.
bool has_transparency_chunk(Bytes b) {
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        if (chunk_is(b, at, "IDAT") || chunk_is(b, at, "IEND"))
            return false;
        if (chunk_is(b, at, "tRNS"))
            return true;
        at += std::size_t{12} + u32be(b, at);
    }
    return false;
}

// Whether the first image data chunk is empty. libpng refuses such a file ("not enough image data"), and
// stb_image would copy that chunk from a null pointer (harmless, but undefined): refused here too.
bool first_data_chunk_empty(Bytes b) {
    std::size_t at = 8;
    while (at + 12 <= b.size() && !chunk_is(b, at, "IDAT"))
        at += std::size_t{12} + u32be(b, at);
    return at + 12 <= b.size() && u32be(b, at) == 0;
}

// Where the chunk at `at` ends, or past the file's end when its length runs beyond it.
std::size_t chunk_end(Bytes b, std::size_t at) {
    return at + 12 + std::size_t{u32be(b, at)};
}

// The file as libpng reads it, where stb_image would read it otherwise: libpng reads no further than the
// first run of image data chunks, so whatever follows it (an end chunk cut short or missing, a broken
// chunk, a critical chunk stb_image does not know, a later run of image data) is replaced by a whole end
// chunk. Nothing when a whole end chunk follows that run already, or when the file has no whole image data
// chunk (stb_image then refuses it, as libpng does).
std::vector<std::uint8_t> as_libpng_reads(Bytes b) {
    static constexpr std::uint8_t end_chunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    std::size_t at = 8;
    while (at + 12 <= b.size() && !chunk_is(b, at, "IDAT"))
        at = chunk_end(b, at);
    const std::size_t first = at;
    while (at + 12 <= b.size() && chunk_is(b, at, "IDAT") && chunk_end(b, at) <= b.size())
        at = chunk_end(b, at);
    if (at == first || (at + 12 <= b.size() && chunk_is(b, at, "IEND")))
        return {};
    std::vector<std::uint8_t> mended(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(at));
    mended.insert(mended.end(), std::begin(end_chunk), std::end(end_chunk));
    return mended;
}

// PNG's CRC-32 (of a chunk's type and data) by bytes.
constexpr std::array<std::uint32_t, 256> crc_table = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

// The first critical chunk libpng reads whose CRC is wrong: libpng refuses such a file, and stb_image does
// not look. libpng reads every chunk up to the end of the first run of image data chunks; of the ancillary
// ones among them it only drops a broken one, which changes nothing here but a transparency chunk's alpha.
std::string crc_problem(Bytes b) {
    std::size_t at = 8;
    bool data = false;
    while (at + 12 <= b.size() && chunk_end(b, at) <= b.size()) {
        const bool idat = chunk_is(b, at, "IDAT");
        if ((data && !idat) || chunk_is(b, at, "IEND"))
            break;
        data = data || idat;
        if ((b[at + 4] & 0x20) == 0) {
            std::uint32_t crc = 0xFFFFFFFFu;
            for (std::size_t i = at + 4; i < chunk_end(b, at) - 4; ++i)
                crc = crc_table[(crc ^ b[i]) & 0xFF] ^ (crc >> 8);
            if (~crc != u32be(b, chunk_end(b, at) - 4)) {
                const std::string type(b.begin() + static_cast<std::ptrdiff_t>(at + 4),
                                       b.begin() + static_cast<std::ptrdiff_t>(at + 8));
                const bool letters = std::all_of(type.begin(), type.end(), [](char c) {
                    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
                });
                return (letters ? type : "a chunk of no valid type") + ": CRC error";
            }
        }
        at = chunk_end(b, at);
    }
    return {};
}

// The bytes of the image data chunks of a file this reader's in-place path takes, one after another: only
// IHDR, IDAT, IEND and ancillary chunks other than tRNS, each whole within the file, IEND last. Nothing for
// any other file, which stb_image then reads or refuses itself.
std::optional<std::vector<std::uint8_t>> plain_image_data(Bytes b) {
    std::vector<std::uint8_t> data;
    std::size_t at = 8 + 25; // after the header chunk, which decode_png has checked
    while (at + 12 <= b.size()) {
        const std::size_t length = u32be(b, at);
        if (length > b.size() - at - 12)
            return std::nullopt;
        if (chunk_is(b, at, "IEND"))
            return data;
        if (chunk_is(b, at, "IDAT"))
            data.insert(data.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 8),
                        b.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        else if ((b[at + 4] & 0x20) == 0 || chunk_is(b, at, "tRNS")) // critical, or alpha from a key
            return std::nullopt;
        at += 12 + length;
    }
    return std::nullopt;
}

// One row unfiltered (PNG's filter types 0 to 4 over bytes `bpp` apart), from the filtered bytes `raw` and
// the row above, `prior` (zeros above the first row).
bool unfilter_row(std::uint8_t filter, const std::uint8_t* raw, const std::vector<std::uint8_t>& prior,
                  std::vector<std::uint8_t>& cur, std::size_t bpp) {
    const std::size_t n = cur.size();
    switch (filter) {
    case 0:
        std::copy(raw, raw + n, cur.begin());
        return true;
    case 1:
        for (std::size_t k = 0; k < n; ++k)
            cur[k] = static_cast<std::uint8_t>(raw[k] + (k >= bpp ? cur[k - bpp] : 0));
        return true;
    case 2:
        for (std::size_t k = 0; k < n; ++k)
            cur[k] = static_cast<std::uint8_t>(raw[k] + prior[k]);
        return true;
    case 3:
        for (std::size_t k = 0; k < n; ++k)
            cur[k] = static_cast<std::uint8_t>(raw[k] + ((prior[k] + (k >= bpp ? cur[k - bpp] : 0)) >> 1));
        return true;
    case 4:
        for (std::size_t k = 0; k < n; ++k) {
            const int a = k >= bpp ? cur[k - bpp] : 0;
            const int up = prior[k];
            const int c = k >= bpp ? prior[k - bpp] : 0;
            const int p = a + up - c;
            const int pa = std::abs(p - a), pb = std::abs(p - up), pc = std::abs(p - c);
            const int predicted = pa <= pb && pa <= pc ? a : pb <= pc ? up : c;
            cur[k] = static_cast<std::uint8_t>(raw[k] + predicted);
        }
        return true;
    default:
        return false;
    }
}

// The in-place path (see the top of the file) for an 8-bit, non-interlaced image of `channels` channels
// (1 grey, 2 grey + alpha, 3 RGB, 4 RGBA); nothing when the file is not one it takes whole.
//
// The storage holds max(4 w h, (channels w + 1) h) bytes, and the inflated rows fill its last bytes: row
// y + 1 of them starts at size - (channels w + 1) (h - y - 1), which is at least 4 w (y + 1), where row y of
// texels ends (for 1 to 3 channels 4 w >= channels w + 1 and size >= 4 w h; for 4, size = (4 w + 1) h). So
// writing a row's texels never reaches a row not yet read.
std::optional<DecodedImage> decode_in_place(Bytes b, std::uint32_t width, std::uint32_t height,
                                            unsigned channels) {
    const std::optional<std::vector<std::uint8_t>> data = plain_image_data(b);
    if (!data || data->empty())
        return std::nullopt;
    const std::size_t row_bytes = std::size_t{width} * channels;
    const std::size_t inflated = (row_bytes + 1) * height; // within an int, as the sides are bounded
    const std::size_t texels = std::size_t{width} * height;
    std::vector<std::uint32_t> pixels((std::max(texels * 4, inflated) + 3) / 4);
    auto* const storage = reinterpret_cast<std::uint8_t*>(pixels.data());
    const std::size_t start = pixels.size() * 4 - inflated;
    // stb_image's inflater as stb_image runs it for a PNG, but into storage of exactly the rows' size: a
    // stream that gives more or less than that is left to stb_image's own reading.
    if (stbi_zlib_decode_buffer(reinterpret_cast<char*>(storage + start), static_cast<int>(inflated),
                                reinterpret_cast<const char*>(data->data()),
                                static_cast<int>(data->size())) != static_cast<int>(inflated))
        return std::nullopt;
    std::vector<std::uint8_t> prior(row_bytes, 0), cur(row_bytes);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint8_t* raw = storage + start + y * (row_bytes + 1);
        if (!unfilter_row(raw[0], raw + 1, prior, cur, channels))
            return std::nullopt;
        // Grey (1, 2 channels) or red, green, blue (3, 4), then alpha (2, 4).
        std::uint32_t* const row = pixels.data() + std::size_t{y} * width;
        const std::size_t colour = channels < 3 ? 0 : 1;
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint8_t* p = cur.data() + std::size_t{x} * channels;
            row[x] = argb(channels % 2 == 0 ? p[channels - 1] : 0xFF, p[0], p[colour], p[2 * colour]);
        }
        prior.swap(cur);
    }
    pixels.resize(texels); // keeps the storage: no second copy, not even for a moment
    const D3DFORMAT format = channels % 2 == 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    return DecodedImage{D3D_OK, {}, format, {width, height, std::move(pixels)}};
}

} // namespace

DecodedImage decode_png(Bytes b) {
    if (b.size() < 33 || u32be(b, 8) != 13 || !chunk_is(b, 8, "IHDR"))
        return invalid("PNG: the file ends inside its header");
    const std::uint32_t width = u32be(b, 16);
    const std::uint32_t height = u32be(b, 20);
    const unsigned depth = b[24];
    const unsigned colour = b[25];
    if (const std::string problem = size_problem(width, height); !problem.empty())
        return invalid("PNG: " + problem);
    // Grey, no type 1, RGB, palette, grey + alpha, no type 5, RGBA.
    static constexpr unsigned channels_of[7] = {1, 0, 3, 1, 2, 0, 4};
    const unsigned channels = colour < 7 ? channels_of[colour] : 0;
    if (channels == 0)
        return invalid("PNG: invalid colour type");
    const bool depth_ok = (depth == 8) || (depth == 16 && colour != 3) ||
                          ((depth == 1 || depth == 2 || depth == 4) && (colour == 0 || colour == 3));
    if (!depth_ok || b[26] != 0 || b[27] != 0 || b[28] > 1)
        return invalid("PNG: invalid header");
    const std::uint64_t row_bytes = (std::uint64_t{width} * channels * depth + 7) / 8;
    if ((row_bytes + 1) * height > max_inflate_ratio * b.size())
        return invalid("PNG: the file is too short to hold " + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels");
    const bool alpha = (colour & 4) != 0 || has_transparency_chunk(b);
    if (first_data_chunk_empty(b))
        return invalid("PNG: the first image data chunk is empty");

    if (const std::string problem = crc_problem(b); !problem.empty())
        return invalid("PNG: " + problem);
    const std::vector<std::uint8_t> mended = as_libpng_reads(b);
    if (!mended.empty())
        b = mended;
    if (depth == 8 && colour != 3 && b[28] == 0)
        if (std::optional<DecodedImage> read = decode_in_place(b, width, height, channels))
            return std::move(*read);
    // stb_image's RGBA samples of 8 or 16 bits as texels, the 16-bit ones scaled to the nearest 8-bit
    // value as libpng's png_set_scale_16 scales them.
    const auto texels = [&](const auto* samples, auto scale) {
        if (samples == nullptr) {
            // stb_image names an unknown critical chunk by its type, which is empty when it starts with a 0.
            const char* const reason = stbi_failure_reason();
            const bool named = reason != nullptr && *reason != '\0';
            return invalid(std::string("PNG: ") + (named ? reason : "a critical chunk of an unknown type"));
        }
        DecodedImage out = blank_image(width, height, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8);
        for (std::size_t i = 0; i < out.image.pixels.size(); ++i) {
            const auto* p = samples + i * 4;
            out.image.pixels[i] = argb(alpha ? scale(p[3]) : 0xFF, scale(p[0]), scale(p[1]), scale(p[2]));
        }
        return out;
    };
    int w = 0, h = 0, n = 0;
    if (depth == 16) {
        const std::unique_ptr<stbi_us, void (*)(void*)> samples(
            stbi_load_16_from_memory(b.data(), static_cast<int>(b.size()), &w, &h, &n, 4), stbi_image_free);
        return texels(samples.get(), [](stbi_us v) { return (std::uint32_t{v} * 255u + 32895u) >> 16; });
    }
    const std::unique_ptr<stbi_uc, void (*)(void*)> samples(
        stbi_load_from_memory(b.data(), static_cast<int>(b.size()), &w, &h, &n, 4), stbi_image_free);
    return texels(samples.get(), [](stbi_uc v) { return std::uint32_t{v}; });
}

} // namespace platform::image
