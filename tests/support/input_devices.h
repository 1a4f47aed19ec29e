// The DirectInput object with the keyboard and the mouse, made, set up and released as the viewer does, for
// the DirectInput tests with and without a display.
#pragma once

#include <dinput.h>

#include <gtest/gtest.h>

namespace support {

// The DirectInput object and its keyboard and mouse; a step that fails fails the test.
inline void create_input_devices(HINSTANCE instance, IDirectInput8A*& di, IDirectInputDevice8A*& keyboard,
                                 IDirectInputDevice8A*& mouse) {
    void* out = nullptr;
    ASSERT_EQ(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &out, nullptr), DI_OK);
    di = static_cast<IDirectInput8A*>(out);
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
}

// The viewer's set-up: published formats, keyboard shared and mouse exclusive, both in the foreground.
inline void set_up_as_the_viewer_does(HWND window, IDirectInputDevice8A* keyboard,
                                      IDirectInputDevice8A* mouse) {
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(mouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
}

// Unacquires and releases the devices, then the DirectInput object, as the viewer ends; any may be null.
inline void release_input_devices(IDirectInput8A*& di, IDirectInputDevice8A*& keyboard,
                                  IDirectInputDevice8A*& mouse) {
    for (IDirectInputDevice8A** device : {&keyboard, &mouse}) {
        if (*device != nullptr) {
            (*device)->Unacquire();
            (*device)->Release();
            *device = nullptr;
        }
    }
    if (di != nullptr)
        di->Release();
    di = nullptr;
}

} // namespace support
