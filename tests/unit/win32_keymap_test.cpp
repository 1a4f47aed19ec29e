// The keyboard tables: DirectInput key codes and virtual-key codes of USB HID usages (named here by the SDL
// scancodes of the keyboard page, which are those usages) against the codes the
// SDK documents, the key-message scan bits, the characters TranslateMessage makes, and the usages of the
// DOM key codes the web host reads.
#include "host/web/dom_keymap_web.h"
#include "win32/win32_keymap.h"

#include <SDL.h>

#include <dinput.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using platform::keymap::char_from_vk;
using platform::keymap::scan_bits;
using platform::keymap::scan_code_from_usage;
using platform::keymap::vk_from_usage;

TEST(DikTable, GivesTheDocumentedCodesOfTheKeysTheViewerAndItsUsersPress) {
    const std::vector<std::pair<SDL_Scancode, int>> known = {
        {SDL_SCANCODE_ESCAPE, 1},
        {SDL_SCANCODE_1, 2},
        {SDL_SCANCODE_0, 11},
        {SDL_SCANCODE_W, 17},
        {SDL_SCANCODE_A, 30},
        {SDL_SCANCODE_S, 31},
        {SDL_SCANCODE_D, 32},
        {SDL_SCANCODE_Q, 16},
        {SDL_SCANCODE_M, 50},
        {SDL_SCANCODE_SPACE, 57},
        {SDL_SCANCODE_LSHIFT, 42},
        {SDL_SCANCODE_RSHIFT, 54},
        {SDL_SCANCODE_LCTRL, 29},
        {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_LALT, 56},
        {SDL_SCANCODE_RALT, 0xB8},
        {SDL_SCANCODE_RETURN, 28},
        {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_TAB, 15},
        {SDL_SCANCODE_BACKSPACE, 14},
        {SDL_SCANCODE_CAPSLOCK, 58},
        {SDL_SCANCODE_F1, 0x3B},
        {SDL_SCANCODE_F7, 0x41},
        {SDL_SCANCODE_F8, 0x42},
        {SDL_SCANCODE_F9, 0x43},
        {SDL_SCANCODE_F10, 0x44},
        {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_F12, 0x58},
        {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},
        {SDL_SCANCODE_HOME, 0xC7},
        {SDL_SCANCODE_END, 0xCF},
        {SDL_SCANCODE_PAGEUP, 0xC9},
        {SDL_SCANCODE_PAGEDOWN, 0xD1},
        {SDL_SCANCODE_INSERT, 0xD2},
        {SDL_SCANCODE_DELETE, 0xD3},
        {SDL_SCANCODE_KP_7, 0x47},
        {SDL_SCANCODE_KP_0, 0x52},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
        {SDL_SCANCODE_PAUSE, 0xC5},
        {SDL_SCANCODE_PRINTSCREEN, 0xB7},
        {SDL_SCANCODE_LGUI, 0xDB},
        {SDL_SCANCODE_GRAVE, 41},
        {SDL_SCANCODE_BACKSLASH, 43},
        {SDL_SCANCODE_SLASH, 53},
        {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    };
    for (const auto& [scancode, code] : known)
        EXPECT_EQ(scan_code_from_usage(scancode), code) << SDL_GetScancodeName(scancode);
}

TEST(DikTable, CoversTheWholeStandardKeyboardWithoutTwoKeysSharingACode) {
    // The 105 keys of a standard PC keyboard: every one has a code, and no code names two of them.
    std::vector<SDL_Scancode> standard;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
        if (sc != SDL_SCANCODE_NONUSHASH) // the ISO key in the backslash position: the same key code
            standard.push_back(static_cast<SDL_Scancode>(sc));
    for (const SDL_Scancode sc :
         {SDL_SCANCODE_NONUSBACKSLASH, SDL_SCANCODE_APPLICATION, SDL_SCANCODE_LCTRL, SDL_SCANCODE_LSHIFT,
          SDL_SCANCODE_LALT, SDL_SCANCODE_LGUI, SDL_SCANCODE_RCTRL, SDL_SCANCODE_RSHIFT, SDL_SCANCODE_RALT,
          SDL_SCANCODE_RGUI})
        standard.push_back(sc);
    EXPECT_EQ(standard.size(), 105u);
    std::map<int, SDL_Scancode> seen;
    for (const SDL_Scancode sc : standard) {
        const int code = scan_code_from_usage(sc);
        EXPECT_NE(code, 0) << SDL_GetScancodeName(sc) << " has no key code";
        const auto [it, fresh] = seen.emplace(code, sc);
        EXPECT_TRUE(fresh) << SDL_GetScancodeName(sc) << " and " << SDL_GetScancodeName(it->second)
                           << " share code " << code;
    }
    EXPECT_EQ(scan_code_from_usage(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(scan_code_from_usage(static_cast<SDL_Scancode>(SDL_NUM_SCANCODES)), 0);
    // Keys of other pages carry their page: the consumer page's Mute, not SDL's own number for it.
    EXPECT_EQ(scan_code_from_usage(platform::hid::KEY_AUDIOMUTE), DIK_MUTE);
    EXPECT_EQ(scan_code_from_usage(SDL_SCANCODE_AUDIOMUTE), 0);
}

TEST(VkTable, GivesTheVirtualKeysKeyMessagesCarry) {
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_W, true), 0x57);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_A, true), 'A');
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_Z, true), 'Z');
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_0, true), '0');
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_9, true), '9');
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_ESCAPE, true), 27);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_SPACE, true), VK_SPACE);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_F1, true), 0x70);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_F7, true), 118);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_F8, true), 119);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_F9, true), 120);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_F12, true), 0x7B);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_LEFT, true), VK_LEFT);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_DOWN, true), VK_DOWN);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_RETURN, true), VK_RETURN);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_KP_ENTER, true), VK_RETURN);
    // Key messages name the modifier, not its side.
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_LSHIFT, true), VK_SHIFT);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_RSHIFT, true), VK_SHIFT);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_RCTRL, true), VK_CONTROL);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_LALT, true), VK_MENU);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_SEMICOLON, true), VK_OEM_1);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_SLASH, true), VK_OEM_2);
    // The keypad follows Num Lock.
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_KP_8, true), VK_NUMPAD8);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_KP_8, false), VK_UP);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_KP_PERIOD, true), VK_DECIMAL);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_KP_PERIOD, false), VK_DELETE);
    EXPECT_EQ(vk_from_usage(SDL_SCANCODE_UNKNOWN, true), 0);
}

