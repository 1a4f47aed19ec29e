// F7 switches depth testing, F8 the texture filter and F9 the shade mode. A key-down makes the pending value
// current; every key-down and key-up of the key then stores the successor of the current value as pending.
#include "app/render_modes.h"

RenderModes render_modes;

namespace {

// Depth testing alternates between enabled (1) and disabled (0).
INT next_depth(INT current) {
    return current == 1 ? 0 : 1;
}

// Filters and shade modes cycle through 1, 2, 3.
INT next_in_cycle(INT current) {
    return current == 3 ? 1 : current + 1;
}

} // namespace

void apply_pending_mode(WPARAM key) {
    switch (key) {
    case VK_F7:
        render_modes.depth_current = render_modes.depth_next;
        break;
    case VK_F8:
        render_modes.filter_current = render_modes.filter_next;
        break;
    case VK_F9:
        render_modes.shade_current = render_modes.shade_next;
        break;
    default:
        break;
    }
}

void recompute_next_mode(WPARAM key) {
    switch (key) {
    case VK_F7:
        render_modes.depth_next = next_depth(render_modes.depth_current);
        break;
    case VK_F8:
        render_modes.filter_next = next_in_cycle(render_modes.filter_current);
        break;
    case VK_F9:
        render_modes.shade_next = next_in_cycle(render_modes.shade_current);
        break;
    default:
        break;
    }
}
