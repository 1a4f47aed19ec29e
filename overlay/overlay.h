// The six lines of white status text in the upper left corner.
#pragma once

#include <windows.h>
#include <d3d9.h>

void draw_status_overlay();
void draw_status_line(const char* text, INT left, INT top, D3DCOLOR color);
