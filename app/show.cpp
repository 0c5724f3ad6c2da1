// The show's start-up, frame and end over the composition, the scenes and the render targets.
#include "app/show.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "composition/composition_cache.h"
#include "gfx/texture_prefetch.h"
#include "platform/d3dwindow.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Which composition elements show which render target, set once at start-up in this order.
struct Wiring {
    int layer, element;
    ShowTarget target;
};
constexpr Wiring wiring[] = {
    {16, 0, ShowTarget::RenderTarget},
    {11, 1, ShowTarget::RenderTarget},
    {18, 1, ShowTarget::RenderTarget},
    {18, 2, ShowTarget::Parken},
};
// The element the ringer window moves with s0.
constexpr int offsetLayer = 16, offsetElement = 1;
constexpr ShowScene allScenes[] = {ShowScene::Ringer, ShowScene::Park, ShowScene::Ostrel};

bool HasElement(const Composition& c, int layer, int element) {
    return static_cast<size_t>(layer) < c.layers.size() &&
           static_cast<size_t>(element) < c.layers[static_cast<size_t>(layer)].elements.size();
}

// One box listing every addressed place the composition lacks; true when none is missing.
bool CheckAddressedElements(const Composition& c) {
    std::string missing;
    auto check = [&](int layer, int element) {
        if (HasElement(c, layer, element)) return;
        const std::string place = "layer " + std::to_string(layer) + " element " + std::to_string(element);
        if (missing.find(place) != std::string::npos) return;
        missing += missing.empty() ? place : ", " + place;
    };
    for (const Wiring& w : wiring) check(w.layer, w.element);
    check(offsetLayer, offsetElement);
    if (missing.empty()) return true;
    const std::string text = std::string(showCompositionFile) + " has no " + missing;
    MessageBoxA(nullptr, text.c_str(), "Loaderror", MB_OK);
    return false;
}

}  // namespace

Show::Show(CompositionCache& compositions) : compositions(compositions) {}

Show::~Show() {
    End();
}

