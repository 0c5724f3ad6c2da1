// Where each element of a flexible vertex format sits in a vertex: read by the draw checks on the
// D3D side and by the backend when it points the vertex attributes at the stream.
#pragma once

#include "platform/device/d3d9types.h"

// Byte offsets into one vertex; -1 when absent.
struct FvfLayout {
    int position = -1, normal = -1, diffuse = -1, specular = -1, texCoord = -1;
    bool pretransformed = false;
    UINT size = 0;
};

inline FvfLayout ParseFvf(DWORD fvf) {
    FvfLayout l;
    UINT at = 0;
    if (fvf & D3DFVF_XYZRHW) {
        l.position = 0, l.pretransformed = true, at = 16;
    } else if (fvf & D3DFVF_XYZ) {
        l.position = 0, at = 12;
    }
    if (fvf & D3DFVF_NORMAL) l.normal = int(at), at += 12;
    if (fvf & D3DFVF_DIFFUSE) l.diffuse = int(at), at += 4;
    if (fvf & D3DFVF_SPECULAR) l.specular = int(at), at += 4;
    const UINT sets = (fvf >> 8) & 0xF;
    if (sets > 0) l.texCoord = int(at);
    l.size = at + sets * 8;  // two floats per set
    return l;
}
