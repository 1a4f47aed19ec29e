// What the viewer shows, read back from the presented back buffer (1024 x 768) of an in-process run on the
// virtual display: the first frame against our reference picture, and checks that carry their own meaning.
#include "camera/camera.h"
#include "program_run.h"
#include "temp_directory.h"

#include <platform_test.h>

#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

namespace {

struct Picture {
    UINT width = 0;
    UINT height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB

    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * width + static_cast<size_t>(x)];
    }
};

int red(std::uint32_t c) {
    return (c >> 16) & 0xFF;
}
int green(std::uint32_t c) {
    return (c >> 8) & 0xFF;
}
int blue(std::uint32_t c) {
    return c & 0xFF;
}
bool black(std::uint32_t c) {
    return (c & 0xFFFFFF) == 0;
}

std::filesystem::path assets() {
    return std::filesystem::path(SOURCE_DIR) / "assets";
}

// With PICTURE_DUMP_DIR set, every picture a case takes is also saved there as a PNG, to look at.
void save_for_inspection(const Picture& picture, int frame) {
    const char* const dir = std::getenv("PICTURE_DUMP_DIR");
    if (dir == nullptr || picture.pixels.empty())
        return;
    std::vector<unsigned char> rgb;
    for (const std::uint32_t c : picture.pixels) {
        rgb.push_back(static_cast<unsigned char>(red(c)));
        rgb.push_back(static_cast<unsigned char>(green(c)));
        rgb.push_back(static_cast<unsigned char>(blue(c)));
    }
    const auto* const test = testing::UnitTest::GetInstance()->current_test_info();
    const auto path =
        std::filesystem::path(dir) / (std::string(test->name()) + "-" + std::to_string(frame) + ".png");
    stbi_write_png(path.c_str(), static_cast<int>(picture.width), static_cast<int>(picture.height), 3,
                   rgb.data(), static_cast<int>(picture.width) * 3);
}

// Runs the program once in `directory` and returns the pictures presented by the frames numbered in
// `frames` (1 is the first frame); `before` acts before each frame is drawn (with the count drawn so far).
// A test case runs in a process of its own and may run the program only once, so one run gives every
// picture a case compares.
std::map<int, Picture> pictures_at(const std::set<int>& frames, const std::filesystem::path& directory,
                                   const std::function<void(int, HWND)>& before = {}) {
    std::map<int, Picture> pictures;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    const auto run = support::run_program([&](int drawn, HWND window) {
        if (frames.count(drawn) != 0) {
            Picture& picture = pictures[drawn];
            picture.pixels = platform::trace::test::presented_pixels(&picture.width, &picture.height);
            save_for_inspection(picture, drawn);
        }
        if (drawn >= *frames.rbegin())
            PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
        else if (before)
            before(drawn, window);
    });
    std::filesystem::current_path(previous);
    EXPECT_EQ(run.exit_code, 0) << run.errors;
    return pictures;
}

Picture picture_after(int frames, const std::filesystem::path& directory,
                      const std::function<void(int, HWND)>& before = {}) {
    return pictures_at({frames}, directory, before)[frames];
}

// The bounding box and the pixels of the scene below the status text.
struct Region {
    int left = 100000, top = 100000, right = -1, bottom = -1;
    long count = 0;
};
Region scene_extent(const Picture& p) {
    Region r;
    for (int y = 0; y < static_cast<int>(p.height); ++y)
        for (int x = 0; x < static_cast<int>(p.width); ++x) {
            if (y < 220 && x < 400) // the status text
                continue;
            if (black(p.at(x, y)))
                continue;
            r.left = std::min(r.left, x);
            r.right = std::max(r.right, x);
            r.top = std::min(r.top, y);
            r.bottom = std::max(r.bottom, y);
            ++r.count;
        }
    return r;
}

double mean_brightness(const Picture& p, int x0, int y0, int x1, int y1) {
    double sum = 0;
    long n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t c = p.at(x, y);
            if (black(c))
                continue;
            sum += red(c) + green(c) + blue(c);
            ++n;
        }
    return n == 0 ? 0.0 : sum / (3.0 * static_cast<double>(n));
}

