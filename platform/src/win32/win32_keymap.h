// The keyboard tables of Win32: USB HID key usages (hid_usage.h) to the PC set-1 scan codes (0x80 marking
// the E0-prefixed keys), which are also DirectInput's key codes, and to Windows virtual-key codes of the US
// layout, as key messages carry them, from one table of keys (win32_keymap.cpp); DirectInput's keyboard uses
// the scan codes as its key codes.
#pragma once

#include <windows.h>

#include "host/hid_usage.h"

namespace platform::win32 {

// The set-1 scan code of a key with 0x80 for the E0-prefixed ones, which is its DirectInput key code (DIK_*),
// or 0 for a key the standard keyboard does not have.
BYTE scan_code_from_usage(host::hid::Usage usage);

// The virtual-key code a key message carries for a key (VK_SHIFT, VK_CONTROL and VK_MENU for either side;
// keypad keys give VK_NUMPAD0..9 and VK_DECIMAL with Num Lock on, the navigation keys with it off), or 0.
BYTE vk_from_usage(host::hid::Usage usage, bool num_lock);

// The scan-code part of a key message's lParam: bits 16-23 the set-1 scan code, bit 24 the extended-key
// flag.
LPARAM scan_bits(host::hid::Usage usage);

// The character TranslateMessage makes of a virtual key with the US layout, given the shift, Caps Lock and
// Ctrl states; 0 when the key makes no character.
char char_from_vk(BYTE vk, bool shift, bool caps_lock, bool ctrl);

} // namespace platform::win32
