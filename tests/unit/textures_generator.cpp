// The texture generator (tools/make_textures): it reproduces the committed assets byte for byte, and the
// files are what the viewer expects: tex_fur.png an RGBA PNG of at least 256 x 256, mostly opaque, in
// browns and greys; bump.bmp an uncompressed 24-bit BMP whose pixels are grey.
#include "child_process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kGenerator = std::string(BUILD_DIR) + "/tools/make_textures";
const std::string kAssets = std::string(SOURCE_DIR) + "/assets";

std::vector<std::uint8_t> read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t big_endian32(const std::vector<std::uint8_t>& b, size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 |
           b[at + 3];
}

std::uint32_t little_endian32(const std::vector<std::uint8_t>& b, size_t at) {
    return std::uint32_t{b[at + 3]} << 24 | std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 1]} << 8 |
           b[at];
}

std::uint16_t little_endian16(const std::vector<std::uint8_t>& b, size_t at) {
    return static_cast<std::uint16_t>(b[at + 1] << 8 | b[at]);
}

struct Decoded {
    int width = 0;
    int height = 0;
    std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> pixels{nullptr, stbi_image_free};
};

// Decodes to 4 channels, whatever the file holds.
Decoded decode_rgba(const std::vector<std::uint8_t>& file) {
    Decoded d;
    int channels = 0;
    d.pixels.reset(
        stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &d.width, &d.height, &channels, 4));
    return d;
}

class TextureGenerator : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kGenerator)) << kGenerator << " is not built (target make_textures)";
        std::string pattern = (fs::temp_directory_path() / "textures-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        out_ = pattern;
    }
    void TearDown() override {
        if (!out_.empty()) {
            fs::remove_all(out_);
        }
    }
    int generate(const std::string& dir) const {
        return support::run_command(support::shell_quote(kGenerator) + " " + support::shell_quote(dir) +
                                    " 2>/dev/null")
            .exit_code;
    }
    fs::path out_;
};

TEST_F(TextureGenerator, ReproducesTheCommittedAssetsByteForByte) {
    ASSERT_EQ(generate(out_.string()), 0);
    for (const char* name : {"tex_fur.png", "bump.bmp"}) {
        const auto made = read_bytes(out_ / name);
        const auto committed = read_bytes(fs::path(kAssets) / name);
        ASSERT_FALSE(committed.empty()) << "assets/" << name << " is missing";
        EXPECT_TRUE(made == committed)
            << name << " differs from the committed file: run make_textures assets";
    }
}

TEST_F(TextureGenerator, ReportsAnOutputFolderItCannotWriteTo) {
    EXPECT_EQ(generate((out_ / "no" / "such" / "folder").string()), 1);
    EXPECT_NE(support::run_command(support::shell_quote(kGenerator) + " 2>/dev/null").exit_code, 0);
}

TEST(CommittedTextures, FurIsAMostlyOpaqueRgbaPngInBrownsAndGreys) {
    const auto file = read_bytes(fs::path(kAssets) / "tex_fur.png");
    ASSERT_GE(file.size(), 33u);
    const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));
    // IHDR: width, height, bit depth 8, colour type 6 (RGBA).
    ASSERT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR");
    EXPECT_GE(big_endian32(file, 16), 256u);
    EXPECT_GE(big_endian32(file, 20), 256u);
    EXPECT_EQ(file[24], 8);
    EXPECT_EQ(file[25], 6);

    const Decoded image = decode_rgba(file);
    ASSERT_NE(image.pixels, nullptr) << stbi_failure_reason();
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    double red = 0, green = 0, blue = 0;
    int min_alpha = 255;
    size_t distinct_neighbours = 0;
    for (size_t i = 0; i < count; ++i) {
        const stbi_uc* p = image.pixels.get() + i * 4;
        red += p[0];
        green += p[1];
        blue += p[2];
        min_alpha = std::min<int>(min_alpha, p[3]);
        distinct_neighbours += (i > 0 && p[0] != p[-4]) ? 1 : 0;
    }
    EXPECT_GE(min_alpha, 200);
    // Warm: red over green over blue on average, and neither black nor white.
    EXPECT_GT(red, green);
    EXPECT_GT(green, blue);
    EXPECT_GT(red / static_cast<double>(count), 60.0);
    EXPECT_LT(red / static_cast<double>(count), 200.0);
    // Fine detail: most neighbouring pixels differ.
    EXPECT_GT(distinct_neighbours, count / 2);
}

TEST(CommittedTextures, BumpIsAnUncompressed24BitGreyBmp) {
    const auto file = read_bytes(fs::path(kAssets) / "bump.bmp");
    ASSERT_GE(file.size(), 54u);
    ASSERT_EQ(file[0], 'B');
    ASSERT_EQ(file[1], 'M');
    EXPECT_EQ(little_endian16(file, 28), 24) << "bits per pixel";
    EXPECT_EQ(little_endian32(file, 30), 0u) << "compression";
    EXPECT_GE(little_endian32(file, 18), 256u);

    const Decoded image = decode_rgba(file);
    ASSERT_NE(image.pixels, nullptr) << stbi_failure_reason();
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    int lowest = 255, highest = 0;
    for (size_t i = 0; i < count; ++i) {
        const stbi_uc* p = image.pixels.get() + i * 4;
        ASSERT_EQ(p[0], p[1]) << "pixel " << i << " is not grey";
        ASSERT_EQ(p[1], p[2]) << "pixel " << i << " is not grey";
        lowest = std::min<int>(lowest, p[0]);
        highest = std::max<int>(highest, p[0]);
    }
    // A height map with relief, not a flat field.
    EXPECT_GT(highest - lowest, 100);
}

} // namespace
