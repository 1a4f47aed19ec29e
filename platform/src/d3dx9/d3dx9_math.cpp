// D3DX 9 matrix functions for the Linux build: D3DXMatrixTranslation, D3DXMatrixRotationX/Y,
// D3DXMatrixScaling, D3DXMatrixLookAtLH, D3DXMatrixPerspectiveFovLH and D3DXMatrixMultiply. Single-precision
// arithmetic with the documented formulas, row vectors (v' = v * M), left-handed. Each call is traced.
#include <d3dx9.h>

#include "trace/trace_d3dx9.h"

#include <cmath>

namespace {

using platform::trace::MatrixArg;
using platform::trace::VectorArg;

// Writes the matrix with these rows to `out` unless it is null; returns `out`.
D3DXMATRIX* write_rows(D3DXMATRIX* out, const float (&rows)[4][4]) {
    if (out == nullptr)
        return nullptr;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out->m[r][c] = rows[r][c];
    return out;
}

D3DVECTOR subtract(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DVECTOR cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float dot(const D3DVECTOR& a, const D3DVECTOR& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A vector of length zero stays the zero vector rather than turning into NaNs.
D3DVECTOR normalize(const D3DVECTOR& v) {
    const float length = std::sqrt(dot(v, v));
    if (length == 0.0f)
        return {0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length};
}

} // namespace

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    platform::trace::call("D3DXMatrixTranslation", x, y, z);
    return write_rows(pOut, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1}});
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT Angle) {
    platform::trace::call("D3DXMatrixRotationX", Angle);
    const float s = std::sin(Angle);
    const float c = std::cos(Angle);
    return write_rows(pOut, {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}});
}

D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT Angle) {
    platform::trace::call("D3DXMatrixRotationY", Angle);
    const float s = std::sin(Angle);
    const float c = std::cos(Angle);
    return write_rows(pOut, {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}});
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
    platform::trace::call("D3DXMatrixScaling", sx, sy, sz);
    return write_rows(pOut, {{sx, 0, 0, 0}, {0, sy, 0, 0}, {0, 0, sz, 0}, {0, 0, 0, 1}});
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp) {
    platform::trace::call("D3DXMatrixLookAtLH", VectorArg{pEye}, VectorArg{pAt}, VectorArg{pUp});
    if (pEye == nullptr || pAt == nullptr || pUp == nullptr)
        return nullptr;
    const D3DVECTOR z = normalize(subtract(*pAt, *pEye));
    const D3DVECTOR x = normalize(cross(*pUp, z));
    const D3DVECTOR y = cross(z, x);
    return write_rows(pOut, {{x.x, y.x, z.x, 0},
                             {x.y, y.y, z.y, 0},
                             {x.z, y.z, z.z, 0},
                             {-dot(x, *pEye), -dot(y, *pEye), -dot(z, *pEye), 1}});
}

// No check on the angle: at 0 the scale is infinite, at pi it is tiny and negative, as the formula gives
// (float division by zero is defined by IEEE 754).
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn,
                                              FLOAT zf) {
    platform::trace::call("D3DXMatrixPerspectiveFovLH", fovy, Aspect, zn, zf);
    const float y_scale = 1.0f / std::tan(fovy / 2.0f);
    const float x_scale = y_scale / Aspect;
    const float z_scale = zf / (zf - zn);
    const float z_offset = -zn * zf / (zf - zn);
    return write_rows(pOut,
                      {{x_scale, 0, 0, 0}, {0, y_scale, 0, 0}, {0, 0, z_scale, 1}, {0, 0, z_offset, 0}});
}

// pOut may be either input: the product is formed aside and copied out.
D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    platform::trace::call("D3DXMatrixMultiply", MatrixArg{pM1}, MatrixArg{pM2});
    if (pOut == nullptr || pM1 == nullptr || pM2 == nullptr)
        return nullptr;
    D3DMATRIX product;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += pM1->m[r][k] * pM2->m[k][c];
            product.m[r][c] = sum;
        }
    static_cast<D3DMATRIX&>(*pOut) = product;
    return pOut;
}
