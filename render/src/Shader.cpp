#include <tormakelin/render/Shader.h>

#include <cstring>
#include <map>
#include <vector>

#include "d3dx9effectgl.h"

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/String.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/ShaderManager.h>
#include <tormakelin/render/StateManager.h>
#include <tormakelin/render/Texture.h>

#include "FileBytes.h"

namespace tormakelin::render {

namespace {

// The device's shader settings as the macros every effect text is compiled with.
struct SettingMacros {
    SettingMacros()
    {
        const ShaderSettings settings =
            g_renderDevice != nullptr ? *g_renderDevice->getShaderSettings() : ShaderSettings{};
        values[0] = core::formatString("%d", settings.shaderModel);
        values[1] = core::formatString("%d", settings.shadowMapSize);
        values[2] = core::formatString("%d", settings.shadowMapPcf);
        macros[0] = {"TORMAKELIN_SHADERMODEL", values[0].c_str()};
        macros[1] = {"TORMAKELIN_SHADOWMAP_SIZE", values[1].c_str()};
        macros[2] = {"TORMAKELIN_SHADOWMAP_PCF", values[2].c_str()};
    }
    SettingMacros(const SettingMacros&) = delete;
    SettingMacros& operator=(const SettingMacros&) = delete;

    std::string values[3];
    D3DXMACRO macros[4] = {};
};

class ShaderParameter final : public core::RefCounted<IShaderParameter> {
public:
    ShaderParameter(D3DXHANDLE handle, const D3DXPARAMETER_DESC& desc)
        : m_handle(handle), m_desc(desc), m_name(desc.Name ? desc.Name : ""),
          m_semantic(desc.Semantic ? desc.Semantic : "")
    {
        // Our own copies, so the description never points into a released effect.
        m_desc.Name = m_name.c_str();
        m_desc.Semantic = desc.Semantic ? m_semantic.c_str() : nullptr;
    }

    D3DXHANDLE getHandle() override { return m_handle; }
    const std::string& getName() override { return m_name; }
    const D3DXPARAMETER_DESC& getDesc() override { return m_desc; }
    // The effect goes away: whoever still holds the parameter gets no handle into it.
    void detach() { m_handle = nullptr; }

private:
    D3DXHANDLE m_handle;
    D3DXPARAMETER_DESC m_desc;
    std::string m_name;
    std::string m_semantic;
};

class Shader final : public core::RefCounted<IShader>, public RenderListener {
public:
    Shader() : RenderListener(true) {}

    explicit Shader(ID3DXEffect* effect) : RenderListener(true), m_effect(effect)
    {
        attach();
    }

    ~Shader() override
    {
        if (g_currentShader == this) {
            g_currentShader = nullptr;
        }
        dropEffect();
    }

    bool load(const std::string& path, IShaderPool* pool, IShaderInclude* include) override
    {
        std::vector<char> text;
        if (!readFileBytes(path, text)) {
            return false;
        }
        m_fileName = path;
        return compile(text.data(), unsigned(text.size()), pool, include);
    }

    bool reload() override
    {
        if (m_fileName.empty()) {
            return false;
        }
        ShaderManager* manager = g_shaderManager;
        return load(m_fileName, manager ? manager->getPool() : nullptr, manager ? manager->getInclude() : nullptr);
    }

    bool create(IShaderData* data, IShaderPool* pool, IShaderInclude* include) override
    {
        return data != nullptr && compile(data->getData(), data->getSize(), pool, include);
    }

    bool compile(const void* source, unsigned length, IShaderPool* pool, IShaderInclude* include) override
    {
        m_errors.clear();
        if (source == nullptr || length == 0) {
            return false;
        }
        const char* bytes = static_cast<const char*>(source);
        m_source.assign(bytes, bytes + length);
        const SettingMacros settings;
        dropEffect();
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT result = D3DXCreateEffect(g_d3d, source, length, settings.macros, include,
            D3DXSHADER_SKIPVALIDATION, pool ? pool->getPool() : nullptr, &effect, &errors);
        if (errors != nullptr) {
            if (FAILED(result) && errors->GetBufferSize() != 0) {
                const char* text = static_cast<const char*>(errors->GetBufferPointer());
                m_errors.assign(text, strnlen(text, errors->GetBufferSize()));
            }
            errors->Release();
        }
        if (FAILED(result) || effect == nullptr) {
            return false;
        }
        m_effect = effect;
        attach();
        return true;
    }

