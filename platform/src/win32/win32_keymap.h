// The keyboard tables of the platform layer: USB HID key usages (hid_usage.h) to DirectInput key codes (the
// PC set-1 scan codes, 0x80 marking the E0-prefixed keys) and to Windows virtual-key codes of the US
// layout, as key messages carry them; and DOM KeyboardEvent.code values to HID usages. dik_from_usage is in
// dinput8_keymap.cpp, usage_from_dom_code in dom_keymap_web.cpp, the rest in win32_keymap.cpp.
#pragma once

#include <windows.h>

#include "host/hid_usage.h"

#include <string_view>

namespace platform::keymap {

// The DirectInput key code of a key, or 0 for a key the standard keyboard does not have.
BYTE dik_from_usage(hid::Usage usage);

// The virtual-key code a key message carries for a key (VK_SHIFT, VK_CONTROL and VK_MENU for either side;
// keypad keys give VK_NUMPAD0..9 and VK_DECIMAL with Num Lock on, the navigation keys with it off), or 0.
BYTE vk_from_usage(hid::Usage usage, bool num_lock);

// The scan-code part of a key message's lParam: bits 16-23 the set-1 scan code, bit 24 the extended-key
// flag.
LPARAM scan_bits(hid::Usage usage);

// The character TranslateMessage makes of a virtual key with the US layout, given the shift, Caps Lock and
// Ctrl states; 0 when the key makes no character.
char char_from_vk(BYTE vk, bool shift, bool caps_lock, bool ctrl);

// The HID usage of a DOM KeyboardEvent.code value ("KeyW", "F7", "Numpad8", "ShiftLeft", ...), or 0 for a
// key the tables do not know.
hid::Usage usage_from_dom_code(std::string_view code);

} // namespace platform::keymap
