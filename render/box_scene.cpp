// The box, six units on a side and centred at the origin: 24 vertices (four per face, each with its face's
// normal) and 12 triangles, clockwise seen from outside; one white point light at (10, 10, 5) and a white
// material.
#include "render/box_scene.h"

#include <cstring>

// clang-format off
const BoxVertex box_vertices[24] = {
    // +Z
    {-3.0f, -3.0f,  3.0f,  0.0f,  0.0f,  1.0f, 0.0f, 0.0f},
    { 3.0f, -3.0f,  3.0f,  0.0f,  0.0f,  1.0f, 1.0f, 0.0f},
    {-3.0f,  3.0f,  3.0f,  0.0f,  0.0f,  1.0f, 0.0f, 1.0f},
    { 3.0f,  3.0f,  3.0f,  0.0f,  0.0f,  1.0f, 1.0f, 1.0f},
    // -Z
    { 3.0f, -3.0f, -3.0f,  0.0f,  0.0f, -1.0f, 0.0f, 0.0f},
    {-3.0f, -3.0f, -3.0f,  0.0f,  0.0f, -1.0f, 1.0f, 0.0f},
    { 3.0f,  3.0f, -3.0f,  0.0f,  0.0f, -1.0f, 0.0f, 1.0f},
    {-3.0f,  3.0f, -3.0f,  0.0f,  0.0f, -1.0f, 1.0f, 1.0f},
    // +Y
    {-3.0f,  3.0f, -3.0f,  0.0f,  1.0f,  0.0f, 0.0f, 0.0f},
    {-3.0f,  3.0f,  3.0f,  0.0f,  1.0f,  0.0f, 1.0f, 0.0f},
    { 3.0f,  3.0f, -3.0f,  0.0f,  1.0f,  0.0f, 0.0f, 1.0f},
    { 3.0f,  3.0f,  3.0f,  0.0f,  1.0f,  0.0f, 1.0f, 1.0f},
    // -Y
    {-3.0f, -3.0f, -3.0f,  0.0f, -1.0f,  0.0f, 0.0f, 0.0f},
    { 3.0f, -3.0f, -3.0f,  0.0f, -1.0f,  0.0f, 1.0f, 0.0f},
    {-3.0f, -3.0f,  3.0f,  0.0f, -1.0f,  0.0f, 0.0f, 1.0f},
    { 3.0f, -3.0f,  3.0f,  0.0f, -1.0f,  0.0f, 1.0f, 1.0f},
    // +X
    { 3.0f, -3.0f,  3.0f,  1.0f,  0.0f,  0.0f, 0.0f, 0.0f},
    { 3.0f, -3.0f, -3.0f,  1.0f,  0.0f,  0.0f, 1.0f, 0.0f},
    { 3.0f,  3.0f,  3.0f,  1.0f,  0.0f,  0.0f, 0.0f, 1.0f},
    { 3.0f,  3.0f, -3.0f,  1.0f,  0.0f,  0.0f, 1.0f, 1.0f},
    // -X
    {-3.0f, -3.0f, -3.0f, -1.0f,  0.0f,  0.0f, 0.0f, 0.0f},
    {-3.0f, -3.0f,  3.0f, -1.0f,  0.0f,  0.0f, 1.0f, 0.0f},
    {-3.0f,  3.0f, -3.0f, -1.0f,  0.0f,  0.0f, 0.0f, 1.0f},
    {-3.0f,  3.0f,  3.0f, -1.0f,  0.0f,  0.0f, 1.0f, 1.0f},
};

// Face f contributes (4f, 4f+1, 4f+2) and (4f+2, 4f+1, 4f+3).
const WORD box_indices[36] = {
     0,  1,  2,  2,  1,  3,
     4,  5,  6,  6,  5,  7,
     8,  9, 10, 10,  9, 11,
    12, 13, 14, 14, 13, 15,
    16, 17, 18, 18, 17, 19,
    20, 21, 22, 22, 21, 23,
};
// clang-format on

static_assert(sizeof(BoxVertex) == 32, "the vertex stride is 32 bytes");

namespace {

// Creates nothing itself: copies the bytes into a buffer made by the caller, through Lock and Unlock.
template <typename Buffer> bool fill_buffer(Buffer* buffer, const void* data, size_t size) {
    VOID* pVoid = nullptr;
    if (FAILED(buffer->Lock(0, 0, &pVoid, 0)) || pVoid == nullptr)
        return false;
    std::memcpy(pVoid, data, size);
    buffer->Unlock();
    return true;
}

} // namespace

bool build_box() {
    IDirect3DDevice9* const device = graphics.device;
    if (FAILED(device->CreateVertexBuffer(sizeof box_vertices, 0, BOX_VERTEX_FVF, D3DPOOL_MANAGED,
                                          &graphics.vertex_buffer, nullptr))) {
        graphics.vertex_buffer = nullptr;
        return false;
    }
    if (!fill_buffer(graphics.vertex_buffer, box_vertices, sizeof box_vertices))
        return false;

    if (FAILED(device->CreateIndexBuffer(sizeof box_indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         &graphics.index_buffer, nullptr))) {
        graphics.index_buffer = nullptr;
        return false;
    }
    return fill_buffer(graphics.index_buffer, box_indices, sizeof box_indices);
}

void setup_light_and_material() {
    D3DLIGHT9 light;
    std::memset(&light, 0, sizeof light);
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Position = {10.0f, 10.0f, 5.0f};
    light.Range = 100.0f;
    light.Attenuation0 = 0.0f;
    light.Attenuation1 = 0.0f;
    light.Attenuation2 = 0.01f;
    graphics.device->SetLight(0, &light);
    graphics.device->LightEnable(0, TRUE);

    D3DMATERIAL9 material;
    std::memset(&material, 0, sizeof material);
    material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    graphics.device->SetMaterial(&material);
}
