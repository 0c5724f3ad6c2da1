// Shapes and winding for the scene meshes.
#include "content/assets/meshes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;

D3DXVECTOR3 Sub(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DXVECTOR3 Normalised(D3DXVECTOR3 v) {
    const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return n > 0 ? D3DXVECTOR3{v.x / n, v.y / n, v.z / n} : v;
}

}  // namespace

uint16_t MeshBuilder::Vertex(const D3DXVECTOR3& p, const D3DXVECTOR3& n, float u, float v) {
    const D3DXVECTOR3 nn = Normalised(n);
    vertices.push_back({p.x, p.y, p.z, nn.x, nn.y, nn.z, u, v});
    return uint16_t(vertices.size() - 1);
}

void MeshBuilder::Triangle(uint16_t a, uint16_t b, uint16_t c) {
    const SceneVertex &va = vertices[a], &vb = vertices[b], &vc = vertices[c];
    const D3DXVECTOR3 e1{vb.x - va.x, vb.y - va.y, vb.z - va.z}, e2{vc.x - va.x, vc.y - va.y, vc.z - va.z};
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &e1, &e2);
    if (cross.x * cross.x + cross.y * cross.y + cross.z * cross.z < 1e-14f) return;
    const D3DXVECTOR3 n{va.nx + vb.nx + vc.nx, va.ny + vb.ny + vc.ny, va.nz + vb.nz + vc.nz};
    // Left-handed: a triangle that looks counter-clockwise to its viewer has its edge cross product
    // pointing away from that viewer, that is against the outward normal.
    const bool counterClockwise = D3DXVec3Dot(&cross, &n) < 0;
    indices.push_back(a);
    indices.push_back(counterClockwise ? b : c);
    indices.push_back(counterClockwise ? c : b);
}

void MeshBuilder::Quad(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    Triangle(a, b, c);
    Triangle(a, c, d);
}

void MeshBuilder::Append(const MeshBuilder& other, const D3DXMATRIX& m) {
    const uint16_t base = uint16_t(vertices.size());
    for (const SceneVertex& v : other.vertices) {
        D3DXVECTOR3 p{v.x, v.y, v.z};
        D3DXVec3TransformCoord(&p, &p, &m);
        const D3DXVECTOR3 n{v.nx * m.m[0][0] + v.ny * m.m[1][0] + v.nz * m.m[2][0],
                            v.nx * m.m[0][1] + v.ny * m.m[1][1] + v.nz * m.m[2][1],
                            v.nx * m.m[0][2] + v.ny * m.m[1][2] + v.nz * m.m[2][2]};
        Vertex(p, n, v.u, v.v);
    }
    for (uint16_t i : other.indices) indices.push_back(uint16_t(base + i));
}

MeshBuilder Torus(float majorRadius, float minorRadius, int majorSegments, int minorSegments) {
    MeshBuilder mesh;
    for (int i = 0; i <= majorSegments; ++i) {
        const float a = 2 * kPi * float(i) / float(majorSegments);
        const D3DXVECTOR3 centre{majorRadius * std::cos(a), majorRadius * std::sin(a), 0};
        for (int j = 0; j <= minorSegments; ++j) {
            const float b = 2 * kPi * float(j) / float(minorSegments);
            const D3DXVECTOR3 n{std::cos(b) * std::cos(a), std::cos(b) * std::sin(a), std::sin(b)};
            mesh.Vertex({centre.x + minorRadius * n.x, centre.y + minorRadius * n.y, minorRadius * n.z}, n,
                        float(i) / float(majorSegments), float(j) / float(minorSegments));
        }
    }
    const int row = minorSegments + 1;
    for (int i = 0; i < majorSegments; ++i)
        for (int j = 0; j < minorSegments; ++j)
            mesh.Quad(uint16_t(i * row + j), uint16_t((i + 1) * row + j), uint16_t((i + 1) * row + j + 1),
                      uint16_t(i * row + j + 1));
    return mesh;
}

MeshBuilder Sphere(float radius, int slices, int stacks) {
    MeshBuilder mesh;
    for (int s = 0; s <= stacks; ++s) {
        const float phi = kPi * float(s) / float(stacks);
        for (int i = 0; i <= slices; ++i) {
            const float theta = 2 * kPi * float(i) / float(slices);
            const D3DXVECTOR3 n{std::sin(phi) * std::cos(theta), std::cos(phi), std::sin(phi) * std::sin(theta)};
            mesh.Vertex({n.x * radius, n.y * radius, n.z * radius}, n, float(i) / float(slices),
                        float(s) / float(stacks));
        }
    }
    const int row = slices + 1;
    for (int s = 0; s < stacks; ++s)
        for (int i = 0; i < slices; ++i)
            mesh.Quad(uint16_t(s * row + i), uint16_t(s * row + i + 1), uint16_t((s + 1) * row + i + 1),
                      uint16_t((s + 1) * row + i));
    return mesh;
}

