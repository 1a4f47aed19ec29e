// The keyboard tables: the characters TranslateMessage makes, and the usages of the DOM key codes the web
// host reads. Each key's codes against the documented ones are checked through the pump, on the fake host
// (dinput_devices_test.cpp).
#include "host/web/dom_keymap_web.h"
#include "win32/win32_keymap.h"

#include <dinput.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using platform::win32::char_from_vk;
using platform::win32::scan_code_from_usage;
using platform::win32::vk_from_usage;

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

using platform::host::usage_from_dom_code;

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
