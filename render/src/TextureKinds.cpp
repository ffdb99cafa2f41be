#include "TextureKinds.h"

#include <vector>

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/StateManager.h>

#include "FileBytes.h"
#include "TextureDecode.h"

namespace tormakelin::render {

bool OtherTexture::load(const std::string& path, const TextureCreateParams* params)
{
    std::vector<char> bytes;
    if (g_d3d == nullptr || !readFileBytes(path, bytes) || bytes.empty() ||
        !decode(bytes.data(), unsigned(bytes.size()), params)) {
        return false;
    }
    m_fileName = path;
    m_hasParams = params != nullptr;
    if (params != nullptr) {
        m_params = *params;
    }
    return true;
}

bool OtherTexture::bind(unsigned stage)
{
    return g_stateManager != nullptr && g_stateManager->SetTexture(stage, m_texture) == D3D_OK;
}

bool OtherTexture::reload()
{
    return !m_fileName.empty() && load(m_fileName, m_hasParams ? &m_params : nullptr);
}

bool OtherTexture::onLostDevice()
{
    if (m_texture != nullptr && m_pool == D3DPOOL_DEFAULT) {
        releaseTexture();
        m_lost = true;
    }
    return true;
}

bool OtherTexture::onResetDevice()
{
    if (!m_lost) {
        return true;
    }
    return m_fileName.empty() ? createEmpty() : reload();
}

void OtherTexture::adopt(IDirect3DBaseTexture9* texture, D3DPOOL pool)
{
    releaseTexture();
    m_texture = texture;
    m_pool = pool;
    m_levels = texture->GetLevelCount();
    m_lost = false;
}

void OtherTexture::releaseTexture()
{
    if (m_texture != nullptr) {
        m_texture->Release();
        m_texture = nullptr;
    }
}

bool CubeTexture::create(unsigned edge, const TextureCreateParams* params)
{
    const TextureCreateParams p = params != nullptr ? *params : TextureCreateParams{};
    IDirect3DCubeTexture9* texture = nullptr;
    if (g_d3d == nullptr || FAILED(g_d3d->CreateCubeTexture(edge, p.levels, p.usage, p.format, p.pool, &texture, nullptr))) {
        return false;
    }
    take(texture);
    return true;
}

bool CubeTexture::decode(const void* data, unsigned size, const TextureCreateParams* params)
{
    IDirect3DCubeTexture9* texture = nullptr;
    if (FAILED(decodeCubeTexture(data, size, params, &texture)) || texture == nullptr) {
        return false;
    }
    take(texture);
    return true;
}

bool CubeTexture::createEmpty()
{
    const TextureCreateParams p{m_levels, m_desc.Usage, m_desc.Format, m_desc.Pool};
    return create(m_desc.Width, &p);
}

void CubeTexture::take(IDirect3DCubeTexture9* texture)
{
    texture->GetLevelDesc(0, &m_desc);
    adopt(texture, m_desc.Pool);
}

bool VolumeTexture::create(unsigned width, unsigned height, unsigned depth, const TextureCreateParams* params)
{
    const TextureCreateParams p = params != nullptr ? *params : TextureCreateParams{};
    IDirect3DVolumeTexture9* texture = nullptr;
    if (g_d3d == nullptr ||
        FAILED(g_d3d->CreateVolumeTexture(width, height, depth, p.levels, p.usage, p.format, p.pool, &texture, nullptr))) {
        return false;
    }
    take(texture);
    return true;
}

bool VolumeTexture::decode(const void* data, unsigned size, const TextureCreateParams* params)
{
    IDirect3DVolumeTexture9* texture = nullptr;
    if (FAILED(decodeVolumeTexture(data, size, params, &texture)) || texture == nullptr) {
        return false;
    }
    take(texture);
    return true;
}

bool VolumeTexture::createEmpty()
{
    const TextureCreateParams p{m_levels, m_desc.Usage, m_desc.Format, m_desc.Pool};
    return create(m_desc.Width, m_desc.Height, m_desc.Depth, &p);
}

void VolumeTexture::take(IDirect3DVolumeTexture9* texture)
{
    texture->GetLevelDesc(0, &m_desc);
    adopt(texture, m_desc.Pool);
}

} // namespace tormakelin::render
