// The web host's key identity: DOM KeyboardEvent.code values to USB HID usages (hid_usage.h), in
// dom_keymap_web.cpp. Knows nothing of Windows.
#pragma once

#include "host/hid_usage.h"

#include <string_view>

namespace platform::host {

// The HID usage of a DOM KeyboardEvent.code value ("KeyW", "F7", "Numpad8", "ShiftLeft", ...), or 0 for a
// key the table does not know.
hid::Usage usage_from_dom_code(std::string_view code);

} // namespace platform::host
