// The free-look camera's motion for one frame. Every product, sum, difference and square root is rounded to
// single precision as soon as it is formed; constants held as doubles take part with their full value.
#include "camera/camera.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>

CameraState camera;

namespace {

constexpr float mouse_factor = 0.001f;
constexpr double wheel_factor = 0.01;
constexpr float upper_pitch_limit = 2.792527f;   // about 160 degrees
constexpr float lower_pitch_limit = 0.34906587f; // about 20 degrees
constexpr double step_factor = 0.012;
constexpr float vertical_step = 0.22f;
constexpr double damping_factor = 0.7071;

constexpr BYTE key_down_bit = 0x80;

bool held(const InputSnapshot& input, int code) {
    return (input.keys[code] & key_down_bit) != 0;
}

// Single-precision hardware rounds the exact result of an operation once. Forming a product of a float and a
// double (up to 77 significant bits) in double and then narrowing it to float rounds twice, which is one unit
// in the last place off whenever the first rounding lands on the midpoint between two floats. So the exact
// result is kept as an unevaluated pair of doubles (hi + lo, hi the nearest double), hi is moved to its
// neighbour with an odd last bit when lo is not zero (rounding to odd keeps the sign of the discarded part),
// and only then narrowed: with 53 >= 24 + 2 bits the two roundings give the single correctly rounded float.
// Plain double operations only (the build disables contraction), so every compiler gives the same bits.
struct ExactPair {
    double hi;
    double lo;
};

// a + b exactly (Knuth's two-sum).
ExactPair exact_sum(double a, double b) {
    const double hi = a + b;
    const double b_part = hi - a;
    const double lo = (a - (hi - b_part)) + (b - b_part);
    return {hi, lo};
}

// a split into two halves of at most 26 significant bits each (Veltkamp).
ExactPair split_halves(double a) {
    constexpr double splitter = 134217729.0; // 2^27 + 1
    const double t = splitter * a;
    const double hi = t - (t - a);
    return {hi, a - hi};
}

// a * b exactly (Dekker's two-product); the camera's operands are far from overflow and underflow.
ExactPair exact_product(double a, double b) {
    const double hi = a * b;
    const ExactPair as = split_halves(a);
    const ExactPair bs = split_halves(b);
    const double lo = ((as.hi * bs.hi - hi) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {hi, lo};
}

float round_once(const ExactPair& exact) {
    double value = exact.hi;
    if (exact.lo != 0.0 && std::isfinite(value)) {
        auto pattern = std::bit_cast<std::uint64_t>(value);
        if ((pattern & 1u) == 0) {
            const bool grows = (exact.lo > 0.0) == (value > 0.0);
            pattern = grows ? pattern + 1 : pattern - 1;
            value = std::bit_cast<double>(pattern);
        }
    }
    return static_cast<float>(value);
}

// A float times a double constant, rounded once to float.
float scaled(float value, double factor) {
    return round_once(exact_product(static_cast<double>(value), factor));
}

float cos_f(float angle) {
    return static_cast<float>(std::cos(static_cast<double>(angle)));
}

float sin_f(float angle) {
    return static_cast<float>(std::sin(static_cast<double>(angle)));
}

// The wheel narrows (positive motion) or widens the field of view by one degree per 100 units, truncated
// toward zero; a result beyond the 32-bit range stays at the limit.
INT wheel_fov(INT fov, LONG wheel) {
    const float change = round_once(exact_product(static_cast<double>(wheel), wheel_factor));
    const float result = round_once(exact_sum(static_cast<double>(fov), -static_cast<double>(change)));
    if (result >= 2147483648.0f)
        return INT_MAX;
    if (result < -2147483648.0f)
        return INT_MIN;
    return static_cast<INT>(result);
}

// An integer mouse count times the float mouse factor, rounded once to float (the product can have 55 bits).
float mouse_turn(LONG count) {
    return round_once(exact_product(static_cast<double>(count), static_cast<double>(mouse_factor)));
}

} // namespace

float planar_length(float a, float b) {
    const float aa = a * a;
    const float bb = b * b;
    const float sum = aa + bb;
    return static_cast<float>(std::sqrt(static_cast<double>(sum)));
}

LookOffset update_camera(CameraState& state, const InputSnapshot& input) {
    const DIMOUSESTATE& mouse = input.mouse_state;

    state.fov = wheel_fov(state.fov, mouse.lZ);

    state.yaw = state.yaw + mouse_turn(mouse.lX);
    state.pitch = state.pitch - mouse_turn(mouse.lY);
    if (state.pitch >= upper_pitch_limit)
        state.pitch = upper_pitch_limit;
    if (state.pitch <= lower_pitch_limit)
        state.pitch = lower_pitch_limit;

    const float sin_pitch = sin_f(state.pitch);
    LookOffset offset{};
    offset.dx = (cos_f(state.yaw) * state.radius) * sin_pitch;
    offset.dy = cos_f(state.pitch) * state.radius;
    offset.dz = (sin_f(state.yaw) * state.radius) * sin_pitch;

    // (fx, fz) is the horizontal part of the view direction, scaled to one step.
    const float s = scaled(state.radius, step_factor);
    const float fz = scaled(offset.dz, step_factor);
    const float fx = scaled(-offset.dx, step_factor);

    const float x0 = state.eye_x;
    const float z0 = state.eye_z;

    if (held(input, DIK_A)) {
        state.eye_x = state.eye_x - fz;
        state.eye_z = state.eye_z + fx;
    }
    if (held(input, DIK_D)) {
        state.eye_x = state.eye_x + fz;
        state.eye_z = state.eye_z - fx;
    }
    if (held(input, DIK_SPACE))
        state.eye_y = state.eye_y + vertical_step;
    if (held(input, DIK_LSHIFT))
        state.eye_y = state.eye_y - vertical_step;
    if (held(input, DIK_W)) {
        state.eye_z = state.eye_z + fz;
        state.eye_x = state.eye_x + fx;
    }
    if (held(input, DIK_S)) {
        state.eye_z = state.eye_z - fz;
        state.eye_x = state.eye_x - fx;
    }

    // A horizontal move longer than one step (two keys at right angles) is pulled back to 0.7071 of it.
    const float m = planar_length(state.eye_x - x0, state.eye_z - z0);
    if (m > s) {
        state.eye_x = x0 + scaled(state.eye_x - x0, damping_factor);
        state.eye_z = z0 + scaled(state.eye_z - z0, damping_factor);
    }

    return offset;
}
