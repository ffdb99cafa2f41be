#include <tormakelin/render/Shader.h>

#include <map>
#include <vector>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Stream.h>

#include "ShaderParts.h"

namespace tormakelin::render {

namespace {

class ShaderData final : public core::RefCounted<IShaderData> {
public:
    explicit ShaderData(std::vector<char> bytes) : m_bytes(std::move(bytes)) {}
    unsigned getSize() override { return unsigned(m_bytes.size() - 1); }
    const char* getData() override { return m_bytes.data(); }

private:
    // The text and a terminating zero.
    std::vector<char> m_bytes;
};

class ShaderPool final : public core::RefCounted<IShaderPool> {
public:
    explicit ShaderPool(ID3DXEffectPool* pool) : m_pool(pool) {}
    ~ShaderPool() override
    {
        if (m_pool != nullptr) {
            m_pool->Release();
        }
    }
    ID3DXEffectPool* getPool() override { return m_pool; }

private:
    ID3DXEffectPool* m_pool;
};

class ShaderInclude final : public core::RefCounted<IShaderInclude> {
public:
    ~ShaderInclude() override
    {
        for (auto& [name, data] : m_texts) {
            data->release();
        }
    }

    bool addInclude(const std::string& name, IShaderData* data) override
    {
        if (data == nullptr || m_texts.count(name) != 0) {
            return false;
        }
        data->addRef();
        m_texts.emplace(name, data);
        return true;
    }

    HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR fileName, LPCVOID, LPCVOID* data, UINT* bytes) override
    {
        auto it = fileName != nullptr ? m_texts.find(fileName) : m_texts.end();
        if (it == m_texts.end() || data == nullptr || bytes == nullptr) {
            return S_FALSE;
        }
        *data = it->second->getData();
        *bytes = it->second->getSize();
        return S_OK;
    }

    HRESULT Close(LPCVOID) override { return S_OK; }

private:
    std::map<std::string, IShaderData*> m_texts;
};

} // namespace

IShaderPool* createEmptyShaderPool()
{
    return new ShaderPool(nullptr);
}

IShaderData* createShaderData(core::IStream* stream)
{
    if (stream == nullptr || stream->getSize() == 0) {
        return nullptr;
    }
    const unsigned size = stream->getSize();
    std::vector<char> bytes(size_t(size) + 1, '\0');
    stream->setPosition(0, core::StreamBegin);
    if (stream->read(bytes.data(), size) != size) {
        return nullptr;
    }
    return new ShaderData(std::move(bytes));
}

IShaderPool* createShaderPool()
{
    ID3DXEffectPool* pool = nullptr;
    if (FAILED(D3DXCreateEffectPool(&pool)) || pool == nullptr) {
        return nullptr;
    }
    return new ShaderPool(pool);
}

IShaderInclude* createShaderInclude()
{
    return new ShaderInclude();
}

} // namespace tormakelin::render
