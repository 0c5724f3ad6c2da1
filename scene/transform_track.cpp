#include "scene/transform_track.h"

#include <cstddef>
#include <cstdint>

#include "math/float_bits.h"

namespace {

constexpr float kKeysPerSecond = 10.0f;
constexpr float kKeySpacing = FloatFromBits(0x3DCCCCCDu);  // 0.1 s as a float
static_assert(kKeySpacing == 0.1f);

D3DXVECTOR3 Rate(const D3DXVECTOR3& from, const D3DXVECTOR3& to) {
    return {(to.x - from.x) * kKeysPerSecond, (to.y - from.y) * kKeysPerSecond, (to.z - from.z) * kKeysPerSecond};
}

D3DXVECTOR3 Advance(const D3DXVECTOR3& start, float seconds, const D3DXVECTOR3& rate) {
    return {start.x + seconds * rate.x, start.y + seconds * rate.y, start.z + seconds * rate.z};
}

}  // namespace

D3DXMATRIX Transform::WorldMatrix() {
    D3DXMatrixRotationQuaternion(&rotationMatrix, &rotation);
    D3DXMatrixTranslation(&translationMatrix, position.x, position.y, position.z);
    D3DXMatrixScaling(&scaleMatrix, scale.x, scale.y, scale.z);
    D3DXMatrixMultiply(&rotationMatrix, &scaleMatrix, &rotationMatrix);
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, &rotationMatrix, &translationMatrix);
    return world;
}

void TransformTrack::BuildVelocities() {
    velocities.clear();
    velocities.reserve(keys.size());
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        Transform v;
        v.position = Rate(keys[i].position, keys[i + 1].position);
        v.scale = Rate(keys[i].scale, keys[i + 1].scale);
        velocities.push_back(v);
    }
    if (!keys.empty()) velocities.push_back(Transform{});  // the last key stands still
}

Transform TransformTrack::Evaluate(float t) const {
    const size_t n = keys.size();
    const float scaled = t * kKeysPerSecond;
    // Truncation toward zero: t in (-0.1, 0) extrapolates back from key 0. Times with no key to use
    // (past the end, t <= -0.1, NaN) give key 0; the float test keeps the conversion defined.
    if (!(scaled > -1.0f) || !(scaled < float(n)) || size_t(int64_t(scaled)) >= n) {
        if (n > 0) return keys[0];
        Transform identity;
        identity.scale = {1.0f, 1.0f, 1.0f};
        return identity;
    }
    const size_t i = size_t(int64_t(scaled));
    const float f = t - float(i) * kKeySpacing;  // seconds since key i
    const Transform& key = keys[i];
    const Transform& rate = velocities.size() > i ? velocities[i] : Transform{};
    Transform out;
    out.position = Advance(key.position, f, rate.position);
    out.scale = Advance(key.scale, f, rate.scale);
    if (i + 1 < n)
        D3DXQuaternionSlerp(&out.rotation, &key.rotation, &keys[i + 1].rotation, f * kKeysPerSecond);
    else
        out.rotation = key.rotation;
    return out;
}
