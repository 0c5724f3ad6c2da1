// A mesh's device buffers: created and filled once after loading, released with the mesh.
#include <cstring>

#include "platform/d3dwindow.h"
#include "scene/scene.h"

namespace {

constexpr DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
static_assert(kMeshFvf == 0x112);

}  // namespace

Mesh::~Mesh() {
    if (vertexBuffer) vertexBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
}

void Mesh::Upload() {
    indicesInRange = true;
    for (uint16_t index : indices) indicesInRange = indicesInRange && index < vertexCount;
    if (!device) return;  // tools that only inspect have no device
    const uint64_t vertexBytes = uint64_t(vertexCount) * sizeof(MeshVertex);
    const uint64_t indexBytes = uint64_t(triangleCount) * 6;
    if (vertexBytes > UINT32_MAX || indexBytes > UINT32_MAX) return;  // beyond what a buffer can hold
    if (vertexBuffer) vertexBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
    vertexBuffer = nullptr;
    indexBuffer = nullptr;

    // The device's results are not acted on, but nothing is copied through a failed lock.
    device->CreateVertexBuffer(UINT(vertexBytes), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, kMeshFvf, D3DPOOL_DEFAULT,
                               &vertexBuffer, nullptr);
    void* data = nullptr;
    if (vertexBuffer && SUCCEEDED(vertexBuffer->Lock(0, UINT(vertexBytes), &data, D3DLOCK_DISCARD))) {
        if (data && vertexBytes) std::memcpy(data, vertices.data(), size_t(vertexBytes));
        vertexBuffer->Unlock();
    }
    device->CreateIndexBuffer(UINT(indexBytes), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indexBuffer,
                              nullptr);
    data = nullptr;
    if (indexBuffer && SUCCEEDED(indexBuffer->Lock(0, 0, &data, 0))) {
        if (data && indexBytes) std::memcpy(data, indices.data(), size_t(indexBytes));
        indexBuffer->Unlock();
    }
}

void Scene::ReleaseDeviceBuffers() {
    for (const std::unique_ptr<Mesh>& mesh : meshes) {
        if (mesh->vertexBuffer) mesh->vertexBuffer->Release();
        if (mesh->indexBuffer) mesh->indexBuffer->Release();
        mesh->vertexBuffer = nullptr;
        mesh->indexBuffer = nullptr;
    }
}

void Scene::UploadAgain() {
    for (const std::unique_ptr<Mesh>& mesh : meshes) mesh->Upload();
}
