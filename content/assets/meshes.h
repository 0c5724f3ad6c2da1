// Mesh building for the show's scenes: shapes with normals and texture coordinates, wound so that
// front faces appear counter-clockwise on screen (the scene draw culls clockwise triangles).
#pragma once

#include <cstdint>
#include <vector>

#include "content/writers/scene_writer.h"
#include "math/d3dx_math.h"

struct MeshBuilder {
    std::vector<SceneVertex> vertices;
    std::vector<uint16_t> indices;

    uint16_t Vertex(const D3DXVECTOR3& p, const D3DXVECTOR3& n, float u, float v);
    // Adds the triangle, ordered so that seen from the side its vertex normals point to, it runs
    // counter-clockwise. A triangle without area is dropped.
    void Triangle(uint16_t a, uint16_t b, uint16_t c);
    void Quad(uint16_t a, uint16_t b, uint16_t c, uint16_t d);  // a-b-c-d around the edge
    // Appends other with positions moved by m and normals turned by m's upper 3x3 (no shear).
    void Append(const MeshBuilder& other, const D3DXMATRIX& m);
    size_t TriangleCount() const { return indices.size() / 3; }
};

// Shapes centred on the origin unless said otherwise.
MeshBuilder Torus(float majorRadius, float minorRadius, int majorSegments, int minorSegments);  // in the xy plane
MeshBuilder Sphere(float radius, int slices, int stacks);
// Along +y from y = 0 to height, with caps where the radius is not 0.
MeshBuilder Cylinder(float bottomRadius, float topRadius, float height, int segments, bool caps);
MeshBuilder Box(float sizeX, float sizeY, float sizeZ);
// A flat grid on y = 0 facing up, sizeX by sizeZ, with nx by nz cells; height(x, z) lifts vertices.
MeshBuilder Grid(float sizeX, float sizeZ, int nx, int nz, float (*height)(float x, float z));
// A blade: a curved, pointed leaf from the origin along +y of the given length and width, bent
// toward +z by bend, with thickness; both faces and the rim are closed.
MeshBuilder Petal(float length, float width, float bend, float thickness, int lengthSegments, int widthSegments);

D3DXMATRIX TransformOf(const D3DXVECTOR3& position, const D3DXQUATERNION& rotation, const D3DXVECTOR3& scale);
D3DXQUATERNION AxisAngle(const D3DXVECTOR3& axis, float angle);
D3DXQUATERNION Multiply(const D3DXQUATERNION& first, const D3DXQUATERNION& then);  // first, then 'then'

// Moves the built mesh into a scene mesh with the given material and track.
SceneMesh ToSceneMesh(const MeshBuilder& builder, uint16_t material, std::vector<SceneKey> track);
// Keys every 0.1 s from 0 to seconds (inclusive) from a pose function of scene time.
std::vector<SceneKey> SampleTrack(float seconds, SceneKey (*pose)(float t, int index), int index);
