// The scene: the box's vertices and indices in their device buffers, the point light and the material.
#pragma once

#include "render/graphics.h"

struct BoxVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

constexpr DWORD BOX_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

// The 24 vertices and 36 indices of the box, as they go into the buffers.
extern const BoxVertex box_vertices[24];
extern const WORD box_indices[36];

// Creates and fills the vertex and index buffers; false when either cannot be created or locked.
bool build_box();
void setup_light_and_material();
