// Makes the viewer's two images from nothing but arithmetic: tex_fur.png (256 x 256 RGBA fur: fine
// strands over soft mottled noise in browns and greys, mostly opaque) and bump.bmp (256 x 256, 24-bit grey
// height map). Both tile seamlessly, because the box's texture coordinates wrap.
//
// The output is the same bytes on every run and every machine: our own PRNG (splitmix64), integer and
// plain floating-point arithmetic only (+ - * / and sqrt, all exactly rounded), no library random
// distributions and no trigonometry. Files are written with stb_image_write (libstb).
//
// Usage: make_textures <output directory>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 256;

// splitmix64: small, fast and fully specified, so every platform draws the same sequence.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1) with 24 bits, exactly representable as a float.
    float unit() {
        return static_cast<float>(next() >> 40) / 16777216.0f;
    }
    float range(float lo, float hi) {
        return lo + (hi - lo) * unit();
    }
    int below(int n) {
        return static_cast<int>(next() % static_cast<std::uint64_t>(n));
    }

  private:
    std::uint64_t state_;
};

int wrap(int v) {
    return ((v % kSize) + kSize) % kSize;
}

// Tileable value noise: random values on a lattice of `cells` x `cells` that wraps, smoothly interpolated.
class ValueNoise {
  public:
    ValueNoise(int cells, Rng& rng) : cells_(cells), lattice_(static_cast<size_t>(cells * cells)) {
        for (float& v : lattice_) {
            v = rng.unit();
        }
    }
    // x, y in pixels of the kSize square.
    float at(float x, float y) const {
        const float scale = static_cast<float>(cells_) / kSize;
        const float fx = x * scale;
        const float fy = y * scale;
        const int x0 = static_cast<int>(std::floor(fx));
        const int y0 = static_cast<int>(std::floor(fy));
        const float tx = smooth(fx - static_cast<float>(x0));
        const float ty = smooth(fy - static_cast<float>(y0));
        const float a = value(x0, y0) + (value(x0 + 1, y0) - value(x0, y0)) * tx;
        const float b = value(x0, y0 + 1) + (value(x0 + 1, y0 + 1) - value(x0, y0 + 1)) * tx;
        return a + (b - a) * ty;
    }

  private:
    static float smooth(float t) {
        return t * t * (3.0f - 2.0f * t);
    }
    float value(int x, int y) const {
        const int cx = ((x % cells_) + cells_) % cells_;
        const int cy = ((y % cells_) + cells_) % cells_;
        return lattice_[static_cast<size_t>(cy * cells_ + cx)];
    }
    int cells_;
    std::vector<float> lattice_;
};

// Sum of octaves, normalised to [0, 1].
float fractal(const std::vector<ValueNoise>& octaves, float x, float y) {
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (const ValueNoise& octave : octaves) {
        sum += octave.at(x, y) * weight;
        total += weight;
        weight *= 0.5f;
    }
    return sum / total;
}

std::vector<ValueNoise> make_octaves(Rng& rng, int first_cells, int count) {
    std::vector<ValueNoise> octaves;
    for (int i = 0, cells = first_cells; i < count; ++i, cells *= 2) {
        octaves.emplace_back(cells, rng);
    }
    return octaves;
}