MeshBuilder Cylinder(float bottomRadius, float topRadius, float height, int segments, bool caps) {
    MeshBuilder mesh;
    const float slope = (bottomRadius - topRadius) / height;
    for (int i = 0; i <= segments; ++i) {
        const float a = 2 * kPi * float(i) / float(segments);
        const D3DXVECTOR3 n{std::cos(a), slope, std::sin(a)};
        mesh.Vertex({bottomRadius * std::cos(a), 0, bottomRadius * std::sin(a)}, n, float(i) / float(segments), 1);
        mesh.Vertex({topRadius * std::cos(a), height, topRadius * std::sin(a)}, n, float(i) / float(segments), 0);
    }
    for (int i = 0; i < segments; ++i)
        mesh.Quad(uint16_t(2 * i), uint16_t(2 * i + 2), uint16_t(2 * i + 3), uint16_t(2 * i + 1));
    for (int end = 0; caps && end < 2; ++end) {
        const float r = end ? topRadius : bottomRadius, y = end ? height : 0;
        if (r <= 0) continue;
        const D3DXVECTOR3 n{0, end ? 1.0f : -1.0f, 0};
        const uint16_t centre = mesh.Vertex({0, y, 0}, n, 0.5f, 0.5f);
        for (int i = 0; i <= segments; ++i) {
            const float a = 2 * kPi * float(i) / float(segments);
            mesh.Vertex({r * std::cos(a), y, r * std::sin(a)}, n, 0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a));
        }
        for (int i = 0; i < segments; ++i) mesh.Triangle(centre, uint16_t(centre + 1 + i), uint16_t(centre + 2 + i));
    }
    return mesh;
}

MeshBuilder Box(float sizeX, float sizeY, float sizeZ) {
    MeshBuilder mesh;
    const float h[3] = {sizeX * 0.5f, sizeY * 0.5f, sizeZ * 0.5f};
    for (int axis = 0; axis < 3; ++axis)
        for (int sign = -1; sign <= 1; sign += 2) {
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            float n[3] = {0, 0, 0};
            n[axis] = float(sign);
            uint16_t corner[4];
            for (int k = 0; k < 4; ++k) {
                float p[3];
                p[axis] = h[axis] * float(sign);
                p[u] = h[u] * ((k == 1 || k == 2) ? 1.0f : -1.0f);
                p[v] = h[v] * (k >= 2 ? 1.0f : -1.0f);
                corner[k] = mesh.Vertex({p[0], p[1], p[2]}, {n[0], n[1], n[2]}, (k == 1 || k == 2) ? 1.0f : 0.0f,
                                        k >= 2 ? 1.0f : 0.0f);
            }
            mesh.Quad(corner[0], corner[1], corner[2], corner[3]);
        }
    return mesh;
}

MeshBuilder Grid(float sizeX, float sizeZ, int nx, int nz, float (*height)(float x, float z)) {
    MeshBuilder mesh;
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            const float x = sizeX * (float(i) / float(nx) - 0.5f), z = sizeZ * (float(j) / float(nz) - 0.5f);
            const float e = 0.05f;
            const float y = height ? height(x, z) : 0.0f;
            D3DXVECTOR3 n{0, 1, 0};
            if (height)
                n = Normalised({height(x - e, z) - height(x + e, z), 2 * e, height(x, z - e) - height(x, z + e)});
            mesh.Vertex({x, y, z}, n, float(i) / float(nx), float(j) / float(nz));
        }
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) {
            const int a = j * (nx + 1) + i;
            mesh.Quad(uint16_t(a), uint16_t(a + 1), uint16_t(a + nx + 2), uint16_t(a + nx + 1));
        }
    return mesh;
}

