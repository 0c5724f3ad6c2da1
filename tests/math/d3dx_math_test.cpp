#include "math/d3dx_math.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

D3DXMATRIX Sample(float base) {
    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i) m.Floats()[i] = base + float(i) * 0.5f - float(i % 3);
    return m;
}

D3DXMATRIX NaiveProduct(const D3DXMATRIX& a, const D3DXMATRIX& b) {
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += double(a.m[i][k]) * double(b.m[k][j]);
            r.m[i][j] = float(s);
        }
    return r;
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.Floats()[i], b.Floats()[i], tol) << "element " << i;
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &v, &m);
}

}  // namespace

TEST(MatrixMultiply, ProductAndAliasing) {
    const D3DXMATRIX a = Sample(1.0f), b = Sample(-2.0f);
    const D3DXMATRIX expected = NaiveProduct(a, b);
    D3DXMATRIX out;
    EXPECT_EQ(D3DXMatrixMultiply(&out, &a, &b), &out);
    ExpectMatrixNear(out, expected, 1e-4f);

    D3DXMATRIX m = a, n = b;
    D3DXMatrixMultiply(&m, &m, &n);  // output is the left input
    ExpectMatrixNear(m, expected, 1e-4f);
    m = a;
    D3DXMatrixMultiply(&n, &m, &n);  // output is the right input
    ExpectMatrixNear(n, expected, 1e-4f);
}

TEST(MatrixBuilders, RowVectorConventions) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 1, 2, 3);
    D3DXVECTOR3 p = Transform({1, 1, 1}, m);
    EXPECT_FLOAT_EQ(p.x, 2);
    EXPECT_FLOAT_EQ(p.y, 3);
    EXPECT_FLOAT_EQ(p.z, 4);

    D3DXMatrixRotationZ(&m, float(M_PI / 2));  // +x turns towards +y
    p = Transform({1, 0, 0}, m);
    EXPECT_NEAR(p.x, 0, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);

    // Scaling x Rotation x Translation scales, then turns, then moves.
    D3DXMATRIX s, r, t, w;
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixRotationY(&r, float(M_PI / 2));
    D3DXMatrixTranslation(&t, 10, 0, 0);
    D3DXMatrixMultiply(&w, &s, &r);
    D3DXMatrixMultiply(&w, &w, &t);
    p = Transform({1, 0, 0}, w);
    EXPECT_NEAR(p.x, 10, 1e-5);
    EXPECT_NEAR(p.z, -2, 1e-5);
}

TEST(MatrixBuilders, YawPitchRollComposesRollPitchYaw) {
    const float yaw = 0.7f, pitch = -0.4f, roll = 1.1f;
    D3DXMATRIX ypr, rx, ry, rz, expected;
    D3DXMatrixRotationYawPitchRoll(&ypr, yaw, pitch, roll);
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    D3DXMatrixMultiply(&expected, &rz, &rx);
    D3DXMatrixMultiply(&expected, &expected, &ry);
    ExpectMatrixNear(ypr, expected);

    D3DXMatrixRotationYawPitchRoll(&ypr, yaw, 0, 0);
    ExpectMatrixNear(ypr, ry);
}

TEST(MatrixBuilders, QuaternionMatrixIsNotNormalised) {
    const D3DXQUATERNION q = {0, 0, 0, 2};  // twice the identity rotation
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    EXPECT_FLOAT_EQ(m.m[0][0], 1);
    EXPECT_FLOAT_EQ(m.m[1][1], 1);
    const D3DXQUATERNION half = {0, std::sin(0.5f), 0, std::cos(0.5f)};  // 1 rad about y
    D3DXMATRIX ry;
    D3DXMatrixRotationQuaternion(&m, &half);
    D3DXMatrixRotationY(&ry, 1.0f);
    ExpectMatrixNear(m, ry);
}

TEST(Vec3Normalize, Thresholds) {
    D3DXVECTOR3 out;
    const D3DXVECTOR3 zero = {0, 0, 0};
    D3DXVec3Normalize(&out, &zero);
    EXPECT_EQ(out.x, 0);
    EXPECT_EQ(out.z, 0);

    // Within FLT_EPSILON of unit length the input comes back bit for bit.
    const D3DXVECTOR3 nearlyUnit = {0, 0, 1.0f + FLT_EPSILON / 4};
    D3DXVec3Normalize(&out, &nearlyUnit);
    EXPECT_EQ(out.z, nearlyUnit.z);

    const D3DXVECTOR3 v = {3, 0, 4};
    D3DXVec3Normalize(&out, &v);
    EXPECT_FLOAT_EQ(out.x, 0.6f);
    EXPECT_FLOAT_EQ(out.z, 0.8f);

    const D3DXVECTOR3 tiny = {1e-20f, 0, 0};  // squared length below FLT_MIN
    D3DXVec3Normalize(&out, &tiny);
    EXPECT_EQ(out.x, 0);
}

