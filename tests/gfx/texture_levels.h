// Every level of a texture as its locked bytes, for comparing two textures level for level.
#pragma once

#include <gtest/gtest.h>

#include "platform/d3dwindow.h"
#include "tests/gfx/test_images.h"

inline std::vector<Bytes> LevelsOfTexture(IDirect3DTexture9* texture) {
    std::vector<Bytes> levels;
    for (UINT i = 0; i < texture->GetLevelCount(); ++i) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(i, &desc);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(i, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const auto* p = static_cast<const uint8_t*>(locked.pBits);
        levels.emplace_back(p, p + size_t(locked.Pitch) * desc.Height);
        texture->UnlockRect(i);
    }
    return levels;
}