TEST(VkTable, EveryStandardKeyHasAVirtualKey) {
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc)
        EXPECT_NE(vk_from_usage(static_cast<SDL_Scancode>(sc), true), 0)
            << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
}

TEST(ScanBits, CarryTheSetOneCodeAndTheExtendedFlag) {
    EXPECT_EQ(scan_bits(SDL_SCANCODE_ESCAPE), 0x01 << 16);
    EXPECT_EQ(scan_bits(SDL_SCANCODE_F7), 0x41 << 16);
    EXPECT_EQ(scan_bits(SDL_SCANCODE_LCTRL), 0x1D << 16);
    EXPECT_EQ(scan_bits(SDL_SCANCODE_RCTRL), (0x1D << 16) | (1 << 24));
    EXPECT_EQ(scan_bits(SDL_SCANCODE_UP), (0x48 << 16) | (1 << 24));
    EXPECT_EQ(scan_bits(SDL_SCANCODE_KP_8), 0x48 << 16);
    // Pause and Num Lock share 0x45; Num Lock is the extended one.
    EXPECT_EQ(scan_bits(SDL_SCANCODE_PAUSE), 0x45 << 16);
    EXPECT_EQ(scan_bits(SDL_SCANCODE_NUMLOCKCLEAR), (0x45 << 16) | (1 << 24));
}

TEST(Characters, FollowShiftCapsLockAndCtrlOnTheUsLayout) {
    EXPECT_EQ(char_from_vk('W', false, false, false), 'w');
    EXPECT_EQ(char_from_vk('W', true, false, false), 'W');
    EXPECT_EQ(char_from_vk('W', false, true, false), 'W');
    EXPECT_EQ(char_from_vk('W', true, true, false), 'w');
    EXPECT_EQ(char_from_vk('A', false, false, true), 0x01);
    EXPECT_EQ(char_from_vk('1', false, false, false), '1');
    EXPECT_EQ(char_from_vk('1', true, false, false), '!');
    EXPECT_EQ(char_from_vk('0', true, false, false), ')');
    EXPECT_EQ(char_from_vk(VK_OEM_2, true, false, false), '?');
    EXPECT_EQ(char_from_vk(VK_SPACE, false, false, false), ' ');
    EXPECT_EQ(char_from_vk(VK_RETURN, false, false, false), '\r');
    EXPECT_EQ(char_from_vk(VK_ESCAPE, false, false, false), 0x1B);
    EXPECT_EQ(char_from_vk(VK_NUMPAD5, false, false, false), '5');
    // Keys that make no character.
    EXPECT_EQ(char_from_vk(VK_F7, false, false, false), 0);
    EXPECT_EQ(char_from_vk(VK_SHIFT, true, false, false), 0);
    EXPECT_EQ(char_from_vk(VK_LEFT, false, false, false), 0);
    EXPECT_EQ(char_from_vk('1', false, false, true), 0);
}

} // namespace

