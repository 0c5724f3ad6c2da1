// Matrices, vectors and quaternions with the conventions every drawing subsystem relies on.
//
// - Row vectors: a point p = (x, y, z, 1) is transformed as p * M; translation sits in row 3.
// - In A * B, A acts first (Scaling * Rotation * Translation scales, turns, then moves).
// - Left-handed: x right, y up, z into the screen. Angles in radians.
// - Projected depth runs from 0 at the near plane to 1 at the far plane.
//
// Every operation writes through its first argument and returns it, so calls nest.
// Plain 32-bit float arithmetic throughout; one portable form of each operation.
#pragma once

// The device's own records for a vector and a matrix: the system's on Windows (<d3d9types.h>, where
// the matrix also names its floats _11 to _44), the same layouts here elsewhere. The D3DX types
// below extend them, so they are handed to the device as they are.
#if defined(_WIN32)
#include <windef.h>  // the base types d3d9types.h is written in
// after windef.h
#include <d3d9types.h>
#else
struct D3DVECTOR {
    float x, y, z;
};
struct D3DMATRIX {
    float m[4][4];
};
#endif

struct D3DXVECTOR3 : D3DVECTOR {};

struct D3DXQUATERNION {
    float x, y, z, w;  // w is the scalar part
};

// 16 floats, row-major: m[r][c] is float 4r + c. Handed to the device as const float*.
struct D3DXMATRIX : D3DMATRIX {
    const float* Floats() const { return &m[0][0]; }
    float* Floats() { return &m[0][0]; }
};

static_assert(sizeof(D3DXVECTOR3) == 12);
static_assert(sizeof(D3DXQUATERNION) == 16);
static_assert(sizeof(D3DXMATRIX) == 64);

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);  // out may be a or b
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);  // q not normalised
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf);

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, float yaw, float pitch, float roll);
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2, float t);

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);                    // out may be v
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);  // out may be a or b
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// (x, y, z, 1) * M, divided by the resulting w. out may be v.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
