// Loading the show's 3D content.
#include "app/demo.h"

bool Demo::Load() {
    if (!ringer.Load("data/ringer.SCENE")) return false;
    if (!ostrel.Load("data/ostrel.SCENE")) return false;
    if (!park.Load("data/park.SCENE")) return false;
    if (!renderTargets) return false;
    renderTarget = renderTargets->GetOrCreateRenderTarget("render_target", 512, 512);
    if (!renderTarget) return false;
    parken = renderTargets->GetOrCreateRenderTarget("parken", 512, 512);
    return parken != nullptr;
}
