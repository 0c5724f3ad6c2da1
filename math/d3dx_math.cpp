// Portable forms of the matrix, vector and quaternion operations. Each formula is written out
// element by element so that it reads like the convention it implements.
#include "math/d3dx_math.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

D3DXMATRIX Zero() {
    D3DXMATRIX m;
    std::memset(&m, 0, sizeof m);
    return m;
}

}  // namespace

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = Zero();
    out->m[0][0] = out->m[1][1] = out->m[2][2] = out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX r;  // formed apart so that out may alias a or b
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    *out = Zero();
    out->m[0][0] = sx;
    out->m[1][1] = sy;
    out->m[2][2] = sz;
    out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->m[3][0] = x;
    out->m[3][1] = y;
    out->m[3][2] = z;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = Zero();
    out->m[0][0] = 1.0f;
    out->m[1][1] = c;
    out->m[1][2] = s;
    out->m[2][1] = -s;
    out->m[2][2] = c;
    out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = Zero();
    out->m[0][0] = c;
    out->m[0][2] = -s;
    out->m[1][1] = 1.0f;
    out->m[2][0] = s;
    out->m[2][2] = c;
    out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    *out = Zero();
    out->m[0][0] = c;
    out->m[0][1] = s;
    out->m[1][0] = -s;
    out->m[1][1] = c;
    out->m[2][2] = 1.0f;
    out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    *out = Zero();
    out->m[0][0] = 1.0f - 2.0f * y * y - 2.0f * z * z;
    out->m[0][1] = 2.0f * x * y + 2.0f * z * w;
    out->m[0][2] = 2.0f * x * z - 2.0f * y * w;
    out->m[1][0] = 2.0f * x * y - 2.0f * z * w;
    out->m[1][1] = 1.0f - 2.0f * x * x - 2.0f * z * z;
    out->m[1][2] = 2.0f * y * z + 2.0f * x * w;
    out->m[2][0] = 2.0f * x * z + 2.0f * y * w;
    out->m[2][1] = 2.0f * y * z - 2.0f * x * w;
    out->m[2][2] = 1.0f - 2.0f * x * x - 2.0f * y * y;
    out->m[3][3] = 1.0f;
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll) {
    const float cy = std::cos(yaw * 0.5f), sy = std::sin(yaw * 0.5f);
    const float cp = std::cos(pitch * 0.5f), sp = std::sin(pitch * 0.5f);
    const float cr = std::cos(roll * 0.5f), sr = std::sin(roll * 0.5f);
    out->x = cy * sp * cr + sy * cp * sr;
    out->y = sy * cp * cr - cy * sp * sr;
    out->z = cy * cp * sr - sy * sp * cr;
    out->w = cy * cp * cr + sy * sp * sr;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
    D3DXQUATERNION q;
    D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
    return D3DXMatrixRotationQuaternion(out, &q);
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, float t) {
    float d = q1->x * q2->x + q1->y * q2->y + q1->z * q2->z + q1->w * q2->w;
    const float sign = d < 0.0f ? -1.0f : 1.0f;  // take the shorter arc
    d *= sign;
    float k0, k1;
    if (1.0f - d > FLT_EPSILON) {
        const float theta = std::atan2(std::sqrt(1.0f - d * d), d);
        const float sinTheta = std::sin(theta);
        k0 = std::sin((1.0f - t) * theta) / sinTheta;
        k1 = std::sin(t * theta) / sinTheta;
    } else {  // nearly parallel: plain linear blend
        k0 = 1.0f - t;
        k1 = t;
    }
    k1 *= sign;
    const D3DXQUATERNION a = *q1, b = *q2;  // out may alias either input
    out->x = k0 * a.x + k1 * b.x;
    out->y = k0 * a.y + k1 * b.y;
    out->z = k0 * a.z + k1 * b.z;
    out->w = k0 * a.w + k1 * b.w;
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    const float n = v->x * v->x + v->y * v->y + v->z * v->z;
    if (std::fabs(n - 1.0f) <= FLT_EPSILON) {
        *out = *v;  // already unit length: returned untouched
    } else if (n > FLT_MIN) {
        const float len = std::sqrt(n);
        *out = {v->x / len, v->y / len, v->z / len};
    } else {
        *out = {0.0f, 0.0f, 0.0f};
    }
    return out;
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    const D3DXVECTOR3 r = {a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
    *out = r;
    return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
    return a->x * b->x + a->y * b->y + a->z * b->z;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    const float w = x * m->m[0][3] + y * m->m[1][3] + z * m->m[2][3] + m->m[3][3];
    out->x = (x * m->m[0][0] + y * m->m[1][0] + z * m->m[2][0] + m->m[3][0]) / w;
    out->y = (x * m->m[0][1] + y * m->m[1][1] + z * m->m[2][1] + m->m[3][1]) / w;
    out->z = (x * m->m[0][2] + y * m->m[1][2] + z * m->m[2][2] + m->m[3][2]) / w;
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = {at->x - eye->x, at->y - eye->y, at->z - eye->z};
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *out = Zero();
    out->m[0][0] = xaxis.x;
    out->m[0][1] = yaxis.x;
    out->m[0][2] = zaxis.x;
    out->m[1][0] = xaxis.y;
    out->m[1][1] = yaxis.y;
    out->m[1][2] = zaxis.y;
    out->m[2][0] = xaxis.z;
    out->m[2][1] = yaxis.z;
    out->m[2][2] = zaxis.z;
    out->m[3][0] = -D3DXVec3Dot(&xaxis, eye);
    out->m[3][1] = -D3DXVec3Dot(&yaxis, eye);
    out->m[3][2] = -D3DXVec3Dot(&zaxis, eye);
    out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf) {
    *out = Zero();
    out->m[0][0] = 2.0f / w;
    out->m[1][1] = 2.0f / h;
    out->m[2][2] = 1.0f / (zf - zn);
    out->m[3][2] = -zn / (zf - zn);
    out->m[3][3] = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf) {
    const float yscale = std::cos(fovy * 0.5f) / std::sin(fovy * 0.5f);
    *out = Zero();
    out->m[0][0] = yscale / aspect;
    out->m[1][1] = yscale;
    out->m[2][2] = zf / (zf - zn);
    out->m[2][3] = 1.0f;
    out->m[3][2] = -zn * zf / (zf - zn);
    return out;
}
