// The keyboard and mouse, read once per pass of the main loop into the input snapshot.
#pragma once

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <windows.h>
#include <dinput.h>

struct InputDevices {
    IDirectInput8A* direct_input = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
};

struct InputSnapshot {
    BYTE keys[256] = {};           // by DirectInput key code; a key is down when its high bit (0x80) is set
    DIMOUSESTATE mouse_state = {}; // motion since the previous read
};

extern InputDevices input_devices;
extern InputSnapshot input_snapshot;

void setup_input(HINSTANCE instance, HWND window);
void poll_input();
void release_input();