MeshBuilder Petal(float length, float width, float bend, float thickness, int lengthSegments, int widthSegments) {
    MeshBuilder mesh;
    // The mid-surface: s along the length (0..1), w across (-1..1); pointed at both ends.
    auto surface = [&](float s, float w) {
        const float half = width * 0.5f * std::sin(kPi * std::pow(s, 0.8f));
        const float curl = bend * s * s;                // the blade bends outward toward +z
        const float cup = 0.15f * width * (w * w - 1);  // and is slightly cupped across
        return D3DXVECTOR3{w * half, s * length, curl + cup};
    };
    for (int side = 0; side < 2; ++side) {
        const float offset = (side ? -0.5f : 0.5f) * thickness;
        const uint16_t base = uint16_t(mesh.vertices.size());
        for (int i = 0; i <= lengthSegments; ++i)
            for (int j = 0; j <= widthSegments; ++j) {
                const float s = float(i) / float(lengthSegments), w = 2 * float(j) / float(widthSegments) - 1;
                const float e = 0.01f;
                const D3DXVECTOR3 p = surface(s, w);
                const D3DXVECTOR3 ds = Sub(surface(std::min(s + e, 1.0f), w), surface(std::max(s - e, 0.0f), w));
                const D3DXVECTOR3 dw = Sub(surface(s, std::min(w + e, 1.0f)), surface(s, std::max(w - e, -1.0f)));
                D3DXVECTOR3 n;
                D3DXVec3Cross(&n, &ds, &dw);
                n = Normalised(n);
                if (n.z < 0) n = {-n.x, -n.y, -n.z};  // +z side first
                if (side) n = {-n.x, -n.y, -n.z};
                mesh.Vertex({p.x + n.x * offset * (side ? -1.0f : 1.0f), p.y + n.y * offset * (side ? -1.0f : 1.0f),
                             p.z + n.z * offset * (side ? -1.0f : 1.0f)},
                            n, w * 0.5f + 0.5f, s);
            }
        const int row = widthSegments + 1;
        for (int i = 0; i < lengthSegments; ++i)
            for (int j = 0; j < widthSegments; ++j) {
                const int a = base + i * row + j;
                mesh.Quad(uint16_t(a), uint16_t(a + 1), uint16_t(a + row + 1), uint16_t(a + row));
            }
    }
    // The rim: strips joining the two faces along both long edges, facing sideways.
    const int row = widthSegments + 1, faceVertices = (lengthSegments + 1) * row;
    for (int edge = 0; edge < 2; ++edge) {
        const int j = edge ? widthSegments : 0;
        const float side = edge ? 1.0f : -1.0f;
        const uint16_t base = uint16_t(mesh.vertices.size());
        for (int i = 0; i <= lengthSegments; ++i)
            for (int face = 0; face < 2; ++face) {
                const SceneVertex v = mesh.vertices[size_t(face * faceVertices + i * row + j)];
                mesh.Vertex({v.x, v.y, v.z}, {side, 0, 0}, v.u, v.v);
            }
        for (int i = 0; i < lengthSegments; ++i)
            mesh.Quad(uint16_t(base + 2 * i), uint16_t(base + 2 * i + 1), uint16_t(base + 2 * i + 3),
                      uint16_t(base + 2 * i + 2));
    }
    return mesh;
}

D3DXMATRIX TransformOf(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, const D3DXVECTOR3& scale) {
    D3DXMATRIX s, r, t;
    D3DXMatrixScaling(&s, scale.x, scale.y, scale.z);
    D3DXMatrixRotationQuaternion(&r, &rotation);
    D3DXMatrixTranslation(&t, position.x, position.y, position.z);
    D3DXMatrixMultiply(&s, &s, &r);
    D3DXMatrixMultiply(&s, &s, &t);
    return s;
}

D3DXQUATERNION AxisAngle(const D3DXVECTOR3& axis, float angle) {
    const D3DXVECTOR3 a = Normalised(axis);
    const float s = std::sin(angle * 0.5f);
    return {a.x * s, a.y * s, a.z * s, std::cos(angle * 0.5f)};
}

D3DXQUATERNION Multiply(const D3DXQUATERNION& first, const D3DXQUATERNION& then) {
    // With row vectors, rotating by 'first' and then by 'then' is the matrix R(first) x R(then),
    // which is the quaternion product then * first.
    const D3DXQUATERNION& a = then;
    const D3DXQUATERNION& b = first;
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

SceneMesh ToSceneMesh(const MeshBuilder& builder, uint16_t material, std::vector<SceneKey> track) {
    SceneMesh mesh;
    mesh.material = material;
    mesh.vertices = builder.vertices;
    mesh.indices = builder.indices;
    mesh.track = std::move(track);
    return mesh;
}

std::vector<SceneKey> SampleTrack(float seconds, SceneKey (*pose)(float t, int index), int index) {
    std::vector<SceneKey> keys;
    const int count = int(std::lround(seconds * 10.0f)) + 1;
    for (int i = 0; i < count; ++i) keys.push_back(pose(float(i) * 0.1f, index));
    return keys;
}