// A working directory of the case's own with the bump map and no fur texture.
class DirectoryWithoutFur : public support::TempDirectory {
  public:
    DirectoryWithoutFur() : TempDirectory("viewer-picture-no-fur") {
        if (!path().empty())
            std::filesystem::copy_file(assets() / "bump.bmp", path() / "bump.bmp");
    }
};

// Places the camera at (-12, 0, 12), level, looking at the box's centre: the +Z face, turned to the light,
// on the left, the -X face, which gets ambient light only, on the right.
void look_from_the_left_front(int frame, HWND) {
    if (frame == 0) {
        camera.eye_x = -12.0f;
        camera.eye_y = 0.0f;
        camera.eye_z = 12.0f;
        camera.yaw = 3.9269908f; // 5/4 pi
    }
}

TEST(Picture, TheFirstFrameMatchesTheReference) {
    const Picture picture = picture_after(1, assets());
    ASSERT_EQ(picture.width, 1024u);
    ASSERT_EQ(picture.height, 768u);
    const auto reference_path = std::filesystem::path(SOURCE_DIR) / "tests/screen/reference/first_frame.png";
    if (std::getenv("UPDATE_REFERENCE") != nullptr) {
        std::vector<unsigned char> rgb;
        for (const std::uint32_t c : picture.pixels) {
            rgb.push_back(static_cast<unsigned char>(red(c)));
            rgb.push_back(static_cast<unsigned char>(green(c)));
            rgb.push_back(static_cast<unsigned char>(blue(c)));
        }
        std::filesystem::create_directories(reference_path.parent_path());
        ASSERT_NE(stbi_write_png(reference_path.c_str(), 1024, 768, 3, rgb.data(), 1024 * 3), 0);
        GTEST_SKIP() << "wrote " << reference_path;
    }
    int w = 0;
    int h = 0;
    int channels = 0;
    unsigned char* reference = stbi_load(reference_path.c_str(), &w, &h, &channels, 3);
    ASSERT_NE(reference, nullptr) << reference_path;
    ASSERT_EQ(w, 1024);
    ASSERT_EQ(h, 768);
    // Tolerance: renderers may round differently by a step or two and move an edge by a pixel; the mean
    // difference stays below 1 level and fewer than 0.5 % of the pixels differ by more than 24 levels.
    double total = 0;
    long far_off = 0;
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        const std::uint32_t c = picture.pixels[i];
        const int d[3] = {std::abs(red(c) - reference[3 * i]), std::abs(green(c) - reference[3 * i + 1]),
                          std::abs(blue(c) - reference[3 * i + 2])};
        total += d[0] + d[1] + d[2];
        if (std::max({d[0], d[1], d[2]}) > 24)
            ++far_off;
    }
    stbi_image_free(reference);
    EXPECT_LT(total / (3.0 * static_cast<double>(picture.pixels.size())), 1.0);
    EXPECT_LT(far_off, static_cast<long>(picture.pixels.size() / 200));
}

TEST(Picture, BlackBackgroundWithTheBoxBelowTheCentreAndWhiteStatusText) {
    const Picture p = picture_after(1, assets());
    ASSERT_EQ(p.width, 1024u);
    for (const auto& [x, y] :
         {std::pair{1023, 0}, std::pair{0, 767}, std::pair{1023, 767}, std::pair{512, 100}})
        EXPECT_EQ(p.at(x, y) & 0xFFFFFF, 0u) << x << "," << y;
    const Region box = scene_extent(p);
    ASSERT_GT(box.count, 1000);
    EXPECT_GT((box.top + box.bottom) / 2, 384 + 100); // well below the centre
    EXPECT_LT(box.left, 512);
    EXPECT_GT(box.right, 512 - 100);
    // The status lines: white pixels where the first line stands, and nothing right of the longest line.
    int white = 0;
    for (int y = 30; y < 54; ++y)
        for (int x = 30; x < 250; ++x)
            white += (red(p.at(x, y)) > 240 && green(p.at(x, y)) > 240 && blue(p.at(x, y)) > 240) ? 1 : 0;
    EXPECT_GT(white, 50);
    for (int y = 30; y < 210; ++y)
        EXPECT_TRUE(black(p.at(400, y))) << y;
}