struct Rgb {
    float r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

std::uint8_t to_byte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

// The fur: an under-coat of mottled browns and greys, then thousands of thin, slightly curved strands
// that mostly follow a slowly turning direction field, each a little lighter or darker than the coat.
std::vector<std::uint8_t> make_fur() {
    Rng rng(0x5EED'F0F0'2026ull);
    const std::vector<ValueNoise> coat = make_octaves(rng, 4, 5);
    const std::vector<ValueNoise> tint = make_octaves(rng, 2, 3);
    const ValueNoise flow_x(4, rng);
    const ValueNoise flow_y(4, rng);

    const Rgb dark_brown{74.0f, 50.0f, 32.0f};
    const Rgb warm_brown{142.0f, 102.0f, 64.0f};
    const Rgb grey{128.0f, 122.0f, 116.0f};

    std::vector<Rgb> colour(kSize * kSize);
    std::vector<float> density(kSize * kSize, 0.0f);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const Rgb base = mix(dark_brown, warm_brown, fractal(coat, fx, fy));
            const float greyness = std::clamp(fractal(tint, fx, fy) * 1.6f - 0.55f, 0.0f, 0.6f);
            const float grain = rng.range(-10.0f, 10.0f);
            const Rgb c = mix(base, grey, greyness);
            colour[static_cast<size_t>(y * kSize + x)] = {c.r + grain, c.g + grain, c.b + grain};
        }
    }

    constexpr int kStrands = 9000;
    for (int s = 0; s < kStrands; ++s) {
        float px = rng.range(0.0f, kSize);
        float py = rng.range(0.0f, kSize);
        const int length = 6 + rng.below(20);
        const float shade = rng.range(-60.0f, 70.0f);
        const float strength = rng.range(0.35f, 0.8f);
        // A strand's own lean, added to the field's direction.
        const float lean_x = rng.range(-0.35f, 0.35f);
        const float lean_y = rng.range(-0.35f, 0.35f);
        for (int step = 0; step < length; ++step) {
            // The field leans everything down and to the right, turning slowly across the picture.
            float dx = 0.45f + (flow_x.at(px, py) - 0.5f) * 1.4f + lean_x;
            float dy = 0.9f + (flow_y.at(px, py) - 0.5f) * 1.4f + lean_y;
            const float len = std::sqrt(dx * dx + dy * dy);
            dx /= len;
            dy /= len;
            // Strands thin towards their tips.
            const float taper = 1.0f - static_cast<float>(step) / static_cast<float>(length);
            const float w = strength * (0.4f + 0.6f * taper);
            // Bilinear splat, so strands are one pixel wide but not jagged.
            const int ix = static_cast<int>(std::floor(px));
            const int iy = static_cast<int>(std::floor(py));
            const float ax = px - static_cast<float>(ix);
            const float ay = py - static_cast<float>(iy);
            const float weights[4] = {(1 - ax) * (1 - ay), ax * (1 - ay), (1 - ax) * ay, ax * ay};
            const int offsets[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
            for (int k = 0; k < 4; ++k) {
                const size_t i =
                    static_cast<size_t>(wrap(iy + offsets[k][1]) * kSize + wrap(ix + offsets[k][0]));
                const float a = w * weights[k];
                colour[i].r += shade * a;
                colour[i].g += shade * a * 0.92f;
                colour[i].b += shade * a * 0.85f;
                density[i] += a;
            }
            px += dx;
            py += dy;
            px = px >= kSize ? px - kSize : (px < 0 ? px + kSize : px);
            py = py >= kSize ? py - kSize : (py < 0 ? py + kSize : py);
        }
    }

    std::vector<std::uint8_t> rgba(static_cast<size_t>(kSize * kSize * 4));
    for (size_t i = 0; i < colour.size(); ++i) {
        rgba[i * 4 + 0] = to_byte(colour[i].r);
        rgba[i * 4 + 1] = to_byte(colour[i].g);
        rgba[i * 4 + 2] = to_byte(colour[i].b);
        // Mostly opaque; thinly covered spots let a little through.
        rgba[i * 4 + 3] = to_byte(200.0f + 55.0f * std::min(density[i] * 1.5f, 1.0f));
    }
    return rgba;
}

// The height map: broad soft mounds plus fine grain, in grey (red = green = blue).
std::vector<std::uint8_t> make_bump() {
    Rng rng(0xB0B5'2026ull);
    const std::vector<ValueNoise> relief = make_octaves(rng, 8, 5);
    std::vector<std::uint8_t> rgb(static_cast<size_t>(kSize * kSize * 3));
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float h = fractal(relief, static_cast<float>(x), static_cast<float>(y));
            const std::uint8_t v = to_byte(h * 255.0f + rng.range(-6.0f, 6.0f));
            const size_t i = static_cast<size_t>(y * kSize + x) * 3;
            rgb[i + 0] = v;
            rgb[i + 1] = v;
            rgb[i + 2] = v;
        }
    }
    return rgb;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_textures <output directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string fur_path = dir + "/tex_fur.png";
    const std::string bump_path = dir + "/bump.bmp";

    const std::vector<std::uint8_t> fur = make_fur();
    if (stbi_write_png(fur_path.c_str(), kSize, kSize, 4, fur.data(), kSize * 4) == 0) {
        std::fprintf(stderr, "make_textures: cannot write %s\n", fur_path.c_str());
        return 1;
    }
    const std::vector<std::uint8_t> bump = make_bump();
    if (stbi_write_bmp(bump_path.c_str(), kSize, kSize, 3, bump.data()) == 0) {
        std::fprintf(stderr, "make_textures: cannot write %s\n", bump_path.c_str());
        return 1;
    }
    return 0;
}