    unsigned begin() override
    {
        if (m_effect == nullptr) {
            return 0;
        }
        g_currentShader = this;
        UINT passes = 0;
        const DWORD flags = D3DXFX_DONOTSAVESTATE | D3DXFX_DONOTSAVESHADERSTATE | D3DXFX_DONOTSAVESAMPLERSTATE;
        return SUCCEEDED(m_effect->Begin(&passes, flags)) ? passes : 0;
    }

    HRESULT end() override
    {
        const HRESULT result = m_effect != nullptr ? m_effect->End() : D3DERR_INVALIDCALL;
        g_currentShader = nullptr;
        return result;
    }

    HRESULT beginPass(unsigned pass) override { return m_effect ? m_effect->BeginPass(pass) : D3DERR_INVALIDCALL; }
    HRESULT endPass() override { return m_effect ? m_effect->EndPass() : D3DERR_INVALIDCALL; }
    HRESULT commitChanges() override { return m_effect ? m_effect->CommitChanges() : D3DERR_INVALIDCALL; }
    ID3DXEffect* getEffect() override { return m_effect; }
    const std::vector<IShaderParameter*>& getParameters() override { return m_parameters; }

    IShaderParameter* getParameter(const std::string& name) override
    {
        auto it = m_index.find(name);
        return it != m_index.end() ? it->second : nullptr;
    }

    bool hasTechnique(const std::string& name) override
    {
        return m_effect != nullptr && m_effect->GetTechniqueByName(name.c_str()) != nullptr;
    }

    bool setTechnique(const std::string& name) override
    {
        return m_effect != nullptr && m_effect->SetTechnique(name.c_str()) == D3D_OK;
    }

    HRESULT setTexture(IShaderParameter* p, ITexture* texture) override
    {
        return usable(p) ? m_effect->SetTexture(p->getHandle(), texture ? texture->getD3DTexture() : nullptr) : fail();
    }
    HRESULT setBool(IShaderParameter* p, bool value) override
    {
        return usable(p) ? m_effect->SetBool(p->getHandle(), value ? TRUE : FALSE) : fail();
    }
    HRESULT setFloat(IShaderParameter* p, float value) override
    {
        return usable(p) ? m_effect->SetFloat(p->getHandle(), value) : fail();
    }
    HRESULT setInt(IShaderParameter* p, int value) override
    {
        return usable(p) ? m_effect->SetInt(p->getHandle(), value) : fail();
    }
    HRESULT setString(IShaderParameter* p, const char* value) override
    {
        return usable(p) ? m_effect->SetString(p->getHandle(), value) : fail();
    }
    HRESULT setFloatArray(IShaderParameter* p, const float* values, unsigned count) override
    {
        return usable(p) ? m_effect->SetFloatArray(p->getHandle(), values, count) : fail();
    }
    HRESULT setIntArray(IShaderParameter* p, const int* values, unsigned count) override
    {
        return usable(p) ? m_effect->SetIntArray(p->getHandle(), values, count) : fail();
    }
    HRESULT setVector2Array(IShaderParameter* p, const D3DXVECTOR2* values, unsigned count) override
    {
        return setValue(p, values, count * 8);
    }
    HRESULT setVector2(IShaderParameter* p, const D3DXVECTOR2* value) override { return setValue(p, value, 8); }
    HRESULT setVector3Array(IShaderParameter* p, const D3DXVECTOR3* values, unsigned count) override
    {
        return setValue(p, values, count * 12);
    }
    HRESULT setVector3(IShaderParameter* p, const D3DXVECTOR3* value) override { return setValue(p, value, 12); }
    HRESULT setVector4Array(IShaderParameter* p, const D3DXVECTOR4* values, unsigned count) override
    {
        return usable(p) ? m_effect->SetVectorArray(p->getHandle(), values, count) : fail();
    }
    HRESULT setVector4(IShaderParameter* p, const D3DXVECTOR4* value) override
    {
        return usable(p) ? m_effect->SetVector(p->getHandle(), value) : fail();
    }
    HRESULT setMatrixPointerArray(IShaderParameter* p, const D3DXMATRIX** matrices, unsigned count) override
    {
        return usable(p) ? m_effect->SetMatrixPointerArray(p->getHandle(), matrices, count) : fail();
    }
    HRESULT setMatrixArray(IShaderParameter* p, const D3DXMATRIX* matrices, unsigned count) override
    {
        return usable(p) ? m_effect->SetMatrixArray(p->getHandle(), matrices, count) : fail();
    }
    HRESULT setMatrix(IShaderParameter* p, const D3DXMATRIX* matrix) override
    {
        return usable(p) ? m_effect->SetMatrix(p->getHandle(), matrix) : fail();
    }
    HRESULT setFloat4Array(IShaderParameter* p, const float* values, unsigned count) override
    {
        return setValue(p, values, count * 16);
    }
    HRESULT setFloat4(IShaderParameter* p, const float* value) override { return setValue(p, value, 16); }
    HRESULT setValue(IShaderParameter* p, const void* data, unsigned bytes) override
    {
        return usable(p) && data != nullptr ? m_effect->SetValue(p->getHandle(), data, bytes) : fail();
    }

