// One frame, in a fixed order: the current render modes become device states, both buffers are cleared, the
// scene begins, the vertex format and the textures are bound, the camera moves, the status text is drawn,
// the view, projection and world transforms are set, the box is drawn with one call, and the frame is shown.
#include "render/frame.h"

#include "app/render_modes.h"
#include "camera/camera.h"
#include "overlay/overlay.h"
#include "render/box_scene.h"
#include "render/graphics.h"

namespace {

constexpr D3DCOLOR clear_colour = D3DCOLOR_ARGB(0xFF, 0, 0, 0);
constexpr float degrees_to_radians = 0.017453292f;
constexpr float aspect_ratio = 1.3333334f; // 1024 / 768
constexpr float near_plane = 1.0f;
constexpr float far_plane = 100.0f;
constexpr UINT box_vertex_count = 24;
constexpr UINT box_triangle_count = 12;

} // namespace

void draw_frame() {
    IDirect3DDevice9* const device = graphics.device;

    device->SetRenderState(D3DRS_ZENABLE, static_cast<DWORD>(render_modes.depth_current));
    device->SetSamplerState(0, D3DSAMP_MINFILTER, static_cast<DWORD>(render_modes.filter_current));
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, static_cast<DWORD>(render_modes.filter_current));
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, static_cast<DWORD>(render_modes.filter_current));
    device->SetRenderState(D3DRS_SHADEMODE, static_cast<DWORD>(render_modes.shade_current));

    device->Clear(0, nullptr, D3DCLEAR_TARGET, clear_colour, 1.0f, 0);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, clear_colour, 1.0f, 0);

    device->BeginScene();
    device->SetFVF(BOX_VERTEX_FVF);
    device->SetTexture(1, graphics.bump_texture);
    device->SetTexture(0, graphics.fur_texture);

    const LookOffset offset = update_camera(camera, input_snapshot);
    draw_status_overlay();

    D3DXMATRIX matTranslateA;
    D3DXMATRIX matRotate;
    D3DXMATRIX matRotate2;
    D3DXMATRIX matScale;
    D3DXMatrixTranslation(&matTranslateA, 0.0f, 0.0f, 0.0f);
    D3DXMatrixRotationY(&matRotate, 0.0f);
    D3DXMatrixRotationX(&matRotate2, 0.0f);
    D3DXMatrixScaling(&matScale, 1.0f, 1.0f, 1.0f);

    const D3DXVECTOR3 eye(camera.eye_x, camera.eye_y, camera.eye_z);
    const D3DXVECTOR3 target(camera.eye_x - offset.dx, camera.eye_y - offset.dy, camera.eye_z + offset.dz);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX matView;
    D3DXMatrixLookAtLH(&matView, &eye, &target, &up);
    device->SetTransform(D3DTS_VIEW, &matView);

    const float field_of_view =
        static_cast<float>(static_cast<double>(camera.fov) * static_cast<double>(degrees_to_radians));
    D3DXMATRIX matProjection;
    D3DXMatrixPerspectiveFovLH(&matProjection, field_of_view, aspect_ratio, near_plane, far_plane);
    device->SetTransform(D3DTS_PROJECTION, &matProjection);

    D3DXMATRIX matWorld;
    D3DXMatrixMultiply(&matWorld, &matTranslateA, &matRotate);
    D3DXMatrixMultiply(&matWorld, &matWorld, &matRotate2);
    D3DXMatrixMultiply(&matWorld, &matWorld, &matScale);
    device->SetTransform(D3DTS_WORLD, &matWorld);

    device->SetStreamSource(0, graphics.vertex_buffer, 0, sizeof(BoxVertex));
    device->SetIndices(graphics.index_buffer);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, box_vertex_count, 0, box_triangle_count);
    device->EndScene();

    device->Present(nullptr, nullptr, nullptr, nullptr);
}
