// Track evaluation and the world matrix.
#include "scene/transform_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

Transform Key(float px, float py, float pz, float s = 1.0f, D3DXQUATERNION q = {0, 0, 0, 1}) {
    Transform k;
    k.position = {px, py, pz};
    k.scale = {s, s, s};
    k.rotation = q;
    return k;
}

TransformTrack Track(std::initializer_list<Transform> keys) {
    TransformTrack track;
    track.keys = keys;
    track.BuildVelocities();
    return track;
}

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void ExpectQuat(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    EXPECT_FLOAT_EQ(a.x, b.x);
    EXPECT_FLOAT_EQ(a.y, b.y);
    EXPECT_FLOAT_EQ(a.z, b.z);
    EXPECT_FLOAT_EQ(a.w, b.w);
}

TEST(TransformTrack, VelocitiesArePerSecondAndTheLastIsZero) {
    const TransformTrack track = Track({Key(0, 0, 0, 1), Key(1, 2, -3, 3), Key(1, 2, -3, 3)});
    ASSERT_EQ(track.velocities.size(), 3u);
    ExpectVec(track.velocities[0].position, 10, 20, -30);
    ExpectVec(track.velocities[0].scale, 20, 20, 20);
    ExpectVec(track.velocities[2].position, 0, 0, 0);
    ExpectVec(track.velocities[2].scale, 0, 0, 0);
    EXPECT_EQ(track.velocities[1].rotation.w, 0.0f);
}

TEST(TransformTrack, TwoKeysInterpolateHoldTheLastTenthThenReturnKeyZero) {
    const TransformTrack track = Track({Key(0, 0, 0, 1), Key(1, 0, 0, 3)});
    const struct {
        float t, x, scale;
    } cases[] = {
        {0.0f, 0.0f, 1.0f}, {0.05f, 0.5f, 2.0f}, {0.1f, 1.0f, 3.0f},  {0.15f, 1.0f, 3.0f},
        {0.2f, 0.0f, 1.0f}, {7.0f, 0.0f, 1.0f},  {1e30f, 0.0f, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        const Transform pose = track.Evaluate(c.t);
        ExpectVec(pose.position, c.x, 0, 0);
        ExpectVec(pose.scale, c.scale, c.scale, c.scale);
    }
}

TEST(TransformTrack, OneKeyHoldsForEveryTime) {
    const TransformTrack track = Track({Key(4, 5, 6, 2)});
    for (float t : {0.0f, 0.05f, 0.0999f, 0.1f, 3.0f}) {
        const Transform pose = track.Evaluate(t);
        ExpectVec(pose.position, 4, 5, 6, 0);
        ExpectVec(pose.scale, 2, 2, 2, 0);
    }
}

TEST(TransformTrack, RotationFollowsTheArcBetweenKeysAndHoldsOnTheLast) {
    D3DXQUATERNION q0, q1, q2;
    D3DXQuaternionRotationYawPitchRoll(&q0, 0.0f, 0.0f, 0.0f);
    D3DXQuaternionRotationYawPitchRoll(&q1, 1.2f, 0.3f, 0.0f);
    D3DXQuaternionRotationYawPitchRoll(&q2, -2.0f, 0.0f, 0.5f);
    const TransformTrack track = Track({Key(0, 0, 0, 1, q0), Key(0, 0, 0, 1, q1), Key(0, 0, 0, 1, q2)});
    D3DXQUATERNION half;
    D3DXQuaternionSlerp(&half, &q0, &q1, 0.5f);
    ExpectQuat(track.Evaluate(0.0f).rotation, q0);
    ExpectQuat(track.Evaluate(0.05f).rotation, half);
    ExpectQuat(track.Evaluate(0.25f).rotation, q2);  // the last key does not turn towards key 0
}

TEST(TransformTrack, TheFloatNearestATenthSelectsKeyOneExactly) {
    const TransformTrack track = Track({Key(0, 0, 0), Key(1, 0, 0), Key(5, 0, 0)});
    const Transform pose = track.Evaluate(0.1f);
    EXPECT_EQ(pose.position.x, 1.0f);  // i = 1, f = 0: not a hair past key 0's velocity
}

TEST(TransformTrack, NoKeysGiveTheIdentityPose) {
    const TransformTrack track = Track({});
    EXPECT_TRUE(track.velocities.empty());
    Transform pose = track.Evaluate(0.3f);
    ExpectVec(pose.position, 0, 0, 0, 0);
    ExpectVec(pose.scale, 1, 1, 1, 0);
    EXPECT_EQ(pose.rotation.w, 0.0f);
    const D3DXMATRIX world = pose.WorldMatrix();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(world.m[r][c], r == c ? 1.0f : 0.0f);
}

TEST(TransformTrack, TimesWithNoKeyToUseReadNothingOutsideTheTrack) {
    const TransformTrack track = Track({Key(1, 0, 0), Key(2, 0, 0)});
    ExpectVec(track.Evaluate(-0.05f).position, 0.5f, 0, 0);  // extrapolates back from key 0
    for (float t : {-0.1f, -5.0f, -1e30f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()})
        ExpectVec(track.Evaluate(t).position, 1, 0, 0, 0);
}

TEST(Transform, WorldMatrixScalesThenTurnsThenMoves) {
    Transform pose;
    pose.scale = {2, 2, 2};
    D3DXQuaternionRotationYawPitchRoll(&pose.rotation, float(M_PI / 2), 0, 0);
    pose.position = {10, 0, 0};
    const D3DXMATRIX world = pose.WorldMatrix();
    const D3DXVECTOR3 p = {1, 0, 0};
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &world);
    ExpectVec(out, 10, 0, -2, 1e-5f);
}

}  // namespace