    const std::string& getErrors() override { return m_errors; }
    const std::string& getFileName() override { return m_fileName; }

    bool getSource(void*& data, unsigned& length) override
    {
        if (m_source.empty()) {
            return false;
        }
        data = m_source.data();
        length = unsigned(m_source.size());
        return true;
    }

    IShader* clone() override
    {
        ID3DXEffect* copy = nullptr;
        if (m_effect == nullptr || FAILED(m_effect->CloneEffect(g_d3d, &copy)) || copy == nullptr) {
            return nullptr;
        }
        return new Shader(copy);
    }

    bool onLostDevice() override
    {
        if (m_effect != nullptr) {
            m_effect->OnLostDevice();
        }
        return true;
    }

    bool onResetDevice() override
    {
        if (m_effect != nullptr) {
            m_effect->OnResetDevice();
        }
        return true;
    }

private:
    static HRESULT fail() { return D3DERR_INVALIDCALL; }

    bool usable(IShaderParameter* parameter) const
    {
        return m_effect != nullptr && parameter != nullptr && parameter->getHandle() != nullptr;
    }

    // A new effect takes the state manager and gets its parameter list.
    void attach()
    {
        if (g_stateManager != nullptr) {
            m_effect->SetStateManager(g_stateManager);
        }
        for (UINT i = 0;; ++i) {
            D3DXHANDLE handle = m_effect->GetParameter(nullptr, i);
            D3DXPARAMETER_DESC desc{};
            if (handle == nullptr || FAILED(m_effect->GetParameterDesc(handle, &desc))) {
                break;
            }
            auto* parameter = new ShaderParameter(handle, desc);
            parameter->addRef();
            m_parameters.push_back(parameter);
            m_index[parameter->getName()] = parameter;
        }
    }

    void dropEffect()
    {
        m_index.clear();
        for (IShaderParameter* parameter : m_parameters) {
            static_cast<ShaderParameter*>(parameter)->detach();
            parameter->release();
        }
        m_parameters.clear();
        if (m_effect != nullptr) {
            m_effect->Release();
            m_effect = nullptr;
        }
    }

    ID3DXEffect* m_effect = nullptr;
    std::vector<IShaderParameter*> m_parameters;
    std::map<std::string, IShaderParameter*> m_index;
    std::string m_errors;
    std::string m_fileName;
    std::vector<char> m_source;
};

} // namespace

void compileShaderWithoutDevice(const void* source, unsigned length, IShaderPool* pool, IShaderInclude* include)
{
    if (source == nullptr || length == 0) {
        return;
    }
    const SettingMacros settings;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    d3dxglCreateEffectWithoutDevice(source, length, settings.macros, include, pool ? pool->getPool() : nullptr,
        &effect, &errors);
    if (errors != nullptr) {
        errors->Release();
    }
    if (effect != nullptr) {
        effect->Release();
    }
}

IShader* createShader()
{
    return new Shader();
}

} // namespace tormakelin::render
