#pragma once
// Effects compiled from text with the device's shader settings as macros, their parameters,
// shared texts for #include and parameter pools.

#include <string>
#include <vector>

#include <d3dx9effect.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::core {
class IStream;
}

namespace tormakelin::render {

class ITexture;

class TORMAKELIN_RENDER_API IShaderParameter {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual D3DXHANDLE getHandle() = 0;
    virtual const std::string& getName() = 0;
    // The effect's description; its text pointers live as long as the effect.
    virtual const D3DXPARAMETER_DESC& getDesc() = 0;
    virtual ~IShaderParameter() = default;
};

// A zero-terminated copy of a text.
class TORMAKELIN_RENDER_API IShaderData {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual unsigned getSize() = 0;
    virtual const char* getData() = 0;
    virtual ~IShaderData() = default;
};

class TORMAKELIN_RENDER_API IShaderPool {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // May be null.
    virtual ID3DXEffectPool* getPool() = 0;
    virtual ~IShaderPool() = default;
};

// Named texts answering #include lines, names exact and case-sensitive.
class TORMAKELIN_RENDER_API IShaderInclude : public ID3DXInclude {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // False when the name is taken (the first text stays); else holds a reference.
    virtual bool addInclude(const std::string& name, IShaderData* data) = 0;
    virtual ~IShaderInclude() = default;
};

class TORMAKELIN_RENDER_API IShader {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool load(const std::string& path, IShaderPool* pool, IShaderInclude* include) = 0;
    // load with the shader manager's pool and includes.
    virtual bool reload() = 0;
    virtual bool create(IShaderData* data, IShaderPool* pool, IShaderInclude* include) = 0;
    virtual bool compile(const void* source, unsigned length, IShaderPool* pool, IShaderInclude* include) = 0;
    // The pass count, 0 on failure.
    virtual unsigned begin() = 0;
    virtual HRESULT end() = 0;
    virtual HRESULT beginPass(unsigned pass) = 0;
    virtual HRESULT endPass() = 0;
    virtual HRESULT commitChanges() = 0;
    virtual ID3DXEffect* getEffect() = 0;
    virtual const std::vector<IShaderParameter*>& getParameters() = 0;
    // Null when the effect has no such top-level parameter.
    virtual IShaderParameter* getParameter(const std::string& name) = 0;
    virtual bool hasTechnique(const std::string& name) = 0;
    virtual bool setTechnique(const std::string& name) = 0;
    // A null texture clears the parameter.
    virtual HRESULT setTexture(IShaderParameter* parameter, ITexture* texture) = 0;
    virtual HRESULT setBool(IShaderParameter* parameter, bool value) = 0;
    virtual HRESULT setFloat(IShaderParameter* parameter, float value) = 0;
    virtual HRESULT setInt(IShaderParameter* parameter, int value) = 0;
    virtual HRESULT setString(IShaderParameter* parameter, const char* value) = 0;
    virtual HRESULT setFloatArray(IShaderParameter* parameter, const float* values, unsigned count) = 0;
    virtual HRESULT setIntArray(IShaderParameter* parameter, const int* values, unsigned count) = 0;
    virtual HRESULT setVector2Array(IShaderParameter* parameter, const D3DXVECTOR2* values, unsigned count) = 0;
    virtual HRESULT setVector2(IShaderParameter* parameter, const D3DXVECTOR2* value) = 0;
    virtual HRESULT setVector3Array(IShaderParameter* parameter, const D3DXVECTOR3* values, unsigned count) = 0;
    virtual HRESULT setVector3(IShaderParameter* parameter, const D3DXVECTOR3* value) = 0;
    virtual HRESULT setVector4Array(IShaderParameter* parameter, const D3DXVECTOR4* values, unsigned count) = 0;
    virtual HRESULT setVector4(IShaderParameter* parameter, const D3DXVECTOR4* value) = 0;
    virtual HRESULT setMatrixPointerArray(IShaderParameter* parameter, const D3DXMATRIX** matrices, unsigned count) = 0;
    virtual HRESULT setMatrixArray(IShaderParameter* parameter, const D3DXMATRIX* matrices, unsigned count) = 0;
    virtual HRESULT setMatrix(IShaderParameter* parameter, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT setFloat4Array(IShaderParameter* parameter, const float* values, unsigned count) = 0;
    virtual HRESULT setFloat4(IShaderParameter* parameter, const float* value) = 0;
    virtual HRESULT setValue(IShaderParameter* parameter, const void* data, unsigned bytes) = 0;
    // The compiler's messages of the last failed compile.
    virtual const std::string& getErrors() = 0;
    virtual const std::string& getFileName() = 0;
    // False when no source is kept.
    virtual bool getSource(void*& data, unsigned& length) = 0;
    // A shader of its own over a copy of the effect; null for an empty shader.
    virtual IShader* clone() = 0;
    virtual ~IShader() = default;
};

// An empty shader.
TORMAKELIN_RENDER_API IShader* createShader();
// Runs the whole compile of IShader::compile without a device and keeps nothing: for trying a
// text where a fault of the shader compiler cannot reach the caller.
TORMAKELIN_RENDER_API void compileShaderWithoutDevice(const void* source, unsigned length, IShaderPool* pool,
    IShaderInclude* include);
// The shader manager's shader of that path, loading it on the first call; null on failure.
TORMAKELIN_RENDER_API IShader* loadShader(const std::string& path);
// Null for a null or empty stream.
TORMAKELIN_RENDER_API IShaderData* createShaderData(core::IStream* stream);
// Null when the pool cannot be made.
TORMAKELIN_RENDER_API IShaderPool* createShaderPool();
TORMAKELIN_RENDER_API IShaderInclude* createShaderInclude();

} // namespace tormakelin::render
