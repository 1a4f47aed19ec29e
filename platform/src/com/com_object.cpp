// The interface id of IUnknown, with its SDK value: every object the layer implements answers to it
// (com_object.h).
#include <windows.h>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
