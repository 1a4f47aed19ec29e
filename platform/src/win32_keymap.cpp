// Virtual-key codes and key-message scan codes of SDL scancodes (the US layout, as Windows maps it), and
// the characters TranslateMessage makes of virtual keys. The scan code of a key message is the key's set-1
// scan code, which is its DirectInput code without the E0 bit; that bit becomes the extended-key flag.
#include "keymap_internal.h"

#include <dinput.h>

namespace platform::keymap {

BYTE vk_from_scancode(SDL_Scancode sc, bool num_lock) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return static_cast<BYTE>('A' + (sc - SDL_SCANCODE_A));
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9)
        return static_cast<BYTE>('1' + (sc - SDL_SCANCODE_1));
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
        return static_cast<BYTE>(VK_F1 + (sc - SDL_SCANCODE_F1));
    if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24)
        return static_cast<BYTE>(VK_F13 + (sc - SDL_SCANCODE_F13));
    switch (sc) {
    case SDL_SCANCODE_0:
        return '0';
    case SDL_SCANCODE_RETURN:
        return VK_RETURN;
    case SDL_SCANCODE_ESCAPE:
        return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE:
        return VK_BACK;
    case SDL_SCANCODE_TAB:
        return VK_TAB;
    case SDL_SCANCODE_SPACE:
        return VK_SPACE;
    case SDL_SCANCODE_MINUS:
        return VK_OEM_MINUS;
    case SDL_SCANCODE_EQUALS:
        return VK_OEM_PLUS;
    case SDL_SCANCODE_LEFTBRACKET:
        return VK_OEM_4;
    case SDL_SCANCODE_RIGHTBRACKET:
        return VK_OEM_6;
    case SDL_SCANCODE_BACKSLASH:
    case SDL_SCANCODE_NONUSHASH:
        return VK_OEM_5;
    case SDL_SCANCODE_SEMICOLON:
        return VK_OEM_1;
    case SDL_SCANCODE_APOSTROPHE:
        return VK_OEM_7;
    case SDL_SCANCODE_GRAVE:
        return VK_OEM_3;
    case SDL_SCANCODE_COMMA:
        return VK_OEM_COMMA;
    case SDL_SCANCODE_PERIOD:
        return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH:
        return VK_OEM_2;
    case SDL_SCANCODE_NONUSBACKSLASH:
        return VK_OEM_102;
    case SDL_SCANCODE_CAPSLOCK:
        return VK_CAPITAL;
    case SDL_SCANCODE_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDL_SCANCODE_SCROLLLOCK:
        return VK_SCROLL;
    case SDL_SCANCODE_PAUSE:
        return VK_PAUSE;
    case SDL_SCANCODE_INSERT:
        return VK_INSERT;
    case SDL_SCANCODE_HOME:
        return VK_HOME;
    case SDL_SCANCODE_PAGEUP:
        return VK_PRIOR;
    case SDL_SCANCODE_DELETE:
        return VK_DELETE;
    case SDL_SCANCODE_END:
        return VK_END;
    case SDL_SCANCODE_PAGEDOWN:
        return VK_NEXT;
    case SDL_SCANCODE_RIGHT:
        return VK_RIGHT;
    case SDL_SCANCODE_LEFT:
        return VK_LEFT;
    case SDL_SCANCODE_DOWN:
        return VK_DOWN;
    case SDL_SCANCODE_UP:
        return VK_UP;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDL_SCANCODE_KP_DIVIDE:
        return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS:
        return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS:
        return VK_ADD;
    case SDL_SCANCODE_KP_ENTER:
        return VK_RETURN;
    case SDL_SCANCODE_KP_1:
        return num_lock ? VK_NUMPAD1 : VK_END;
    case SDL_SCANCODE_KP_2:
        return num_lock ? VK_NUMPAD2 : VK_DOWN;
    case SDL_SCANCODE_KP_3:
        return num_lock ? VK_NUMPAD3 : VK_NEXT;
    case SDL_SCANCODE_KP_4:
        return num_lock ? VK_NUMPAD4 : VK_LEFT;
    case SDL_SCANCODE_KP_5:
        return num_lock ? VK_NUMPAD5 : VK_CLEAR;
    case SDL_SCANCODE_KP_6:
        return num_lock ? VK_NUMPAD6 : VK_RIGHT;
    case SDL_SCANCODE_KP_7:
        return num_lock ? VK_NUMPAD7 : VK_HOME;
    case SDL_SCANCODE_KP_8:
        return num_lock ? VK_NUMPAD8 : VK_UP;
    case SDL_SCANCODE_KP_9:
        return num_lock ? VK_NUMPAD9 : VK_PRIOR;
    case SDL_SCANCODE_KP_0:
        return num_lock ? VK_NUMPAD0 : VK_INSERT;
    case SDL_SCANCODE_KP_PERIOD:
        return num_lock ? VK_DECIMAL : VK_DELETE;
    case SDL_SCANCODE_KP_COMMA:
        return VK_SEPARATOR;
    case SDL_SCANCODE_APPLICATION:
        return VK_APPS;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
        return VK_CONTROL;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
        return VK_SHIFT;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
        return VK_MENU;
    case SDL_SCANCODE_LGUI:
        return VK_LWIN;
    case SDL_SCANCODE_RGUI:
        return VK_RWIN;
    case SDL_SCANCODE_INTERNATIONAL2:
        return VK_KANA;
    case SDL_SCANCODE_INTERNATIONAL4:
        return VK_CONVERT;
    case SDL_SCANCODE_INTERNATIONAL5:
        return VK_NONCONVERT;
    case SDL_SCANCODE_AUDIONEXT:
        return VK_MEDIA_NEXT_TRACK;
    case SDL_SCANCODE_AUDIOPREV:
        return VK_MEDIA_PREV_TRACK;
    case SDL_SCANCODE_AUDIOSTOP:
        return VK_MEDIA_STOP;
    case SDL_SCANCODE_AUDIOPLAY:
        return VK_MEDIA_PLAY_PAUSE;
    case SDL_SCANCODE_AUDIOMUTE:
    case SDL_SCANCODE_MUTE:
        return VK_VOLUME_MUTE;
    case SDL_SCANCODE_VOLUMEUP:
        return VK_VOLUME_UP;
    case SDL_SCANCODE_VOLUMEDOWN:
        return VK_VOLUME_DOWN;
    case SDL_SCANCODE_MEDIASELECT:
        return VK_LAUNCH_MEDIA_SELECT;
    case SDL_SCANCODE_MAIL:
        return VK_LAUNCH_MAIL;
    case SDL_SCANCODE_CALCULATOR:
        return VK_LAUNCH_APP2;
    case SDL_SCANCODE_COMPUTER:
        return VK_LAUNCH_APP1;
    case SDL_SCANCODE_AC_SEARCH:
        return VK_BROWSER_SEARCH;
    case SDL_SCANCODE_AC_HOME:
        return VK_BROWSER_HOME;
    case SDL_SCANCODE_AC_BACK:
        return VK_BROWSER_BACK;
    case SDL_SCANCODE_AC_FORWARD:
        return VK_BROWSER_FORWARD;
    case SDL_SCANCODE_AC_STOP:
        return VK_BROWSER_STOP;
    case SDL_SCANCODE_AC_REFRESH:
        return VK_BROWSER_REFRESH;
    case SDL_SCANCODE_AC_BOOKMARKS:
        return VK_BROWSER_FAVORITES;
    case SDL_SCANCODE_SLEEP:
        return VK_SLEEP;
    default:
        return 0;
    }
}

LPARAM scan_bits(SDL_Scancode sc) {
    const BYTE dik = dik_from_scancode(sc);
    LPARAM code = dik & 0x7F;
    LPARAM extended = (dik & 0x80) ? 1 : 0;
    // Pause sends no E0 code of its own: its messages carry 0x45, like Num Lock, which in turn is extended.
    if (sc == SDL_SCANCODE_PAUSE) {
        code = 0x45;
        extended = 0;
    } else if (sc == SDL_SCANCODE_NUMLOCKCLEAR) {
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
