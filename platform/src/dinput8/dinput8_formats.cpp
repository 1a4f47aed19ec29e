// The published DirectInput 8 constants: the GUIDs and interface identifiers with their SDK values, and the
// data formats c_dfDIKeyboard (256 key bytes, one per key code) and c_dfDIMouse (DIMOUSESTATE: three
// relative axes and four buttons).
#include <dinput.h>

#include <array>
#include <cstddef>

const GUID GUID_XAxis = {0xA36D02E0, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_YAxis = {0xA36D02E1, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_ZAxis = {0xA36D02E2, 0xC9F3, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Key = {0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectInput8A = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const IID IID_IDirectInputDevice8A = {
    0x54D41080, 0xDC15, 0x4833, {0xA4, 0x1B, 0x74, 0x8F, 0x73, 0xA3, 0x81, 0x79}};

namespace {

constexpr std::array<DIOBJECTDATAFORMAT, 256> keyboard_objects() {
    std::array<DIOBJECTDATAFORMAT, 256> objects{};
    for (DWORD i = 0; i < 256; ++i)
        objects[i] = {&GUID_Key, i, DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i) | DIDFT_OPTIONAL, 0};
    return objects;
}
constexpr std::array<DIOBJECTDATAFORMAT, 256> keyboard_object_formats = keyboard_objects();

const DIOBJECTDATAFORMAT mouse_object_formats[] = {
    {&GUID_XAxis, offsetof(DIMOUSESTATE, lX), DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_YAxis, offsetof(DIMOUSESTATE, lY), DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_ZAxis, offsetof(DIMOUSESTATE, lZ), DIDFT_AXIS | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
    {nullptr, offsetof(DIMOUSESTATE, rgbButtons) + 0, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, offsetof(DIMOUSESTATE, rgbButtons) + 1, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {nullptr, offsetof(DIMOUSESTATE, rgbButtons) + 2, DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
    {nullptr, offsetof(DIMOUSESTATE, rgbButtons) + 3, DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL, 0},
};

} // namespace

const DIDATAFORMAT c_dfDIKeyboard = {
    sizeof(DIDATAFORMAT),           sizeof(DIOBJECTDATAFORMAT),    DIDF_RELAXIS, 256,
    keyboard_object_formats.size(), keyboard_object_formats.data()};
const DIDATAFORMAT c_dfDIMouse = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT),      DIDF_RELAXIS,
    sizeof(DIMOUSESTATE), std::size(mouse_object_formats), mouse_object_formats};
