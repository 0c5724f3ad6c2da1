// Every level of a texture as its locked rows, for comparing two textures level for level.
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
        // Each row's texels without the driver's padding, packed as the loader writes them.
        const size_t texel = desc.Format == D3DFMT_L8 ? 1 : desc.Format == D3DFMT_A32B32G32R32F ? 16 : 4;
        const size_t row = desc.Width * texel;
        const auto* p = static_cast<const uint8_t*>(locked.pBits);
        Bytes level;
        for (UINT y = 0; y < desc.Height; ++y)
            level.insert(level.end(), p + y * locked.Pitch, p + y * locked.Pitch + row);
        levels.push_back(std::move(level));
        texture->UnlockRect(i);
    }
    return levels;
}