TEST(QuaternionSlerp, EndsSignAndParallel) {
    const D3DXQUATERNION q1 = {0, 0, 0, 1};
    const D3DXQUATERNION q2 = {0, std::sin(0.5f), 0, std::cos(0.5f)};
    const D3DXQUATERNION neg = {-q2.x, -q2.y, -q2.z, -q2.w};
    D3DXQUATERNION out;

    D3DXQuaternionSlerp(&out, &q1, &q2, 0);
    EXPECT_NEAR(out.w, 1, 1e-6);
    D3DXQuaternionSlerp(&out, &q1, &q2, 1);
    EXPECT_NEAR(out.y, q2.y, 1e-6);
    EXPECT_NEAR(out.w, q2.w, 1e-6);
    // A negative dot product interpolates towards -q2: at t = 1 the result is q2 again.
    D3DXQuaternionSlerp(&out, &q1, &neg, 1);
    EXPECT_NEAR(out.y, q2.y, 1e-6);
    EXPECT_NEAR(out.w, q2.w, 1e-6);
    D3DXQuaternionSlerp(&out, &q1, &neg, 0.5f);  // half of the short arc: 0.5 rad about y
    EXPECT_NEAR(out.y, std::sin(0.25f), 1e-6);
    EXPECT_NEAR(out.w, std::cos(0.25f), 1e-6);

    for (float t : {0.0f, 0.3f, 0.9f}) {  // equal inputs stay put
        D3DXQuaternionSlerp(&out, &q2, &q2, t);
        EXPECT_NEAR(out.y, q2.y, 1e-6);
        EXPECT_NEAR(out.w, q2.w, 1e-6);
    }

    D3DXQUATERNION aliased = q1;  // output aliasing the first input
    D3DXQuaternionSlerp(&aliased, &aliased, &q2, 0.5f);
    EXPECT_NEAR(aliased.y, std::sin(0.25f), 1e-6);
}

TEST(LookAt, IdentityDegenerateAndGeneral) {
    D3DXMATRIX m, id;
    D3DXMatrixIdentity(&id);
    const D3DXVECTOR3 origin = {0, 0, 0}, ahead = {0, 0, 1}, up = {0, 1, 0};
    D3DXMatrixLookAtLH(&m, &origin, &ahead, &up);
    ExpectMatrixNear(m, id, 0);

    const D3DXVECTOR3 eye = {5, 5, 5};
    D3DXMatrixLookAtLH(&m, &eye, &eye, &up);  // eye on the target: all zero but m[3][3]
    for (int i = 0; i < 15; ++i) EXPECT_EQ(m.Floats()[i], 0.0f) << i;
    EXPECT_EQ(m.m[3][3], 1.0f);

    const D3DXVECTOR3 e = {0, 0, -100}, at = {10, 0, 0};
    D3DXMatrixLookAtLH(&m, &e, &at, &up);
    const D3DXVECTOR3 p = Transform(at, m);  // the target lies straight ahead
    EXPECT_NEAR(p.x, 0, 1e-4);
    EXPECT_NEAR(p.y, 0, 1e-4);
    EXPECT_NEAR(p.z, std::sqrt(100.0f * 100.0f + 100.0f), 1e-3);
}

TEST(Projection, OrthoAndPerspectiveValues) {
    D3DXMATRIX m;
    D3DXMatrixOrthoLH(&m, 640, 480, -10, 10);
    EXPECT_FLOAT_EQ(m.m[0][0], 0.003125f);
    EXPECT_FLOAT_EQ(m.m[1][1], 0.0041666669f);
    EXPECT_FLOAT_EQ(m.m[2][2], 0.05f);
    EXPECT_FLOAT_EQ(m.m[3][2], 0.5f);
    EXPECT_FLOAT_EQ(m.m[3][3], 1.0f);

    D3DXMatrixPerspectiveFovLH(&m, 0.7853982f, 1.3333334f, 1, 1000);
    EXPECT_NEAR(m.m[0][0], 1.8106600f, 1e-6);
    EXPECT_NEAR(m.m[1][1], 2.4142134f, 1e-6);
    EXPECT_NEAR(m.m[2][2], 1.0010010f, 1e-6);
    EXPECT_EQ(m.m[2][3], 1.0f);
    EXPECT_NEAR(m.m[3][2], -1.0010010f, 1e-6);
    EXPECT_EQ(m.m[3][3], 0.0f);
    // Depth runs from 0 at the near plane to 1 at the far plane.
    const D3DXVECTOR3 nearP = Transform({0, 0, 1}, m), farP = Transform({0, 0, 1000}, m);
    EXPECT_NEAR(nearP.z, 0, 1e-6);
    EXPECT_NEAR(farP.z, 1, 1e-6);
}
