// The PC set-1 scan codes of USB HID key usages (hid_usage.h), which are also DirectInput's key codes: the
// complete standard keyboard (main block,
// function row, editing and navigation block, keypad, Windows and menu keys, the international keys and the
// multimedia keys that DirectInput names). A DirectInput key code is the key's PC set-1 scan code, with 0x80
// added for the keys whose scan code carries the E0 prefix.
#include "win32/win32_keymap.h"

#include <dinput.h>

#include <array>

namespace platform::keymap {
namespace {

constexpr std::array<BYTE, hid::kKeyboardPageSize> make_table() {
    std::array<BYTE, hid::kKeyboardPageSize> t{};
    // Letters.
    t[hid::KEY_A] = DIK_A;
    t[hid::KEY_B] = DIK_B;
    t[hid::KEY_C] = DIK_C;
    t[hid::KEY_D] = DIK_D;
    t[hid::KEY_E] = DIK_E;
    t[hid::KEY_F] = DIK_F;
    t[hid::KEY_G] = DIK_G;
    t[hid::KEY_H] = DIK_H;
    t[hid::KEY_I] = DIK_I;
    t[hid::KEY_J] = DIK_J;
    t[hid::KEY_K] = DIK_K;
    t[hid::KEY_L] = DIK_L;
    t[hid::KEY_M] = DIK_M;
    t[hid::KEY_N] = DIK_N;
    t[hid::KEY_O] = DIK_O;
    t[hid::KEY_P] = DIK_P;
    t[hid::KEY_Q] = DIK_Q;
    t[hid::KEY_R] = DIK_R;
    t[hid::KEY_S] = DIK_S;
    t[hid::KEY_T] = DIK_T;
    t[hid::KEY_U] = DIK_U;
    t[hid::KEY_V] = DIK_V;
    t[hid::KEY_W] = DIK_W;
    t[hid::KEY_X] = DIK_X;
    t[hid::KEY_Y] = DIK_Y;
    t[hid::KEY_Z] = DIK_Z;
    // Digit row.
    t[hid::KEY_1] = DIK_1;
    t[hid::KEY_2] = DIK_2;
    t[hid::KEY_3] = DIK_3;
    t[hid::KEY_4] = DIK_4;
    t[hid::KEY_5] = DIK_5;
    t[hid::KEY_6] = DIK_6;
    t[hid::KEY_7] = DIK_7;
    t[hid::KEY_8] = DIK_8;
    t[hid::KEY_9] = DIK_9;
    t[hid::KEY_0] = DIK_0;
    t[hid::KEY_MINUS] = DIK_MINUS;
    t[hid::KEY_EQUALS] = DIK_EQUALS;
    t[hid::KEY_BACKSPACE] = DIK_BACK;
    // Main block.
    t[hid::KEY_ESCAPE] = DIK_ESCAPE;
    t[hid::KEY_TAB] = DIK_TAB;
    t[hid::KEY_LEFTBRACKET] = DIK_LBRACKET;
    t[hid::KEY_RIGHTBRACKET] = DIK_RBRACKET;
    t[hid::KEY_RETURN] = DIK_RETURN;
    t[hid::KEY_LCTRL] = DIK_LCONTROL;
    t[hid::KEY_SEMICOLON] = DIK_SEMICOLON;
    t[hid::KEY_APOSTROPHE] = DIK_APOSTROPHE;
    t[hid::KEY_GRAVE] = DIK_GRAVE;
    t[hid::KEY_LSHIFT] = DIK_LSHIFT;
    t[hid::KEY_BACKSLASH] = DIK_BACKSLASH;
    t[hid::KEY_NONUSHASH] = DIK_BACKSLASH; // the same key position on ISO keyboards
    t[hid::KEY_COMMA] = DIK_COMMA;
    t[hid::KEY_PERIOD] = DIK_PERIOD;
    t[hid::KEY_SLASH] = DIK_SLASH;
    t[hid::KEY_RSHIFT] = DIK_RSHIFT;
    t[hid::KEY_LALT] = DIK_LMENU;
    t[hid::KEY_SPACE] = DIK_SPACE;
    t[hid::KEY_CAPSLOCK] = DIK_CAPITAL;
    t[hid::KEY_NONUSBACKSLASH] = DIK_OEM_102;
    t[hid::KEY_RCTRL] = DIK_RCONTROL;
    t[hid::KEY_RALT] = DIK_RMENU;
    t[hid::KEY_LGUI] = DIK_LWIN;
    t[hid::KEY_RGUI] = DIK_RWIN;
    t[hid::KEY_APPLICATION] = DIK_APPS;
    // Function row.
    t[hid::KEY_F1] = DIK_F1;
    t[hid::KEY_F2] = DIK_F2;
    t[hid::KEY_F3] = DIK_F3;
    t[hid::KEY_F4] = DIK_F4;
    t[hid::KEY_F5] = DIK_F5;
    t[hid::KEY_F6] = DIK_F6;
    t[hid::KEY_F7] = DIK_F7;
    t[hid::KEY_F8] = DIK_F8;
    t[hid::KEY_F9] = DIK_F9;
    t[hid::KEY_F10] = DIK_F10;
    t[hid::KEY_F11] = DIK_F11;
    t[hid::KEY_F12] = DIK_F12;
    t[hid::KEY_F13] = DIK_F13;
    t[hid::KEY_F14] = DIK_F14;
    t[hid::KEY_F15] = DIK_F15;
    t[hid::KEY_PRINTSCREEN] = DIK_SYSRQ;
    t[hid::KEY_SCROLLLOCK] = DIK_SCROLL;
    t[hid::KEY_PAUSE] = DIK_PAUSE;
    // Editing and navigation block.
    t[hid::KEY_INSERT] = DIK_INSERT;
    t[hid::KEY_DELETE] = DIK_DELETE;
    t[hid::KEY_HOME] = DIK_HOME;
    t[hid::KEY_END] = DIK_END;
    t[hid::KEY_PAGEUP] = DIK_PRIOR;
    t[hid::KEY_PAGEDOWN] = DIK_NEXT;
    t[hid::KEY_UP] = DIK_UP;
    t[hid::KEY_DOWN] = DIK_DOWN;
    t[hid::KEY_LEFT] = DIK_LEFT;
    t[hid::KEY_RIGHT] = DIK_RIGHT;
    // Keypad.
    t[hid::KEY_NUMLOCKCLEAR] = DIK_NUMLOCK;
    t[hid::KEY_KP_DIVIDE] = DIK_DIVIDE;
    t[hid::KEY_KP_MULTIPLY] = DIK_MULTIPLY;
    t[hid::KEY_KP_MINUS] = DIK_SUBTRACT;
    t[hid::KEY_KP_PLUS] = DIK_ADD;
    t[hid::KEY_KP_ENTER] = DIK_NUMPADENTER;
    t[hid::KEY_KP_PERIOD] = DIK_DECIMAL;
    t[hid::KEY_KP_0] = DIK_NUMPAD0;
    t[hid::KEY_KP_1] = DIK_NUMPAD1;
    t[hid::KEY_KP_2] = DIK_NUMPAD2;
    t[hid::KEY_KP_3] = DIK_NUMPAD3;
    t[hid::KEY_KP_4] = DIK_NUMPAD4;
    t[hid::KEY_KP_5] = DIK_NUMPAD5;
    t[hid::KEY_KP_6] = DIK_NUMPAD6;
    t[hid::KEY_KP_7] = DIK_NUMPAD7;
    t[hid::KEY_KP_8] = DIK_NUMPAD8;
    t[hid::KEY_KP_9] = DIK_NUMPAD9;
    t[hid::KEY_KP_EQUALS] = DIK_NUMPADEQUALS;
    t[hid::KEY_KP_COMMA] = DIK_NUMPADCOMMA;
    // International keys.
    t[hid::KEY_INTERNATIONAL1] = DIK_ABNT_C1;
    t[hid::KEY_INTERNATIONAL2] = DIK_KANA;
    t[hid::KEY_INTERNATIONAL3] = DIK_YEN;
    t[hid::KEY_INTERNATIONAL4] = DIK_CONVERT;
    t[hid::KEY_INTERNATIONAL5] = DIK_NOCONVERT;
    // Multimedia and power keys of the keyboard page (the others are in scan_code_from_usage).
    t[hid::KEY_MUTE] = DIK_MUTE;
    t[hid::KEY_VOLUMEUP] = DIK_VOLUMEUP;
    t[hid::KEY_VOLUMEDOWN] = DIK_VOLUMEDOWN;
    t[hid::KEY_POWER] = DIK_POWER;
    return t;
}

constexpr std::array<BYTE, hid::kKeyboardPageSize> dik_table = make_table();

} // namespace

BYTE scan_code_from_usage(hid::Usage usage) {
    if (usage < hid::kKeyboardPageSize)
        return dik_table[usage];
    // The multimedia keys of the consumer page and System Sleep.
    switch (usage) {
    case hid::KEY_AUDIONEXT:
        return DIK_NEXTTRACK;
    case hid::KEY_AUDIOPREV:
        return DIK_PREVTRACK;
    case hid::KEY_AUDIOSTOP:
        return DIK_MEDIASTOP;
    case hid::KEY_AUDIOPLAY:
        return DIK_PLAYPAUSE;
    case hid::KEY_AUDIOMUTE:
        return DIK_MUTE;
    case hid::KEY_MEDIASELECT:
        return DIK_MEDIASELECT;
    case hid::KEY_MAIL:
        return DIK_MAIL;
    case hid::KEY_CALCULATOR:
        return DIK_CALCULATOR;
    case hid::KEY_COMPUTER:
        return DIK_MYCOMPUTER;
    case hid::KEY_AC_SEARCH:
        return DIK_WEBSEARCH;
    case hid::KEY_AC_HOME:
        return DIK_WEBHOME;
    case hid::KEY_AC_BACK:
        return DIK_WEBBACK;
    case hid::KEY_AC_FORWARD:
        return DIK_WEBFORWARD;
    case hid::KEY_AC_STOP:
        return DIK_WEBSTOP;
    case hid::KEY_AC_REFRESH:
        return DIK_WEBREFRESH;
    case hid::KEY_AC_BOOKMARKS:
        return DIK_WEBFAVORITES;
    case hid::KEY_SLEEP:
        return DIK_SLEEP;
    default:
        return 0;
    }
}

} // namespace platform::keymap
