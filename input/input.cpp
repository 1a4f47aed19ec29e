// The keyboard and the mouse through DirectInput 8: created once, acquired and read at every pass of the
// main loop, released at exit. A device that could not be made is skipped, and a read that fails (the window
// is in the background) leaves that device's part of the snapshot clear: no key held, no motion.
#include "input/input.h"

#include <cstring>

InputDevices input_devices;
InputSnapshot input_snapshot;

void setup_input(HINSTANCE instance, HWND window) {
    if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&input_devices.direct_input), nullptr)))
        input_devices.direct_input = nullptr;
    IDirectInput8A* const direct_input = input_devices.direct_input;
    if (direct_input == nullptr)
        return;
    if (FAILED(direct_input->CreateDevice(GUID_SysKeyboard, &input_devices.keyboard, nullptr)))
        input_devices.keyboard = nullptr;
    if (FAILED(direct_input->CreateDevice(GUID_SysMouse, &input_devices.mouse, nullptr)))
        input_devices.mouse = nullptr;
    if (input_devices.keyboard != nullptr)
        input_devices.keyboard->SetDataFormat(&c_dfDIKeyboard);
    if (input_devices.mouse != nullptr)
        input_devices.mouse->SetDataFormat(&c_dfDIMouse);
    if (input_devices.keyboard != nullptr)
        input_devices.keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    if (input_devices.mouse != nullptr)
        input_devices.mouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND);
}

void poll_input() {
    IDirectInputDevice8A* const keyboard = input_devices.keyboard;
    IDirectInputDevice8A* const mouse = input_devices.mouse;
    if (keyboard != nullptr)
        keyboard->Acquire();
    if (mouse != nullptr)
        mouse->Acquire();
    if (keyboard == nullptr ||
        FAILED(keyboard->GetDeviceState(sizeof input_snapshot.keys, input_snapshot.keys)))
        std::memset(input_snapshot.keys, 0, sizeof input_snapshot.keys);
    if (mouse == nullptr ||
        FAILED(mouse->GetDeviceState(sizeof input_snapshot.mouse_state, &input_snapshot.mouse_state)))
        std::memset(&input_snapshot.mouse_state, 0, sizeof input_snapshot.mouse_state);
}

void release_input() {
    if (input_devices.keyboard != nullptr)
        input_devices.keyboard->Unacquire();
    if (input_devices.mouse != nullptr)
        input_devices.mouse->Unacquire();
    if (input_devices.keyboard != nullptr) {
        input_devices.keyboard->Release();
        input_devices.keyboard = nullptr;
    }
    if (input_devices.mouse != nullptr) {
        input_devices.mouse->Release();
        input_devices.mouse = nullptr;
    }
    if (input_devices.direct_input != nullptr) {
        input_devices.direct_input->Release();
        input_devices.direct_input = nullptr;
    }
}
