// D3DX 9 matrix functions for the Linux build: D3DXMatrixTranslation, D3DXMatrixRotationX/Y,
// D3DXMatrixScaling, D3DXMatrixLookAtLH, D3DXMatrixPerspectiveFovLH and D3DXMatrixMultiply. Single-precision
// arithmetic with the documented formulas, row vectors (v' = v * M), left-handed. Each call is traced.
#include <d3dx9.h>

#include "d3dx9_trace.h"

#include <cmath>

namespace {

using platform::trace::MatrixArg;
using platform::trace::VectorArg;

void set_identity(D3DMATRIX& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m[r][c] = r == c ? 1.0f : 0.0f;
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
    if (pOut == nullptr)
        return nullptr;
    set_identity(*pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT Angle) {
    platform::trace::call("D3DXMatrixRotationX", Angle);
    if (pOut == nullptr)
        return nullptr;
    const float s = std::sin(Angle);
    const float c = std::cos(Angle);
    set_identity(*pOut);
    pOut->_22 = c;
    pOut->_23 = s;
    pOut->_32 = -s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT Angle) {
    platform::trace::call("D3DXMatrixRotationY", Angle);
    if (pOut == nullptr)
        return nullptr;
    const float s = std::sin(Angle);
    const float c = std::cos(Angle);
    set_identity(*pOut);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
    platform::trace::call("D3DXMatrixScaling", sx, sy, sz);
    if (pOut == nullptr)
        return nullptr;
    set_identity(*pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp) {
    platform::trace::call("D3DXMatrixLookAtLH", VectorArg{pEye}, VectorArg{pAt}, VectorArg{pUp});
    if (pOut == nullptr || pEye == nullptr || pAt == nullptr || pUp == nullptr)
        return nullptr;
    const D3DVECTOR z = normalize(subtract(*pAt, *pEye));
    const D3DVECTOR x = normalize(cross(*pUp, z));
    const D3DVECTOR y = cross(z, x);
    *pOut = {};
    pOut->_11 = x.x;
    pOut->_12 = y.x;
    pOut->_13 = z.x;
    pOut->_21 = x.y;
    pOut->_22 = y.y;
    pOut->_23 = z.y;
    pOut->_31 = x.z;
    pOut->_32 = y.z;
    pOut->_33 = z.z;
    pOut->_41 = -dot(x, *pEye);
    pOut->_42 = -dot(y, *pEye);
    pOut->_43 = -dot(z, *pEye);
    pOut->_44 = 1.0f;
    return pOut;
}

// No check on the angle: at 0 the scale is infinite, at pi it is tiny and negative, as the formula gives
// (float division by zero is defined by IEEE 754).
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn,
                                              FLOAT zf) {
    platform::trace::call("D3DXMatrixPerspectiveFovLH", fovy, Aspect, zn, zf);
    if (pOut == nullptr)
        return nullptr;
    const float y_scale = 1.0f / std::tan(fovy / 2.0f);
    const float x_scale = y_scale / Aspect;
    *pOut = {};
    pOut->_11 = x_scale;
    pOut->_22 = y_scale;
    pOut->_33 = zf / (zf - zn);
    pOut->_34 = 1.0f;
    pOut->_43 = -zn * zf / (zf - zn);
    return pOut;
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
