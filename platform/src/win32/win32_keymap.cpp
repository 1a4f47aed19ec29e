// The keyboard tables of Win32 (win32_keymap.h): one row per key of a USB HID usage (hid_usage.h) with its
// set-1 scan code, which is its DirectInput key code, and its virtual-key code on the US layout, as Windows
// maps them; the scan bits of key messages; and the characters TranslateMessage makes of virtual keys.
#include "win32/win32_keymap.h"

#include <dinput.h>

#include <algorithm>
#include <iterator>

namespace platform::win32 {
namespace {

struct Key {
    host::hid::Usage usage;
    BYTE code;       // the set-1 scan code, 0x80 added for the E0-prefixed ones: the DirectInput key code
    BYTE vk;         // 0 for a key that makes no key message
    BYTE vk_off = 0; // keypad keys: the virtual key with Num Lock off
};

constexpr Key kKeys[] = {
    {host::hid::KEY_A, DIK_A, 'A'},
    {host::hid::KEY_B, DIK_B, 'B'},
    {host::hid::KEY_C, DIK_C, 'C'},
    {host::hid::KEY_D, DIK_D, 'D'},
    {host::hid::KEY_E, DIK_E, 'E'},
    {host::hid::KEY_F, DIK_F, 'F'},
    {host::hid::KEY_G, DIK_G, 'G'},
    {host::hid::KEY_H, DIK_H, 'H'},
    {host::hid::KEY_I, DIK_I, 'I'},
    {host::hid::KEY_J, DIK_J, 'J'},
    {host::hid::KEY_K, DIK_K, 'K'},
    {host::hid::KEY_L, DIK_L, 'L'},
    {host::hid::KEY_M, DIK_M, 'M'},
    {host::hid::KEY_N, DIK_N, 'N'},
    {host::hid::KEY_O, DIK_O, 'O'},
    {host::hid::KEY_P, DIK_P, 'P'},
    {host::hid::KEY_Q, DIK_Q, 'Q'},
    {host::hid::KEY_R, DIK_R, 'R'},
    {host::hid::KEY_S, DIK_S, 'S'},
    {host::hid::KEY_T, DIK_T, 'T'},
    {host::hid::KEY_U, DIK_U, 'U'},
    {host::hid::KEY_V, DIK_V, 'V'},
    {host::hid::KEY_W, DIK_W, 'W'},
    {host::hid::KEY_X, DIK_X, 'X'},
    {host::hid::KEY_Y, DIK_Y, 'Y'},
    {host::hid::KEY_Z, DIK_Z, 'Z'},
    {host::hid::KEY_1, DIK_1, '1'},
    {host::hid::KEY_2, DIK_2, '2'},
    {host::hid::KEY_3, DIK_3, '3'},
    {host::hid::KEY_4, DIK_4, '4'},
    {host::hid::KEY_5, DIK_5, '5'},
    {host::hid::KEY_6, DIK_6, '6'},
    {host::hid::KEY_7, DIK_7, '7'},
    {host::hid::KEY_8, DIK_8, '8'},
    {host::hid::KEY_9, DIK_9, '9'},
    {host::hid::KEY_0, DIK_0, '0'},
    {host::hid::KEY_RETURN, DIK_RETURN, VK_RETURN},
    {host::hid::KEY_ESCAPE, DIK_ESCAPE, VK_ESCAPE},
    {host::hid::KEY_BACKSPACE, DIK_BACK, VK_BACK},
    {host::hid::KEY_TAB, DIK_TAB, VK_TAB},
    {host::hid::KEY_SPACE, DIK_SPACE, VK_SPACE},
    {host::hid::KEY_MINUS, DIK_MINUS, VK_OEM_MINUS},
    {host::hid::KEY_EQUALS, DIK_EQUALS, VK_OEM_PLUS},
    {host::hid::KEY_LEFTBRACKET, DIK_LBRACKET, VK_OEM_4},
    {host::hid::KEY_RIGHTBRACKET, DIK_RBRACKET, VK_OEM_6},
    {host::hid::KEY_BACKSLASH, DIK_BACKSLASH, VK_OEM_5},
    {host::hid::KEY_NONUSHASH, DIK_BACKSLASH, VK_OEM_5}, // the ISO keyboard's key in the same place
    {host::hid::KEY_SEMICOLON, DIK_SEMICOLON, VK_OEM_1},
    {host::hid::KEY_APOSTROPHE, DIK_APOSTROPHE, VK_OEM_7},
    {host::hid::KEY_GRAVE, DIK_GRAVE, VK_OEM_3},
    {host::hid::KEY_COMMA, DIK_COMMA, VK_OEM_COMMA},
    {host::hid::KEY_PERIOD, DIK_PERIOD, VK_OEM_PERIOD},
    {host::hid::KEY_SLASH, DIK_SLASH, VK_OEM_2},
    {host::hid::KEY_CAPSLOCK, DIK_CAPITAL, VK_CAPITAL},
    {host::hid::KEY_F1, DIK_F1, VK_F1},
    {host::hid::KEY_F2, DIK_F2, VK_F2},
    {host::hid::KEY_F3, DIK_F3, VK_F3},
    {host::hid::KEY_F4, DIK_F4, VK_F4},
    {host::hid::KEY_F5, DIK_F5, VK_F5},
    {host::hid::KEY_F6, DIK_F6, VK_F6},
    {host::hid::KEY_F7, DIK_F7, VK_F7},
    {host::hid::KEY_F8, DIK_F8, VK_F8},
    {host::hid::KEY_F9, DIK_F9, VK_F9},
    {host::hid::KEY_F10, DIK_F10, VK_F10},
    {host::hid::KEY_F11, DIK_F11, VK_F11},
    {host::hid::KEY_F12, DIK_F12, VK_F12},
    {host::hid::KEY_PRINTSCREEN, DIK_SYSRQ, VK_SNAPSHOT},
    {host::hid::KEY_SCROLLLOCK, DIK_SCROLL, VK_SCROLL},
    {host::hid::KEY_PAUSE, DIK_PAUSE, VK_PAUSE},
    {host::hid::KEY_INSERT, DIK_INSERT, VK_INSERT},
    {host::hid::KEY_HOME, DIK_HOME, VK_HOME},
    {host::hid::KEY_PAGEUP, DIK_PRIOR, VK_PRIOR},
    {host::hid::KEY_DELETE, DIK_DELETE, VK_DELETE},
    {host::hid::KEY_END, DIK_END, VK_END},
    {host::hid::KEY_PAGEDOWN, DIK_NEXT, VK_NEXT},
    {host::hid::KEY_RIGHT, DIK_RIGHT, VK_RIGHT},
    {host::hid::KEY_LEFT, DIK_LEFT, VK_LEFT},
    {host::hid::KEY_DOWN, DIK_DOWN, VK_DOWN},
    {host::hid::KEY_UP, DIK_UP, VK_UP},
    {host::hid::KEY_NUMLOCKCLEAR, DIK_NUMLOCK, VK_NUMLOCK},
    {host::hid::KEY_KP_DIVIDE, DIK_DIVIDE, VK_DIVIDE},
    {host::hid::KEY_KP_MULTIPLY, DIK_MULTIPLY, VK_MULTIPLY},
    {host::hid::KEY_KP_MINUS, DIK_SUBTRACT, VK_SUBTRACT},
    {host::hid::KEY_KP_PLUS, DIK_ADD, VK_ADD},
    {host::hid::KEY_KP_ENTER, DIK_NUMPADENTER, VK_RETURN},
    {host::hid::KEY_KP_1, DIK_NUMPAD1, VK_NUMPAD1, VK_END},
    {host::hid::KEY_KP_2, DIK_NUMPAD2, VK_NUMPAD2, VK_DOWN},
    {host::hid::KEY_KP_3, DIK_NUMPAD3, VK_NUMPAD3, VK_NEXT},
    {host::hid::KEY_KP_4, DIK_NUMPAD4, VK_NUMPAD4, VK_LEFT},
    {host::hid::KEY_KP_5, DIK_NUMPAD5, VK_NUMPAD5, VK_CLEAR},
    {host::hid::KEY_KP_6, DIK_NUMPAD6, VK_NUMPAD6, VK_RIGHT},
    {host::hid::KEY_KP_7, DIK_NUMPAD7, VK_NUMPAD7, VK_HOME},
    {host::hid::KEY_KP_8, DIK_NUMPAD8, VK_NUMPAD8, VK_UP},
    {host::hid::KEY_KP_9, DIK_NUMPAD9, VK_NUMPAD9, VK_PRIOR},
    {host::hid::KEY_KP_0, DIK_NUMPAD0, VK_NUMPAD0, VK_INSERT},
    {host::hid::KEY_KP_PERIOD, DIK_DECIMAL, VK_DECIMAL, VK_DELETE},
    {host::hid::KEY_NONUSBACKSLASH, DIK_OEM_102, VK_OEM_102},
    {host::hid::KEY_APPLICATION, DIK_APPS, VK_APPS},
    {host::hid::KEY_POWER, DIK_POWER, 0},
    {host::hid::KEY_KP_EQUALS, 0x59, 0},
    {host::hid::KEY_F13, DIK_F13, VK_F13},
    {host::hid::KEY_F14, DIK_F14, VK_F14},
    {host::hid::KEY_F15, DIK_F15, VK_F15},
    {host::hid::KEY_F15 + 1, 0x67, VK_F16}, // F16 to F24 have scan codes but no DIK_ names
    {host::hid::KEY_F15 + 2, 0x68, VK_F17},
    {host::hid::KEY_F15 + 3, 0x69, VK_F18},
    {host::hid::KEY_F15 + 4, 0x6A, VK_F19},
    {host::hid::KEY_F15 + 5, 0x6B, VK_F20},
    {host::hid::KEY_F15 + 6, 0x6C, VK_F21},
    {host::hid::KEY_F15 + 7, 0x6D, VK_F22},
    {host::hid::KEY_F15 + 8, 0x6E, VK_F23},
    {host::hid::KEY_F24, 0x76, VK_F24},
    {host::hid::KEY_MUTE, DIK_MUTE, VK_VOLUME_MUTE},
    {host::hid::KEY_VOLUMEUP, DIK_VOLUMEUP, VK_VOLUME_UP},
    {host::hid::KEY_VOLUMEDOWN, DIK_VOLUMEDOWN, VK_VOLUME_DOWN},
    {host::hid::KEY_KP_COMMA, DIK_ABNT_C2, VK_SEPARATOR}, // the Brazilian keypad's period
    {host::hid::KEY_INTERNATIONAL1, DIK_ABNT_C1, 0},
    {host::hid::KEY_INTERNATIONAL2, DIK_KANA, VK_KANA},
    {host::hid::KEY_INTERNATIONAL3, DIK_YEN, 0},
    {host::hid::KEY_INTERNATIONAL4, DIK_CONVERT, VK_CONVERT},
    {host::hid::KEY_INTERNATIONAL5, DIK_NOCONVERT, VK_NONCONVERT},
    {host::hid::KEY_LCTRL, DIK_LCONTROL, VK_CONTROL}, // key messages name a modifier, not its side
    {host::hid::KEY_LSHIFT, DIK_LSHIFT, VK_SHIFT},
    {host::hid::KEY_LALT, DIK_LMENU, VK_MENU},
    {host::hid::KEY_LGUI, DIK_LWIN, VK_LWIN},
    {host::hid::KEY_RCTRL, DIK_RCONTROL, VK_CONTROL},
    {host::hid::KEY_RSHIFT, DIK_RSHIFT, VK_SHIFT},
    {host::hid::KEY_RALT, DIK_RMENU, VK_MENU},
    {host::hid::KEY_RGUI, DIK_RWIN, VK_RWIN},
    // The media and browser keys of the consumer page, and System Sleep.
    {host::hid::KEY_AUDIONEXT, DIK_NEXTTRACK, VK_MEDIA_NEXT_TRACK},
    {host::hid::KEY_AUDIOPREV, DIK_PREVTRACK, VK_MEDIA_PREV_TRACK},
    {host::hid::KEY_AUDIOSTOP, DIK_MEDIASTOP, VK_MEDIA_STOP},
    {host::hid::KEY_AUDIOPLAY, DIK_PLAYPAUSE, VK_MEDIA_PLAY_PAUSE},
    {host::hid::KEY_AUDIOMUTE, DIK_MUTE, VK_VOLUME_MUTE},
    {host::hid::KEY_MEDIASELECT, DIK_MEDIASELECT, VK_LAUNCH_MEDIA_SELECT},
    {host::hid::KEY_MAIL, DIK_MAIL, VK_LAUNCH_MAIL},
    {host::hid::KEY_CALCULATOR, DIK_CALCULATOR, VK_LAUNCH_APP2},
    {host::hid::KEY_COMPUTER, DIK_MYCOMPUTER, VK_LAUNCH_APP1},
    {host::hid::KEY_AC_SEARCH, DIK_WEBSEARCH, VK_BROWSER_SEARCH},
    {host::hid::KEY_AC_HOME, DIK_WEBHOME, VK_BROWSER_HOME},
    {host::hid::KEY_AC_BACK, DIK_WEBBACK, VK_BROWSER_BACK},
    {host::hid::KEY_AC_FORWARD, DIK_WEBFORWARD, VK_BROWSER_FORWARD},
    {host::hid::KEY_AC_STOP, DIK_WEBSTOP, VK_BROWSER_STOP},
    {host::hid::KEY_AC_REFRESH, DIK_WEBREFRESH, VK_BROWSER_REFRESH},
    {host::hid::KEY_AC_BOOKMARKS, DIK_WEBFAVORITES, VK_BROWSER_FAVORITES},
    {host::hid::KEY_SLEEP, DIK_SLEEP, VK_SLEEP},
};

const Key* find(host::hid::Usage usage) {
    const auto it =
        std::find_if(std::begin(kKeys), std::end(kKeys), [usage](const Key& k) { return k.usage == usage; });
    return it == std::end(kKeys) ? nullptr : it;
}

} // namespace

BYTE scan_code_from_usage(host::hid::Usage usage) {
    const Key* key = find(usage);
    return key == nullptr ? 0 : key->code;
}

BYTE vk_from_usage(host::hid::Usage usage, bool num_lock) {
    const Key* key = find(usage);
    if (key == nullptr)
        return 0;
    return num_lock || key->vk_off == 0 ? key->vk : key->vk_off;
}

LPARAM scan_bits(host::hid::Usage sc) {
    const BYTE dik = scan_code_from_usage(sc);
    LPARAM code = dik & 0x7F;
    LPARAM extended = (dik & 0x80) ? 1 : 0;
    // Pause sends no E0 code of its own: its messages carry 0x45, like Num Lock, which in turn is extended.
    if (sc == host::hid::KEY_PAUSE) {
        code = 0x45;
        extended = 0;
    } else if (sc == host::hid::KEY_NUMLOCKCLEAR) {
        extended = 1;
    }
    return (code << 16) | (extended << 24);
}

char char_from_vk(BYTE vk, bool shift, bool caps_lock, bool ctrl) {
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl)
            return static_cast<char>(vk - 'A' + 1);
        return (shift != caps_lock) ? static_cast<char>(vk) : static_cast<char>(vk - 'A' + 'a');
    }
    if (ctrl) {
        // Ctrl makes the control characters of a few keys and nothing of the rest.
        switch (vk) {
        case VK_OEM_4:
            return 0x1B;
        case VK_OEM_5:
            return 0x1C;
        case VK_OEM_6:
            return 0x1D;
        case VK_BACK:
            return 0x7F;
        case VK_RETURN:
            return 0x0A;
        case VK_ESCAPE:
            return 0x1B;
        case VK_SPACE:
            return ' ';
        default:
            return 0;
        }
    }
    if (vk >= '0' && vk <= '9') {
        static constexpr char shifted[] = ")!@#$%^&*(";
        return shift ? shifted[vk - '0'] : static_cast<char>(vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return static_cast<char>('0' + (vk - VK_NUMPAD0));
    switch (vk) {
    case VK_SPACE:
        return ' ';
    case VK_RETURN:
        return '\r';
    case VK_BACK:
        return '\b';
    case VK_TAB:
        return '\t';
    case VK_ESCAPE:
        return 0x1B;
    case VK_OEM_MINUS:
        return shift ? '_' : '-';
    case VK_OEM_PLUS:
        return shift ? '+' : '=';
    case VK_OEM_4:
        return shift ? '{' : '[';
    case VK_OEM_6:
        return shift ? '}' : ']';
    case VK_OEM_5:
        return shift ? '|' : '\\';
    case VK_OEM_1:
        return shift ? ':' : ';';
    case VK_OEM_7:
        return shift ? '"' : '\'';
    case VK_OEM_3:
        return shift ? '~' : '`';
    case VK_OEM_COMMA:
        return shift ? '<' : ',';
    case VK_OEM_PERIOD:
        return shift ? '>' : '.';
    case VK_OEM_2:
        return shift ? '?' : '/';
    case VK_OEM_102:
        return shift ? '|' : '\\';
    case VK_MULTIPLY:
        return '*';
    case VK_ADD:
        return '+';
    case VK_SUBTRACT:
        return '-';
    case VK_DECIMAL:
        return '.';
    case VK_DIVIDE:
        return '/';
    default:
        return 0;
    }
}

} // namespace platform::win32
