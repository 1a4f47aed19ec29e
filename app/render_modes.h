// The three render modes that F7, F8 and F9 switch: depth testing, texture filter and shade mode, each
// with the value the frame uses now and the value the next key-down of its key makes current. Values are
// the device's own numbering, passed to it unchanged.
#pragma once

#include <windows.h>

struct RenderModes {
    INT depth_current = 0;  // 0 disabled, 1 enabled; the entry point enables it before the loop
    INT depth_next = 0;     // the successor of "enabled", so that the first F7 switches depth testing off
    INT filter_current = 3; // 1 point, 2 linear, 3 anisotropic
    INT filter_next = 1;
    INT shade_current = 2; // 1 flat, 2 Gouraud, 3 Phong
    INT shade_next = 3;
};

extern RenderModes render_modes;

// On a key-down of F7, F8 or F9: that mode's next value becomes current.
void apply_pending_mode(WPARAM key);
// On every key-down and key-up of F7, F8 or F9: that mode's next value becomes the successor of its current.
void recompute_next_mode(WPARAM key);
