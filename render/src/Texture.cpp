#include <tormakelin/render/Texture.h>

#include <cstring>
#include <vector>

#include <tormakelin/render/DepthBuffer.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>
#include <tormakelin/render/StateManager.h>

#include "FileBytes.h"
#include "SavedTargets.h"
#include "TextureDecode.h"

namespace tormakelin::render {

namespace {

// Direct3D has no 24-bit textures: such pixels widen to X8R8G8B8.
D3DFORMAT storedFormat(D3DFORMAT format)
{
    return format == D3DFMT_R8G8B8 ? D3DFMT_X8R8G8B8 : format;
}

unsigned bytesPerPixel(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_R8G8B8: return 3;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return 4;
    case D3DFMT_A8: return 1;
    default: return 0;
    }
}

void copyRow(D3DFORMAT format, const uint8_t* source, uint8_t* target, unsigned width)
{
    if (format != D3DFMT_R8G8B8) {
        std::memcpy(target, source, size_t(width) * bytesPerPixel(format));
        return;
    }
    for (unsigned x = 0; x < width; ++x) {
        target[4 * x + 0] = source[3 * x + 0];
        target[4 * x + 1] = source[3 * x + 1];
        target[4 * x + 2] = source[3 * x + 2];
        target[4 * x + 3] = 0xFF;
    }
}

} // namespace

Texture::Texture()
    : RenderListener(true),
      m_saved(new SavedTargets([](void* self) { static_cast<Texture*>(self)->endDrawing(); }, this))
{
}

Texture::~Texture()
{
    endDrawing();
    delete m_saved;
    releaseTexture();
    if (m_view != nullptr) {
        m_view->release();
    }
}

bool Texture::load(const std::string& path, const TextureCreateParams* params)
{
    std::vector<char> bytes;
    if (!readFileBytes(path, bytes) || !create(bytes.data(), unsigned(bytes.size()), params)) {
        return false;
    }
    m_fileName = path;
    return true;
}

bool Texture::create(const void* data, unsigned size, const TextureCreateParams* params)
{
    if (data == nullptr || size == 0 || g_d3d == nullptr) {
        return false;
    }
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(decodeTexture(data, size, params, &texture)) || texture == nullptr) {
        return false;
    }
    m_hasParams = params != nullptr;
    if (params != nullptr) {
        m_params = *params;
    }
    return adopt(texture);
}

bool Texture::create(unsigned width, unsigned height, const TextureCreateParams* params)
{
    const TextureCreateParams p = params != nullptr ? *params : TextureCreateParams{};
    IDirect3DTexture9* texture = nullptr;
    if (g_d3d == nullptr ||
        FAILED(g_d3d->CreateTexture(width, height, p.levels, p.usage, p.format, p.pool, &texture, nullptr))) {
        return false;
    }
    m_params = p;
    m_hasParams = true;
    return adopt(texture);
}

bool Texture::create(D3DFORMAT format, unsigned pitch, unsigned width, unsigned height, const void* pixels,
    const TextureCreateParams*)
{
    const unsigned bytes = bytesPerPixel(format);
    if (pixels == nullptr || bytes == 0 || format == D3DFMT_X8R8G8B8 || pitch < width * bytes) {
        return false;
    }
    IDirect3DTexture9* texture = nullptr;
    if (g_d3d == nullptr ||
        FAILED(g_d3d->CreateTexture(width, height, 1, 0, storedFormat(format), D3DPOOL_MANAGED, &texture, nullptr))) {
        return false;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        texture->Release();
        return false;
    }
    const auto* source = static_cast<const uint8_t*>(pixels);
    auto* target = static_cast<uint8_t*>(locked.pBits);
    for (unsigned y = 0; y < height; ++y) {
        copyRow(format, source + size_t(y) * pitch, target + size_t(y) * locked.Pitch, width);
    }
    texture->UnlockRect(0);
    m_hasParams = false;
    return adopt(texture);
}

