// The USB HID usages of DOM KeyboardEvent.code values, the web host's key identity: the two name the same
// physical keys (the code of a key is its place on a US keyboard, whatever the layout). Pure: no browser
// calls, so the desktop's unit tests check it too.
#include "host/web/dom_keymap_web.h"

namespace platform::host {
namespace {

struct CodeUsage {
    std::string_view code;
    hid::Usage usage;
};

// DOM `code` values of the keys the layer knows, by USB HID usage.
constexpr CodeUsage kCodes[] = {
    {"Enter", hid::KEY_RETURN},
    {"Escape", hid::KEY_ESCAPE},
    {"Backspace", hid::KEY_BACKSPACE},
    {"Tab", hid::KEY_TAB},
    {"Space", hid::KEY_SPACE},
    {"Minus", hid::KEY_MINUS},
    {"Equal", hid::KEY_EQUALS},
    {"BracketLeft", hid::KEY_LEFTBRACKET},
    {"BracketRight", hid::KEY_RIGHTBRACKET},
    {"Backslash", hid::KEY_BACKSLASH},
    {"Semicolon", hid::KEY_SEMICOLON},
    {"Quote", hid::KEY_APOSTROPHE},
    {"Backquote", hid::KEY_GRAVE},
    {"Comma", hid::KEY_COMMA},
    {"Period", hid::KEY_PERIOD},
    {"Slash", hid::KEY_SLASH},
    {"CapsLock", hid::KEY_CAPSLOCK},
    {"PrintScreen", hid::KEY_PRINTSCREEN},
    {"ScrollLock", hid::KEY_SCROLLLOCK},
    {"Pause", hid::KEY_PAUSE},
    {"Insert", hid::KEY_INSERT},
    {"Home", hid::KEY_HOME},
    {"PageUp", hid::KEY_PAGEUP},
    {"Delete", hid::KEY_DELETE},
    {"End", hid::KEY_END},
    {"PageDown", hid::KEY_PAGEDOWN},
    {"ArrowRight", hid::KEY_RIGHT},
    {"ArrowLeft", hid::KEY_LEFT},
    {"ArrowDown", hid::KEY_DOWN},
    {"ArrowUp", hid::KEY_UP},
    {"NumLock", hid::KEY_NUMLOCKCLEAR},
    {"NumpadDivide", hid::KEY_KP_DIVIDE},
    {"NumpadMultiply", hid::KEY_KP_MULTIPLY},
    {"NumpadSubtract", hid::KEY_KP_MINUS},
    {"NumpadAdd", hid::KEY_KP_PLUS},
    {"NumpadEnter", hid::KEY_KP_ENTER},
    {"NumpadDecimal", hid::KEY_KP_PERIOD},
    {"IntlBackslash", hid::KEY_NONUSBACKSLASH},
    {"ContextMenu", hid::KEY_APPLICATION},
    {"Power", hid::KEY_POWER},
    {"NumpadEqual", hid::KEY_KP_EQUALS},
    {"AudioVolumeMute", hid::KEY_MUTE},
    {"AudioVolumeUp", hid::KEY_VOLUMEUP},
    {"AudioVolumeDown", hid::KEY_VOLUMEDOWN},
    {"NumpadComma", hid::KEY_KP_COMMA},
    {"IntlRo", hid::KEY_INTERNATIONAL1},
    {"KanaMode", hid::KEY_INTERNATIONAL2},
    {"IntlYen", hid::KEY_INTERNATIONAL3},
    {"Convert", hid::KEY_INTERNATIONAL4},
    {"NonConvert", hid::KEY_INTERNATIONAL5},
    {"ControlLeft", hid::KEY_LCTRL},
    {"ShiftLeft", hid::KEY_LSHIFT},
    {"AltLeft", hid::KEY_LALT},
    {"MetaLeft", hid::KEY_LGUI},
    {"ControlRight", hid::KEY_RCTRL},
    {"ShiftRight", hid::KEY_RSHIFT},
    {"AltRight", hid::KEY_RALT},
    {"MetaRight", hid::KEY_RGUI},
    {"MediaTrackNext", hid::KEY_AUDIONEXT},
    {"MediaTrackPrevious", hid::KEY_AUDIOPREV},
    {"MediaStop", hid::KEY_AUDIOSTOP},
    {"MediaPlayPause", hid::KEY_AUDIOPLAY},
    {"MediaSelect", hid::KEY_MEDIASELECT},
    {"LaunchMail", hid::KEY_MAIL},
    {"LaunchApp2", hid::KEY_CALCULATOR},
    {"LaunchApp1", hid::KEY_COMPUTER},
    {"BrowserSearch", hid::KEY_AC_SEARCH},
    {"BrowserHome", hid::KEY_AC_HOME},
    {"BrowserBack", hid::KEY_AC_BACK},
    {"BrowserForward", hid::KEY_AC_FORWARD},
    {"BrowserStop", hid::KEY_AC_STOP},
    {"BrowserRefresh", hid::KEY_AC_REFRESH},
    {"BrowserFavorites", hid::KEY_AC_BOOKMARKS},
    {"Sleep", hid::KEY_SLEEP},
};

} // namespace

hid::Usage usage_from_dom_code(std::string_view code) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z')
        return hid::KEY_A + static_cast<hid::Usage>(code[3] - 'A');
    if (code.size() == 6 && code.substr(0, 5) == "Digit" && digit(code[5]))
        return code[5] == '0' ? hid::KEY_0 : hid::KEY_1 + static_cast<hid::Usage>(code[5] - '1');
    if (code.size() == 7 && code.substr(0, 6) == "Numpad" && digit(code[6]))
        return code[6] == '0' ? hid::KEY_KP_0 : hid::KEY_KP_1 + static_cast<hid::Usage>(code[6] - '1');
    if (code.size() >= 2 && code[0] == 'F' && digit(code[1])) {
        int n = 0;
        for (const char c : code.substr(1)) {
            if (!digit(c))
                return 0;
            n = n * 10 + (c - '0');
        }
        if (n >= 1 && n <= 12)
            return hid::KEY_F1 + static_cast<hid::Usage>(n - 1);
        if (n >= 13 && n <= 24)
            return hid::KEY_F13 + static_cast<hid::Usage>(n - 13);
        return 0;
    }
    for (const CodeUsage& c : kCodes)
        if (c.code == code)
            return c.usage;
    return 0;
}

} // namespace platform::host
