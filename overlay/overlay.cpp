// The six status lines: the eye's X and Z, the field of view, and the three render modes with the key that
// switches each. Formatted afresh in every frame into fixed buffers and drawn one line at a time.
#include "overlay/overlay.h"

#include "app/render_modes.h"
#include "camera/camera.h"
#include "render/graphics.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr INT left_edge = 30;
constexpr INT right_edge = 1024; // the back buffer's width and height
constexpr INT bottom_edge = 768;
constexpr INT first_top = 30;
constexpr INT line_spacing = 30;
constexpr D3DCOLOR text_colour = 0xFFFFFFFF;

// The label of a mode value; a value without one (never produced by the keys) shows as "unknown".
const char* label_of(INT value, const char* const* labels, INT first, INT last) {
    return value >= first && value <= last ? labels[value - first] : "unknown";
}

} // namespace

void draw_status_overlay() {
    const char enabled_txt[64] = "enabled";
    const char disabled_txt[64] = "disabled";
    const char point_txt[64] = "point";
    const char linear_txt[64] = "linear";
    const char anisotropic_txt[64] = "anisotropic";
    const char flats_txt[64] = "flat";
    const char gouraud_txt[64] = "gouraud";
    const char phong_txt[64] = "phong";
    const char* const depth_labels[] = {disabled_txt, enabled_txt};
    const char* const filter_labels[] = {point_txt, linear_txt, anisotropic_txt};
    const char* const shade_labels[] = {flats_txt, gouraud_txt, phong_txt};

    char msg1[64];
    char msg2[64];
    char msg3[64];
    std::snprintf(msg1, sizeof msg1, "X axis: %f", static_cast<double>(camera.eye_x));
    std::snprintf(msg2, sizeof msg2, "Z axis: %f", static_cast<double>(camera.eye_z));
    std::snprintf(msg3, sizeof msg3, "FOV: %i", camera.fov);

    char t_zbuff[64];
    char t_filter[32];
    char t_shad[64];
    std::snprintf(t_zbuff, sizeof t_zbuff, "Z Buffer: %s (F7)",
                  label_of(render_modes.depth_current, depth_labels, 0, 1));
    std::snprintf(t_filter, sizeof t_filter, "Filtering: %s (F8)",
                  label_of(render_modes.filter_current, filter_labels, 1, 3));
    std::snprintf(t_shad, sizeof t_shad, "Shading: %s (F9)",
                  label_of(render_modes.shade_current, shade_labels, 1, 3));

    const char* const lines[] = {msg1, msg2, msg3, t_zbuff, t_filter, t_shad};
    INT top = first_top;
    for (const char* line : lines) {
        draw_status_line(line, left_edge, top, text_colour);
        top += line_spacing;
    }
}

void draw_status_line(const char* text, INT left, INT top, D3DCOLOR color) {
    RECT rect;
    SetRect(&rect, left, top, right_edge, bottom_edge);
    // Without a font (no usable face at start-up) the status text is left out.
    if (graphics.font == nullptr)
        return;
    graphics.font->DrawTextA(nullptr, text, static_cast<INT>(std::strlen(text)), &rect, 0, color);
}