bool Texture::adopt(IDirect3DTexture9* texture)
{
    releaseTexture();
    m_texture = texture;
    m_texture->GetLevelDesc(0, &m_desc);
    m_levels = m_texture->GetLevelCount();
    m_lost = false;
    if (m_desc.Usage & D3DUSAGE_AUTOGENMIPMAP) {
        m_texture->SetAutoGenFilterType(D3DTEXF_ANISOTROPIC);
    }
    if ((m_desc.Usage & D3DUSAGE_RENDERTARGET) && m_view == nullptr) {
        m_view = createRenderView();
        m_view->addRef();
    }
    if (m_view != nullptr) {
        m_view->getViewport() = {0, 0, m_desc.Width, m_desc.Height, 0.0f, 1.0f};
    }
    return true;
}

bool Texture::bind(unsigned stage)
{
    return g_stateManager != nullptr && g_stateManager->SetTexture(stage, m_texture) == D3D_OK;
}

bool Texture::reload()
{
    return !m_fileName.empty() && load(m_fileName, m_hasParams ? &m_params : nullptr);
}

bool Texture::begin(IRenderView* view, IDepthBuffer* depthBuffer)
{
    // A texture that already is the target would lose what its first begin saved.
    if (!m_beginState.mayBegin()) {
        return false;
    }
    if (m_texture == nullptr || !(m_desc.Usage & D3DUSAGE_RENDERTARGET) || g_d3d == nullptr) {
        return false;
    }
    IDirect3DSurface9* level = nullptr;
    if (FAILED(m_texture->GetSurfaceLevel(0, &level))) {
        return false;
    }
    m_saved->save(depthBuffer == nullptr);
    setTarget(level);
    level->Release();
    if (depthBuffer != nullptr) {
        depthBuffer->addRef();
        m_depthBuffer = depthBuffer;
        depthBuffer->bind();
    } else {
        setDepth(nullptr);
    }
    m_usedView = view != nullptr ? view : m_view;
    m_usedView->addRef();
    m_usedView->begin();
    m_beginState.begun();
    return true;
}

bool Texture::end()
{
    if (!m_beginState.mayEnd()) {
        return false;
    }
    restoreTargets();
    return true;
}

void Texture::endDrawing()
{
    if (m_beginState.forceEnd()) {
        restoreTargets();
    }
}

void Texture::restoreTargets()
{
    m_saved->restore();
    if (m_depthBuffer != nullptr) {
        m_depthBuffer->restore();
        m_depthBuffer->release();
        m_depthBuffer = nullptr;
    }
    m_usedView->end();
    m_usedView->release();
    m_usedView = nullptr;
    if (m_texture != nullptr && (m_desc.Usage & D3DUSAGE_AUTOGENMIPMAP)) {
        m_texture->GenerateMipSubLevels();
    }
}

bool Texture::onLostDevice()
{
    // Managed, system-memory and scratch textures outlive a reset by themselves.
    if (m_texture != nullptr && m_desc.Pool == D3DPOOL_DEFAULT) {
        endDrawing();
        releaseTexture();
        m_lost = true;
    }
    return true;
}

bool Texture::onResetDevice()
{
    return !m_lost || recreate();
}

// From the file with the parameters it was loaded with, or empty as it was; contents are gone.
bool Texture::recreate()
{
    if (!m_fileName.empty()) {
        return reload();
    }
    TextureCreateParams params{m_levels, m_desc.Usage, m_desc.Format, m_desc.Pool};
    const TextureCreateParams kept = m_params;
    const bool hadParams = m_hasParams;
    const bool ok = create(m_desc.Width, m_desc.Height, &params);
    m_params = kept;
    m_hasParams = hadParams;
    return ok;
}

void Texture::releaseTexture()
{
    if (m_texture != nullptr) {
        m_texture->Release();
        m_texture = nullptr;
    }
}

} // namespace tormakelin::render
