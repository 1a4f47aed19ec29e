// The free-look camera: an eye that W, A, S, D, Space and Left Shift move, a view that the mouse turns and
// a field of view that the wheel changes. Pure logic, in single precision.
#pragma once

#include "input/input.h"

struct CameraState {
    float eye_x = 0.0f;
    float eye_y = 10.0f;
    float eye_z = 18.0f;
    float radius = 30.0f;
    float yaw = 4.712389f;    // 3*pi/2: looking along -Z
    float pitch = 1.5707964f; // pi/2: level; held between about 20 and 160 degrees
    INT fov = 45;             // vertical field of view in whole degrees
};

// The view target is (eye_x - dx, eye_y - dy, eye_z + dz).
struct LookOffset {
    float dx;
    float dy;
    float dz;
};

extern CameraState camera;

LookOffset update_camera(CameraState& state, const InputSnapshot& input);
float planar_length(float a, float b);
