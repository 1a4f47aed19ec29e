// The camera's motion, bit for bit: each expected value is the single-precision result of the documented
// sequence of roundings, so comparisons are of bit patterns, not within a tolerance.
#include "camera/camera.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <utility>

namespace {

std::uint32_t bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

#define EXPECT_SAME_FLOAT(actual, expected)                                                                  \
    EXPECT_EQ(bits(actual), bits(expected)) << (actual) << " vs " << (expected)

InputSnapshot keys_held(std::initializer_list<int> codes) {
    InputSnapshot input;
    for (const int code : codes)
        input.keys[code] = 0x80;
    return input;
}

InputSnapshot mouse_moved(LONG x, LONG y, LONG wheel) {
    InputSnapshot input;
    input.mouse_state.lX = x;
    input.mouse_state.lY = y;
    input.mouse_state.lZ = wheel;
    return input;
}

TEST(Camera, StartsLookingLevelAlongMinusZFromAboveTheBox) {
    const CameraState state;
    EXPECT_SAME_FLOAT(state.yaw, std::bit_cast<float>(0x4096CBE4u));
    EXPECT_SAME_FLOAT(state.pitch, std::bit_cast<float>(0x3FC90FDBu));
    CameraState moved = state;
    const LookOffset offset = update_camera(moved, InputSnapshot{});
    EXPECT_NEAR(offset.dx, 3.6e-7f, 0.05e-7f);
    EXPECT_NEAR(offset.dy, -1.3e-6f, 0.05e-6f);
    EXPECT_SAME_FLOAT(offset.dz, -30.0f);
    EXPECT_SAME_FLOAT(moved.eye_z + offset.dz, -12.0f);
}

TEST(Camera, NoInputLeavesTheStateBitIdenticalForAHundredThousandFrames) {
    CameraState state;
    const CameraState start = state;
    const LookOffset first = update_camera(state, InputSnapshot{});
    for (int frame = 1; frame < 100000; ++frame) {
        const LookOffset offset = update_camera(state, InputSnapshot{});
        ASSERT_EQ(bits(offset.dx), bits(first.dx));
        ASSERT_EQ(bits(offset.dy), bits(first.dy));
        ASSERT_EQ(bits(offset.dz), bits(first.dz));
    }
    EXPECT_SAME_FLOAT(state.eye_x, start.eye_x);
    EXPECT_SAME_FLOAT(state.eye_y, start.eye_y);
    EXPECT_SAME_FLOAT(state.eye_z, start.eye_z);
    EXPECT_SAME_FLOAT(state.yaw, start.yaw);
    EXPECT_SAME_FLOAT(state.pitch, start.pitch);
    EXPECT_EQ(state.fov, 45);
}

TEST(Camera, SingleKeysMoveOneStepAndWIsPulledBackByItsRounding) {
    CameraState a;
    update_camera(a, keys_held({DIK_A}));
    EXPECT_SAME_FLOAT(a.eye_x, 0.36000001f); // exactly one step: no damping
    EXPECT_SAME_FLOAT(a.eye_z, 18.0f);

    // 18 - 0.36000001 rounds to 17.639999, a move of 0.36000061 > 0.36000001: pulled back.
    CameraState w;
    update_camera(w, keys_held({DIK_W}));
    EXPECT_SAME_FLOAT(w.eye_z, 17.745443f);
    EXPECT_LT(w.eye_x, 0.0f);
    EXPECT_GT(w.eye_x, -1e-8f);

    CameraState wa;
    update_camera(wa, keys_held({DIK_W, DIK_A}));
    EXPECT_SAME_FLOAT(wa.eye_z, 17.745443f);
    EXPECT_NEAR(wa.eye_x, 0.254556f, 1e-6f);

    CameraState d;
    update_camera(d, keys_held({DIK_D}));
    EXPECT_SAME_FLOAT(d.eye_x, -0.36000001f);
    CameraState s;
    update_camera(s, keys_held({DIK_S}));
    EXPECT_GT(s.eye_z, 18.0f);
}

TEST(Camera, SideStepsFollowTheViewFromWhereverTheEyeStands) {
    // Looking along +X (yaw 0) A and D move the eye along Z only, by a step that rounding pulls back as W's.
    for (const auto& [key, z] : {std::pair{DIK_A, 17.745443f}, std::pair{DIK_D, 18.254557f}}) {
        CameraState turned;
        turned.yaw = 0.0f;
        turned.eye_x = 1.0f;
        update_camera(turned, keys_held({key}));
        EXPECT_SAME_FLOAT(turned.eye_x, 1.0f);
        EXPECT_SAME_FLOAT(turned.eye_z, z);
    }
    // Along -Z, from x = 1: exactly one step, not pulled back.
    CameraState moved;
    moved.eye_x = 1.0f;
    update_camera(moved, keys_held({DIK_A}));
    EXPECT_SAME_FLOAT(moved.eye_x, 1.36f);
}

TEST(Camera, OpposingKeysCancel) {
    for (const auto& pair : {keys_held({DIK_W, DIK_S}), keys_held({DIK_A, DIK_D})}) {
        CameraState state;
        update_camera(state, pair);
        EXPECT_SAME_FLOAT(state.eye_x, 0.0f);
        EXPECT_SAME_FLOAT(state.eye_z, 18.0f);
    }
}

TEST(Camera, SpaceAndShiftMoveStraightUpAndDown) {
    CameraState up;
    update_camera(up, keys_held({DIK_SPACE}));
    EXPECT_SAME_FLOAT(up.eye_y, 10.22f);
    EXPECT_SAME_FLOAT(up.eye_x, 0.0f);
    EXPECT_SAME_FLOAT(up.eye_z, 18.0f);

    CameraState down;
    update_camera(down, keys_held({DIK_LSHIFT}));
    EXPECT_SAME_FLOAT(down.eye_y, 9.78f);

    // From height 0 the step shows to its last bit: 0.22 in single precision.
    CameraState ground;
    ground.eye_y = 0.0f;
    update_camera(ground, keys_held({DIK_SPACE}));
    EXPECT_SAME_FLOAT(ground.eye_y, 0.22f);
}

TEST(Camera, OnlyTheHighBitOfAKeyCounts) {
    InputSnapshot input;
    input.keys[DIK_W] = 0x7F;
    CameraState state;
    update_camera(state, input);
    EXPECT_SAME_FLOAT(state.eye_z, 18.0f);
}

TEST(Camera, MouseTurnsAndPitchIsClampedAtBothLimits) {
    CameraState right;
    update_camera(right, mouse_moved(100, 0, 0));
    EXPECT_SAME_FLOAT(right.yaw, 4.812389f);

    CameraState down;
    const LookOffset steep = update_camera(down, mouse_moved(0, 2000, 0));
    EXPECT_SAME_FLOAT(down.pitch, std::bit_cast<float>(0x3EB2B8C3u));
    EXPECT_NEAR(steep.dy, 28.19f, 0.01f);

    CameraState up;
    const LookOffset raised = update_camera(up, mouse_moved(0, -2000, 0));
    EXPECT_SAME_FLOAT(up.pitch, std::bit_cast<float>(0x4032B8C3u));
    EXPECT_LT(raised.dy, -28.0f);
}

TEST(Camera, WheelChangesTheFieldOfViewByTruncation) {
    const struct {
        LONG wheel;
        INT fov;
    } table[] = {{120, 43}, {-120, 46}, {1, 44}, {-99, 45}, {-100, 46}, {0, 45}};
    for (const auto& row : table) {
        CameraState state;
        update_camera(state, mouse_moved(0, 0, row.wheel));
        EXPECT_EQ(state.fov, row.fov) << "wheel " << row.wheel;
    }

    CameraState narrow;
    narrow.fov = 1;
    update_camera(narrow, mouse_moved(0, 0, 120));
    EXPECT_EQ(narrow.fov, 0);
    update_camera(narrow, mouse_moved(0, 0, 120));
    EXPECT_EQ(narrow.fov, -1);
}

TEST(Camera, FieldOfViewSaturatesAtTheIntegerLimits) {
    CameraState wide;
    wide.fov = 2147483600;
    update_camera(wide, mouse_moved(0, 0, -2147483647 - 1));
    EXPECT_EQ(wide.fov, 2147483647);

    CameraState narrow;
    narrow.fov = -2147483600;
    update_camera(narrow, mouse_moved(0, 0, 2147483647));
    EXPECT_EQ(narrow.fov, -2147483647 - 1);
    // -2^31 - 256, the float next below the limit, is out of range too (its conversion would be undefined).
    CameraState next_below;
    next_below.fov = -2147483600;
    update_camera(next_below, mouse_moved(0, 0, 30400));
    EXPECT_EQ(next_below.fov, -2147483647 - 1);

    // At the limits themselves: 2^31 - 1 rounds to the float 2^31, which saturates; the float just below
    // 2^31 is a valid field of view and stays.
    for (const INT fov : {2147483647, 2147483520}) {
        CameraState still;
        still.fov = fov;
        update_camera(still, InputSnapshot{});
        EXPECT_EQ(still.fov, fov);
    }
}

// A float times a double constant is rounded once from its exact value. Rounding the double product to float
// rounds twice, and is one unit in the last place off where the double lands on a midpoint between floats.
TEST(Camera, ProductsWithDoubleConstantsAreRoundedOnce) {
    // D and W from the origin move eye_x by -0.0260863453 (0xBCD5B308) and pull the move back: x 0.7071
    // is exactly -0.01844565477222..., just short of the midpoint between two floats, so 0xBC971B57; the
    // double product lands on the midpoint and ties to 0xBC971B58.
    CameraState damped;
    damped.eye_x = 0.0f;
    damped.eye_z = 0.0f;
    damped.radius = std::bit_cast<float>(0x400B208Au);
    damped.yaw = std::bit_cast<float>(0x4096CBE5u);
    update_camera(damped, keys_held({DIK_D, DIK_W}));
    EXPECT_EQ(bits(damped.eye_x), 0xBC971B57u);
    EXPECT_EQ(bits(damped.eye_z), 0xBC971B4Eu);

    // A radius of 1.0008599e-38 makes the step -radius x 0.012 exactly -1.20103189...e-40, just beyond the
    // midpoint between two subnormals: 0x80014ECD, where the double product ties to 0x80014ECC.
    CameraState tiny;
    tiny.eye_x = 0.0f;
    tiny.radius = std::bit_cast<float>(0x006CFBE7u);
    update_camera(tiny, keys_held({DIK_D}));
    EXPECT_EQ(bits(tiny.eye_x), 0x80014ECDu);

    // 419430425 wheel units x 0.01 is exactly 4194304.2500000000873...: 4194304.5 as a float, where the
    // double product 4194304.25 would tie down to 4194304. 5000000 - 4194304.5 truncates to 805695.
    CameraState wheel;
    wheel.fov = 5000000;
    update_camera(wheel, mouse_moved(0, 0, 419430425));
    EXPECT_EQ(wheel.fov, 805695);

    // An integer count times the float mouse factor can need 55 bits: 1400075121 x 0.001f is exactly
    // 2^-33 below the midpoint 1400075.1875, so the float 1400075.125 (through double, 1400075.25). From the
    // start the yaw becomes 1400079.875 (through double, 1400080).
    CameraState turned;
    update_camera(turned, mouse_moved(1400075121, 0, 0));
    EXPECT_SAME_FLOAT(turned.yaw, 1400079.875f);
}

// Results on a midpoint between two floats tie to the even one; results a hair off a midpoint go to the
// nearer float. Each case is one the exact-rounding arithmetic must get right by its error term's sign or
// zero.
TEST(Camera, ResultsOnOrNextToAMidpointRoundAsSinglePrecisionDoes) {
    const struct {
        INT fov;
        LONG wheel;
        INT expected;
    } fields[] = {
        {16777217, 0, 16777216},    // 2^24 + 1 is a midpoint: without wheel motion it ties to 2^24
        {-8388609, 50, -8388610},   // -8388609.5, a midpoint, ties to the even -8388610
        {4194305, 25, 4194305},     // 4194304.75, a midpoint, ties up to the even 4194305
        {0, 1121216050, -11212161}, // 11212160.5000000002...: just above the midpoint, rounds up
    };
    for (const auto& row : fields) {
        CameraState state;
        state.fov = row.fov;
        update_camera(state, mouse_moved(0, 0, row.wheel));
        EXPECT_EQ(state.fov, row.expected) << "fov " << row.fov << ", wheel " << row.wheel;
    }

    // From a yaw of 0 the turn shows to its last bit. 3 x 0.001f is exact in 25 bits, a midpoint: it ties to
    // even. 1168483757 x 0.001f is exactly two units of a double below a midpoint: it rounds down.
    const struct {
        LONG count;
        std::uint32_t yaw;
    } turns[] = {{-3, 0xBB449BA6u}, {1168483757, 0x498EA31Fu}};
    for (const auto& row : turns) {
        CameraState state;
        state.yaw = 0.0f;
        update_camera(state, mouse_moved(row.count, 0, 0));
        EXPECT_EQ(bits(state.yaw), row.yaw) << "count " << row.count;
    }

    // W and A looking along +X move the eye by one step on both axes, which is pulled back: with this radius
    // the pulled-back step lies one unit of a double below a midpoint, and rounds down.
    CameraState pulled;
    pulled.eye_x = 0.0f;
    pulled.eye_z = 0.0f;
    pulled.yaw = 0.0f;
    pulled.radius = std::bit_cast<float>(0x29BC33A0u);
    update_camera(pulled, keys_held({DIK_W, DIK_A}));
    EXPECT_EQ(bits(pulled.eye_x), 0xA64C6829u);
    EXPECT_EQ(bits(pulled.eye_z), 0xA64C6829u);
}

TEST(Camera, PlanarLengthRoundsEachStep) {
    EXPECT_SAME_FLOAT(planar_length(3.0f, 4.0f), 5.0f);
    EXPECT_SAME_FLOAT(planar_length(0.0f, -0.36000061f), 0.36000061f);
    EXPECT_SAME_FLOAT(planar_length(0.0f, 0.0f), 0.0f);
}

} // namespace