namespace {

using platform::keymap::usage_from_dom_code;

TEST(DomCodes, NameTheSameKeysAsTheDesktopsScancodes) {
    // The keys the viewer and its users press, by the code the browser gives them.
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("KeyW")), DIK_W);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("KeyA")), DIK_A);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("KeyZ")), DIK_Z);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("Space")), DIK_SPACE);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("ShiftLeft")), DIK_LSHIFT);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("ShiftRight")), DIK_RSHIFT);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("Escape")), DIK_ESCAPE);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("F7"), true), VK_F7);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("F9"), true), VK_F9);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("F12"), true), VK_F12);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("F13"), true), VK_F13);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("Digit1"), true), '1');
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("Digit9"), true), '9');
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("Digit0"), true), '0');
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("Numpad0"), true), VK_NUMPAD0);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("Numpad8"), true), VK_NUMPAD8);
    EXPECT_EQ(vk_from_usage(usage_from_dom_code("NumpadEnter"), true), VK_RETURN);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("NumpadEnter")), DIK_NUMPADENTER);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("ArrowUp")), DIK_UP);
    EXPECT_EQ(scan_code_from_usage(usage_from_dom_code("MediaPlayPause")), DIK_PLAYPAUSE);
    // Codes that name no key, or keys beyond the tables, are no key at all.
    for (const char* code : {"", "Key", "KeyAA", "Keya", "F0", "F25", "F1x", "Digit", "Fn", "Unidentified"})
        EXPECT_EQ(usage_from_dom_code(code), 0u) << code;
}

TEST(DomCodes, EveryKeyOfTheStandardKeyboardHasItsOwnCode) {
    // The DOM codes of the 104 keys of a US PC keyboard (the ISO key IntlBackslash makes 105): each gives
    // a key with a DirectInput code, and no two give the same one.
    std::vector<std::string> codes = {
        "Escape",         "Backquote",    "Minus",       "Equal",         "Backspace",    "Tab",
        "BracketLeft",    "BracketRight", "Backslash",   "CapsLock",      "Semicolon",    "Quote",
        "Enter",          "ShiftLeft",    "Comma",       "Period",        "Slash",        "ShiftRight",
        "ControlLeft",    "MetaLeft",     "AltLeft",     "Space",         "AltRight",     "MetaRight",
        "ContextMenu",    "ControlRight", "PrintScreen", "ScrollLock",    "Pause",        "Insert",
        "Home",           "PageUp",       "Delete",      "End",           "PageDown",     "ArrowUp",
        "ArrowLeft",      "ArrowDown",    "ArrowRight",  "NumLock",       "NumpadDivide", "NumpadMultiply",
        "NumpadSubtract", "NumpadAdd",    "NumpadEnter", "NumpadDecimal", "IntlBackslash"};
    for (char c = 'A'; c <= 'Z'; ++c)
        codes.push_back(std::string("Key") + c);
    for (char c = '0'; c <= '9'; ++c) {
        codes.push_back(std::string("Digit") + c);
        codes.push_back(std::string("Numpad") + c);
    }
    for (int f = 1; f <= 12; ++f)
        codes.push_back("F" + std::to_string(f));
    EXPECT_EQ(codes.size(), 105u);
    std::map<int, std::string> seen;
    for (const std::string& code : codes) {
        const int dik = scan_code_from_usage(usage_from_dom_code(code));
        EXPECT_NE(dik, 0) << code;
        const auto [it, fresh] = seen.emplace(dik, code);
        EXPECT_TRUE(fresh) << code << " and " << it->second << " give the same key";
    }
}

} // namespace
