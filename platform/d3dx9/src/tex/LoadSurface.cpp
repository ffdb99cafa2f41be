// Pixels in memory into a surface: format conversion, scaling and colour keys.
#include <algorithm>

#include "BlockCodec.h"
#include "PixelFormat.h"
#include "Resample.h"
#include "TexUpload.h"
#include "d3dx9tex.h"

using namespace d3dxtex;

namespace {

bool validRect(const RECT& r, UINT width, UINT height) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && UINT(r.right) <= width &&
           UINT(r.bottom) <= height;
}

// The source rectangle as floats; block formats are decoded from the blocks around it.
FloatImage decodeSource(const uint8_t* src, D3DFORMAT format, UINT pitch, const RECT& r) {
    if (!isBlockFormat(format)) {
        FloatImage image;
        decodeImage(format, src + size_t(r.top) * pitch + rowBytes(format, UINT(r.left)), pitch,
            UINT(r.right - r.left), UINT(r.bottom - r.top), image);
        return image;
    }
    const UINT bx = UINT(r.left) / 4, by = UINT(r.top) / 4;
    FloatImage blocks;
    decodeImage(format, src + size_t(by) * pitch + size_t(bx) * blockBytes(format), pitch,
        UINT(r.right) - bx * 4, UINT(r.bottom) - by * 4, blocks);
    FloatImage image(UINT(r.right - r.left), UINT(r.bottom - r.top));
    for (UINT y = 0; y < image.height; ++y)
        for (UINT x = 0; x < image.width; ++x)
            image.at(x, y) = blocks.at(x + UINT(r.left) - bx * 4, y + UINT(r.top) - by * 4);
    return image;
}

}  // namespace

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface9* destSurface, const PALETTEENTRY*, const RECT* destRect,
    LPCVOID srcMemory, D3DFORMAT srcFormat, UINT srcPitch, const PALETTEENTRY*, const RECT* srcRect, DWORD filter,
    D3DCOLOR colorKey) {
    if (!destSurface || !srcMemory || !srcRect) return D3DERR_INVALIDCALL;
    if (!isKnownFormat(srcFormat)) return E_FAIL;
    if (filter != D3DX_DEFAULT && (filter & 0xFF) > D3DX_FILTER_BOX) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    if (FAILED(destSurface->GetDesc(&desc)) || !isKnownFormat(desc.Format)) return D3DERR_INVALIDCALL;
    const RECT all{0, 0, LONG(desc.Width), LONG(desc.Height)};
    const RECT dst = destRect ? *destRect : all;
    const RECT& src = *srcRect;
    if (!validRect(dst, desc.Width, desc.Height) || src.left < 0 || src.top < 0 || src.left >= src.right ||
        src.top >= src.bottom || rowBytes(srcFormat, UINT(src.right)) > srcPitch)
        return D3DERR_INVALIDCALL;

    FloatImage image = decodeSource(static_cast<const uint8_t*>(srcMemory), srcFormat, srcPitch, src);
    applyColorKey(image, colorKey);
    image = resample(image, UINT(dst.right - dst.left), UINT(dst.bottom - dst.top), filter);

    // The whole surface is locked and rewritten: block formats cannot be written in part, and a
    // partial rectangle keeps the pixels around it.
    const bool whole = dst.left == 0 && dst.top == 0 && UINT(dst.right) == desc.Width && UINT(dst.bottom) == desc.Height;
    D3DLOCKED_RECT locked{};
    HRESULT hr = destSurface->LockRect(&locked, nullptr, whole && (desc.Usage & D3DUSAGE_DYNAMIC) ? D3DLOCK_DISCARD : 0);
    if (FAILED(hr)) return hr;
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    if (whole) {
        encodeImage(desc.Format, image, bits, size_t(locked.Pitch));
    } else {
        FloatImage surface;
        decodeImage(desc.Format, bits, size_t(locked.Pitch), desc.Width, desc.Height, surface);
        for (UINT y = 0; y < image.height; ++y)
            for (UINT x = 0; x < image.width; ++x) surface.at(x + UINT(dst.left), y + UINT(dst.top)) = image.at(x, y);
        encodeImage(desc.Format, surface, bits, size_t(locked.Pitch));
    }
    return destSurface->UnlockRect();
}
