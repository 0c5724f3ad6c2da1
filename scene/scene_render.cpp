// Drawing a scene: fixed-function lighting state, the camera and projection, the lights, then every
// mesh with its material at the pose its track gives for the scene time.
#include <cstdio>

#include "math/float_bits.h"
#include "platform/d3dwindow.h"
#include "scene/scene.h"

namespace {

constexpr float kFreeCameraFov = FloatFromBits(0x3F490FDBu);  // pi/4
constexpr float kAspect = FloatFromBits(0x3FAAAAABu);         // 4/3, whatever the target's size
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1000.0f;
constexpr int kFreeCameraIndex = 100;
static_assert(kAspect == 4.0f / 3.0f);

struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

// Lit, untextured, culled, depth-tested; set in this order every draw.
// clang-format off
constexpr RenderStateValue kRenderStates[] = {
    {D3DRS_LIGHTING, TRUE},
    {D3DRS_COLORVERTEX, FALSE},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL},
    {D3DRS_SPECULARENABLE, TRUE},
    {D3DRS_LOCALVIEWER, TRUE},
    {D3DRS_NORMALIZENORMALS, TRUE},
    {D3DRS_CULLMODE, D3DCULL_CW},
    {D3DRS_ZENABLE, D3DZB_TRUE},
    {D3DRS_TEXTUREFACTOR, 0xFF000000},
};
// clang-format on

struct StageStateValue {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE type;
    DWORD value;
};

// Colour = the lit vertex colour; alpha = the texture factor's (opaque).
// clang-format off
constexpr StageStateValue kStageStates[] = {
    {0, D3DTSS_TEXCOORDINDEX, 0},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_CURRENT},
    {0, D3DTSS_COLOROP, D3DTOP_SELECTARG2},
    {0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR},
    {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
};
// clang-format on

void SetMaterialOrSay(const D3DMATERIAL9& material) {
    if (FAILED(device->SetMaterial(&material))) std::fputs("material funka ikk\n", stdout);
}

}  // namespace

void Scene::SelectCamera(int index) {
    cameraIndex = index;
}

void Scene::Render(float t) {
    if (!device) return;
    device->BeginScene();
    for (const RenderStateValue& s : kRenderStates) device->SetRenderState(s.state, s.value);
    for (const StageStateValue& s : kStageStates) device->SetTextureStageState(s.stage, s.type, s.value);
    // A scene without materials draws with whatever material the device holds.
    if (!materials.empty()) SetMaterialOrSay(materials[0].material);
    device->SetTexture(0, nullptr);
    SetCameraAndProjection(t);

    // Slots from lightCount up are left as they are: an earlier scene's lights stay on there.
    for (int32_t i = 0; i < lightCount && size_t(i) < lights.size(); ++i) {
        device->LightEnable(DWORD(i), TRUE);
        if (FAILED(device->SetLight(DWORD(i), &lights[size_t(i)]))) std::fputs("lys funka ikk", stdout);
    }
    for (int32_t i = 0; i < meshCount && size_t(i) < meshes.size(); ++i) {
        Mesh& mesh = *meshes[size_t(i)];
        if (mesh.materialIndex < materials.size()) SetMaterialOrSay(materials[mesh.materialIndex].material);
        device->SetTexture(0, nullptr);
        mesh.Draw(t);
    }
    device->EndScene();
}

void Scene::SetCameraAndProjection(float t) {
    float fov;
    // Index 100, a negative index and any index without a camera use the free-fly camera.
    if (cameraIndex != kFreeCameraIndex && cameraIndex >= 0 && size_t(cameraIndex) < cameras.size()) {
        Camera& camera = cameras[size_t(cameraIndex)];
        camera.FollowTracks(t);
        fov = camera.fov;
    } else {
        freeCamera.FreeFlyUpdate();
        freeCamera.ApplyView();
        fov = kFreeCameraFov;
    }
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, fov, kAspect, kNearPlane, kFarPlane);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

void Mesh::Draw(float t) {
    if (!device || !indicesInRange) return;
    D3DXMATRIX world = track.Evaluate(t).WorldMatrix();
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetIndices(indexBuffer);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    device->SetStreamSource(0, vertexBuffer, 0, sizeof(MeshVertex));
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0, triangleCount);
}

void Camera::FollowTracks(float t) {
    target = targetTrack.Evaluate(t).position;
    eye = eyeTrack.Evaluate(t).position;
    ApplyView();
}

void Camera::ApplyView() {
    if (!device) return;
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    device->SetTransform(D3DTS_VIEW, &view);
}