TEST(Picture, FacesTurnedToTheLightAreBrighterThanFacesLitByAmbientAlone) {
    const Picture p = picture_after(2, assets(), look_from_the_left_front);
    const Region box = scene_extent(p);
    ASSERT_GT(box.count, 1000);
    const int middle = (box.left + box.right) / 2;
    const double lit = mean_brightness(p, box.left, box.top, middle - 10, box.bottom);      // +Z
    const double ambient = mean_brightness(p, middle + 10, box.top, box.right, box.bottom); // -X
    EXPECT_GT(lit, 1.25 * ambient) << "lit " << lit << ", ambient " << ambient;
    EXPECT_GT(ambient, 2.0); // ambient alone still shows the face
}

TEST(Picture, WithoutTheFurTextureTheBoxIsLitGrey) {
    const DirectoryWithoutFur dir;
    const Picture p = picture_after(2, dir.path(), look_from_the_left_front);
    const Region box = scene_extent(p);
    ASSERT_GT(box.count, 1000);
    const int middle = (box.left + box.right) / 2;
    // Untextured, the colour is the white material's lighting: grey everywhere.
    for (int y = box.top; y <= box.bottom; ++y)
        for (int x = std::max(box.left, 400); x <= box.right; ++x) {
            const std::uint32_t c = p.at(x, y);
            ASSERT_TRUE(red(c) == green(c) && green(c) == blue(c)) << x << "," << y << ": " << std::hex << c;
        }
    // The -X face gets the ambient light alone: 50 of 255 in each channel.
    const std::uint32_t ambient = p.at((middle + box.right) / 2, (box.top + box.bottom) / 2);
    EXPECT_NEAR(red(ambient), 50, 1);
    // The +Z face, turned to the light, is brighter at every point.
    EXPECT_GT(mean_brightness(p, box.left, box.top, middle - 10, box.bottom), 55.0);
}

TEST(Picture, FlatShadingGivesEachTriangleOneColour) {
    // Without the texture the colour is the lighting alone. The top face, seen from the start, is two
    // triangles: Gouraud shading varies across it, flat shading leaves one colour per triangle.
    const auto colours = [](const Picture& p) {
        const Region box = scene_extent(p);
        std::set<std::uint32_t> found;
        // Inside the face, away from its edges.
        for (int y = box.top + 4; y <= box.bottom - 4; ++y)
            for (int x = box.left + 40; x <= box.right - 40; ++x)
                if (!black(p.at(x, y)))
                    found.insert(p.at(x, y) & 0xFFFFFF);
        return found.size();
    };
    const DirectoryWithoutFur dir;
    auto pictures = pictures_at({1, 3}, dir.path(), [](int drawn, HWND window) {
        if (drawn == 1) {
            support::press_key(window, VK_F9); // Phong
            support::press_key(window, VK_F9); // flat
        }
    });
    EXPECT_GT(colours(pictures[1]), 10u);
    EXPECT_LE(colours(pictures[3]), 2u);
}

TEST(Picture, WithoutDepthTestingTheConvexBoxLooksTheSame) {
    auto pictures = pictures_at({2, 4}, assets(), [](int drawn, HWND window) {
        look_from_the_left_front(drawn, window);
        if (drawn == 2)
            support::press_key(window, VK_F7);
    });
    const Picture& with_depth = pictures[2];
    const Picture& without = pictures[4];
    ASSERT_EQ(with_depth.pixels.size(), 1024u * 768u);
    ASSERT_EQ(with_depth.pixels.size(), without.pixels.size());
    ASSERT_GT(scene_extent(without).count, 1000);
    long differing = 0;
    for (size_t i = 0; i < with_depth.pixels.size(); ++i)
        differing += (with_depth.pixels[i] != without.pixels[i]) ? 1 : 0;
    // Only the status line of the depth mode changes.
    EXPECT_LT(differing, 3000);
}

} // namespace