bool Show::Start() {
    device->GetRenderTarget(0, &backBuffer);
    composition = compositions.Get(showCompositionFile);
    if (texturePrefetch) texturePrefetch->Close();  // what it prepared was for this load only
    if (!composition) return false;                 // the reader has shown which file failed and why
    if (!CheckAddressedElements(*composition)) {
        composition = nullptr;
        return false;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    composition->Render(0.0f);
    device->Present(nullptr, nullptr, nullptr, nullptr);  // stays on screen while the scenes load
    firstPicture = std::chrono::steady_clock::now();

    demo = std::make_unique<Demo>();
    if (!demo->Load()) return false;

    timeline = TimelineState{};
    Wire();
    Rehearse();
#if defined(__GLIBC__)
    // Loading and the rehearsal leave free blocks inside the heap that the frames never need
    // back (about 2 MB); they go back to the system now instead of staying resident.
    malloc_trim(0);
#endif
    return true;
}

void Show::Wire() {
    for (const Wiring& w : wiring)
        composition->SetElementTexture(w.layer, w.element,
                                       w.target == ShowTarget::Parken ? demo->parken : demo->renderTarget);
}

void Show::Rewind() {
    if (!demo || !composition) return;
    timeline = TimelineState{};
    for (auto& s : skipped) s.reset();
    for (auto& p : lastPass) p.reset();
    skippedCount = 0;
    demo->elementOffset = PoseKey{};
    composition->SetOffset(offsetLayer, offsetElement, demo->elementOffset);
    for (Texture* target : {demo->renderTarget, demo->parken}) {
        device->SetRenderTarget(0, target->surface);
        target->ClearTarget();
    }
    device->SetRenderTarget(0, backBuffer);
}

bool Show::Replace(Composition* newComposition, std::unique_ptr<Demo> newDemo) {
    if (!newComposition || !newDemo || !demo || !CheckAddressedElements(*newComposition)) return false;
    composition = newComposition;
    demo = std::move(newDemo);
    Wire();
    composition->SetOffset(offsetLayer, offsetElement, demo->elementOffset);
    for (auto& s : skipped) s.reset();  // they name the old scenes' passes; a step finds them again
    skippedCount = 0;
    return true;
}

// Draws every scene and the composition all through its tracks once, clipped to one pixel, before
// the music starts: a software rasterizer builds code for each new combination of states when it
// is first drawn with, which stalled frames in the middle of the show (0.4 s at the first scene
// pass on a machine that had never run it). Every state goes back as it was (the lights it switched
// on go off again) and the targets are cleared, so the show draws exactly what it would have.
void Show::Rehearse() {
    IDirect3DStateBlock9* saved = nullptr;
    if (FAILED(device->CreateStateBlock(D3DSBT_ALL, &saved))) return;
    const RECT onePixel{0, 0, 1, 1};
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    for (ShowScene scene : allScenes) {
        // A scene without cameras would step the free camera: that one is left to its first frame.
        if (SceneFor(scene).cameras.empty()) continue;
        device->SetScissorRect(&onePixel);  // a new target resets the rectangle
        TargetPass(ScenePass{ShowTarget::RenderTarget, scene, 0, 0.0f});
    }
    device->SetRenderTarget(0, backBuffer);
    device->SetScissorRect(&onePixel);
    // Every half second of the tracks, but never more than 600 pictures whatever a file claims.
    const float end = std::min(composition->EndTime(), 3600.0f);
    const int pictures = std::min(600, static_cast<int>(end / 0.5f) + 1);
    for (int i = 0; i <= pictures; ++i) composition->Render(end * static_cast<float>(i) / static_cast<float>(pictures));
    // A state block holds only the lights there were when it was made: the slots the rehearsal
    // lit go off first, and the block then puts back those it holds as they were.
    for (ShowScene scene : allScenes) {
        const Scene& s = SceneFor(scene);
        if (s.cameras.empty()) continue;
        for (int32_t i = 0; i < s.lightCount && size_t(i) < s.lights.size(); ++i) device->LightEnable(DWORD(i), FALSE);
    }
    saved->Apply();
    saved->Release();
    for (Texture* target : {demo->renderTarget, demo->parken}) {
        device->SetRenderTarget(0, target->surface);
        target->ClearTarget();
    }
    device->SetRenderTarget(0, backBuffer);
}

Scene& Show::SceneFor(ShowScene scene) {
    return scene == ShowScene::Ringer ? demo->ringer : scene == ShowScene::Park ? demo->park : demo->ostrel;
}

void Show::TargetPass(const ScenePass& pass) {
    lastPass[static_cast<int>(pass.target)] = pass;
    Texture* target = pass.target == ShowTarget::Parken ? demo->parken : demo->renderTarget;
    device->SetRenderTarget(0, target->surface);
    target->ClearTarget();  // colour 0 with alpha 0: what the scene leaves uncovered stays see-through
    Scene& scene = SceneFor(pass.scene);
    scene.SelectCamera(pass.camera);
    scene.Render(pass.sceneTime);
}

void Show::Skip(float t, const float* spectrum) {
    const FramePlan plan = StepTimeline(timeline, t, spectrum[0], spectrum[1]);
    for (int i = 0; i < plan.passCount; ++i)
        skipped[static_cast<int>(plan.passes[i].scene)] = SkippedPass{plan.passes[i], skippedCount++};
    if (plan.setOffset) {
        demo->elementOffset.y = plan.offsetY;
        composition->SetOffset(offsetLayer, offsetElement, demo->elementOffset);
    }
}

void Show::DrawSkippedPasses() {
    if (skippedCount == 0) return;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    for (;;) {
        std::optional<SkippedPass>* first = nullptr;
        for (auto& s : skipped)
            if (s && (!first || s->order < (*first)->order)) first = &s;
        if (!first) break;
        TargetPass((*first)->pass);
        first->reset();
    }
    skippedCount = 0;
    device->SetRenderTarget(0, backBuffer);
}

void Show::Frame(float t, const float* spectrum) {
    DrawSkippedPasses();
    const FramePlan plan = StepTimeline(timeline, t, spectrum[0], spectrum[1]);
    if (plan.passCount > 0) {
        // The composition leaves alpha blending on and the scenes don't set it.
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        for (int i = 0; i < plan.passCount; ++i) TargetPass(plan.passes[i]);
        device->SetRenderTarget(0, backBuffer);
    }
    if (plan.setOffset) {
        demo->elementOffset.y = plan.offsetY;
        composition->SetOffset(offsetLayer, offsetElement, demo->elementOffset);
    }
    composition->Render(t);
}

void Show::ReleaseDeviceResources() {
    if (backBuffer) backBuffer->Release();
    backBuffer = nullptr;
    if (demo)
        for (ShowScene scene : allScenes) SceneFor(scene).ReleaseDeviceBuffers();
    if (renderTargets) renderTargets->ReleaseTargets();
}

bool Show::RestoreDeviceResources() {
    if (FAILED(device->GetRenderTarget(0, &backBuffer))) return false;
    if (!demo || !renderTargets || !renderTargets->RestoreTargets()) return false;
    for (ShowScene scene : allScenes) SceneFor(scene).UploadAgain();
    for (Texture* target : {demo->renderTarget, demo->parken}) {
        device->SetRenderTarget(0, target->surface);
        target->ClearTarget();
    }
    device->SetRenderTarget(0, backBuffer);
    // What the targets held, drawn again before anything newer that the lost frames stepped to.
    std::optional<SkippedPass> newer[3];
    for (int i = 0; i < 3; ++i) newer[i].swap(skipped[i]);
    long next = skippedCount;
    for (const std::optional<ScenePass>& pass : lastPass)
        if (pass) skipped[static_cast<int>(pass->scene)] = SkippedPass{*pass, next++};
    const long base = next;  // the lost frames' passes keep their order, after those
    for (int i = 0; i < 3; ++i)
        if (newer[i]) {
            skipped[i] = SkippedPass{newer[i]->pass, base + newer[i]->order};
            next = std::max(next, base + newer[i]->order + 1);
        }
    skippedCount = next;
    return true;
}

void Show::End() {
    demo.reset();
    if (backBuffer) backBuffer->Release();
    backBuffer = nullptr;
}
