// Virtual-key codes and key-message scan codes of USB HID key usages (hid_usage.h) (the US layout, as Windows
// maps it), and the characters TranslateMessage makes of virtual keys. The scan code of a key message is the
// key's set-1 scan code, which is its DirectInput code without the E0 bit; that bit becomes the extended-key
// flag.
#include "win32/win32_keymap.h"

#include <dinput.h>

namespace platform::keymap {

BYTE vk_from_usage(hid::Usage sc, bool num_lock) {
    if (sc >= hid::KEY_A && sc <= hid::KEY_Z)
        return static_cast<BYTE>('A' + (sc - hid::KEY_A));
    if (sc >= hid::KEY_1 && sc <= hid::KEY_9)
        return static_cast<BYTE>('1' + (sc - hid::KEY_1));
    if (sc >= hid::KEY_F1 && sc <= hid::KEY_F12)
        return static_cast<BYTE>(VK_F1 + (sc - hid::KEY_F1));
    if (sc >= hid::KEY_F13 && sc <= hid::KEY_F24)
        return static_cast<BYTE>(VK_F13 + (sc - hid::KEY_F13));
    switch (sc) {
    case hid::KEY_0:
        return '0';
    case hid::KEY_RETURN:
        return VK_RETURN;
    case hid::KEY_ESCAPE:
        return VK_ESCAPE;
    case hid::KEY_BACKSPACE:
        return VK_BACK;
    case hid::KEY_TAB:
        return VK_TAB;
    case hid::KEY_SPACE:
        return VK_SPACE;
    case hid::KEY_MINUS:
        return VK_OEM_MINUS;
    case hid::KEY_EQUALS:
        return VK_OEM_PLUS;
    case hid::KEY_LEFTBRACKET:
        return VK_OEM_4;
    case hid::KEY_RIGHTBRACKET:
        return VK_OEM_6;
    case hid::KEY_BACKSLASH:
    case hid::KEY_NONUSHASH:
        return VK_OEM_5;
    case hid::KEY_SEMICOLON:
        return VK_OEM_1;
    case hid::KEY_APOSTROPHE:
        return VK_OEM_7;
    case hid::KEY_GRAVE:
        return VK_OEM_3;
    case hid::KEY_COMMA:
        return VK_OEM_COMMA;
    case hid::KEY_PERIOD:
        return VK_OEM_PERIOD;
    case hid::KEY_SLASH:
        return VK_OEM_2;
    case hid::KEY_NONUSBACKSLASH:
        return VK_OEM_102;
    case hid::KEY_CAPSLOCK:
        return VK_CAPITAL;
    case hid::KEY_PRINTSCREEN:
        return VK_SNAPSHOT;
    case hid::KEY_SCROLLLOCK:
        return VK_SCROLL;
    case hid::KEY_PAUSE:
        return VK_PAUSE;
    case hid::KEY_INSERT:
        return VK_INSERT;
    case hid::KEY_HOME:
        return VK_HOME;
    case hid::KEY_PAGEUP:
        return VK_PRIOR;
    case hid::KEY_DELETE:
        return VK_DELETE;
    case hid::KEY_END:
        return VK_END;
    case hid::KEY_PAGEDOWN:
        return VK_NEXT;
    case hid::KEY_RIGHT:
        return VK_RIGHT;
    case hid::KEY_LEFT:
        return VK_LEFT;
    case hid::KEY_DOWN:
        return VK_DOWN;
    case hid::KEY_UP:
        return VK_UP;
    case hid::KEY_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case hid::KEY_KP_DIVIDE:
        return VK_DIVIDE;
    case hid::KEY_KP_MULTIPLY:
        return VK_MULTIPLY;
    case hid::KEY_KP_MINUS:
        return VK_SUBTRACT;
    case hid::KEY_KP_PLUS:
        return VK_ADD;
    case hid::KEY_KP_ENTER:
        return VK_RETURN;
    case hid::KEY_KP_1:
        return num_lock ? VK_NUMPAD1 : VK_END;
    case hid::KEY_KP_2:
        return num_lock ? VK_NUMPAD2 : VK_DOWN;
    case hid::KEY_KP_3:
        return num_lock ? VK_NUMPAD3 : VK_NEXT;
    case hid::KEY_KP_4:
        return num_lock ? VK_NUMPAD4 : VK_LEFT;
    case hid::KEY_KP_5:
        return num_lock ? VK_NUMPAD5 : VK_CLEAR;
    case hid::KEY_KP_6:
        return num_lock ? VK_NUMPAD6 : VK_RIGHT;
    case hid::KEY_KP_7:
        return num_lock ? VK_NUMPAD7 : VK_HOME;
    case hid::KEY_KP_8:
        return num_lock ? VK_NUMPAD8 : VK_UP;
    case hid::KEY_KP_9:
        return num_lock ? VK_NUMPAD9 : VK_PRIOR;
    case hid::KEY_KP_0:
        return num_lock ? VK_NUMPAD0 : VK_INSERT;
    case hid::KEY_KP_PERIOD:
        return num_lock ? VK_DECIMAL : VK_DELETE;
    case hid::KEY_KP_COMMA:
        return VK_SEPARATOR;
    case hid::KEY_APPLICATION:
        return VK_APPS;
    case hid::KEY_LCTRL:
    case hid::KEY_RCTRL:
        return VK_CONTROL;
    case hid::KEY_LSHIFT:
    case hid::KEY_RSHIFT:
        return VK_SHIFT;
    case hid::KEY_LALT:
    case hid::KEY_RALT:
        return VK_MENU;
    case hid::KEY_LGUI:
        return VK_LWIN;
    case hid::KEY_RGUI:
        return VK_RWIN;
    case hid::KEY_INTERNATIONAL2:
        return VK_KANA;
    case hid::KEY_INTERNATIONAL4:
        return VK_CONVERT;
    case hid::KEY_INTERNATIONAL5:
        return VK_NONCONVERT;
    case hid::KEY_AUDIONEXT:
        return VK_MEDIA_NEXT_TRACK;
    case hid::KEY_AUDIOPREV:
        return VK_MEDIA_PREV_TRACK;
    case hid::KEY_AUDIOSTOP:
        return VK_MEDIA_STOP;
    case hid::KEY_AUDIOPLAY:
        return VK_MEDIA_PLAY_PAUSE;
    case hid::KEY_AUDIOMUTE:
    case hid::KEY_MUTE:
        return VK_VOLUME_MUTE;
    case hid::KEY_VOLUMEUP:
        return VK_VOLUME_UP;
    case hid::KEY_VOLUMEDOWN:
        return VK_VOLUME_DOWN;
    case hid::KEY_MEDIASELECT:
        return VK_LAUNCH_MEDIA_SELECT;
    case hid::KEY_MAIL:
        return VK_LAUNCH_MAIL;
    case hid::KEY_CALCULATOR:
        return VK_LAUNCH_APP2;
    case hid::KEY_COMPUTER:
        return VK_LAUNCH_APP1;
    case hid::KEY_AC_SEARCH:
        return VK_BROWSER_SEARCH;
    case hid::KEY_AC_HOME:
        return VK_BROWSER_HOME;
    case hid::KEY_AC_BACK:
        return VK_BROWSER_BACK;
    case hid::KEY_AC_FORWARD:
        return VK_BROWSER_FORWARD;
    case hid::KEY_AC_STOP:
        return VK_BROWSER_STOP;
    case hid::KEY_AC_REFRESH:
        return VK_BROWSER_REFRESH;
    case hid::KEY_AC_BOOKMARKS:
        return VK_BROWSER_FAVORITES;
    case hid::KEY_SLEEP:
        return VK_SLEEP;
    default:
        return 0;
    }
}

LPARAM scan_bits(hid::Usage sc) {
    const BYTE dik = scan_code_from_usage(sc);
    LPARAM code = dik & 0x7F;
    LPARAM extended = (dik & 0x80) ? 1 : 0;
    // Pause sends no E0 code of its own: its messages carry 0x45, like Num Lock, which in turn is extended.
    if (sc == hid::KEY_PAUSE) {
        code = 0x45;
        extended = 0;
    } else if (sc == hid::KEY_NUMLOCKCLEAR) {
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

} // namespace platform::keymap
