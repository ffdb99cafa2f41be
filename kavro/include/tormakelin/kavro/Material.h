#pragma once
// Materials, scene textures and texture samplers: the surface a fragment draws with.

#include <cstdint>
#include <string>
#include <vector>

#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Animated.h>
#include <tormakelin/kavro/Export.h>
#include <tormakelin/kavro/RenderPass.h>
#include <tormakelin/kavro/Serializer.h>

namespace tormakelin::render {
class IShader;
class ITexture;
}  // namespace tormakelin::render

namespace tormakelin::kavro {

class ISceneGraph;

enum MaterialType : uint32_t { MaterialType_Solid = 0, MaterialType_Reflective = 1 };
enum TextureKind : uint32_t { TextureKind_2D = 0, TextureKind_Volume = 1, TextureKind_Cube = 2 };

class TORMAKELIN_KAVRO_API ITexture {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual render::ITexture* getTexture() = 0;
    virtual void setTexture(render::ITexture* texture) = 0;
    virtual const std::string& getFileName() = 0;
    virtual void setFileName(const std::string& name) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ITexture() = default;
};

class TORMAKELIN_KAVRO_API ITextureSampler {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual ObjectRef<ITexture>& getTexture() = 0;
    virtual const std::string& getName() = 0;
    virtual void setName(const std::string& name) = 0;
    virtual uint32_t getUvSet() = 0;
    virtual void setUvSet(uint32_t set) = 0;
    virtual AnimatedFloat& getAmount() = 0;
    virtual void update(float time) = 0;
    virtual void resolve(ISceneGraph* graph) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ITextureSampler() = default;
};

class TORMAKELIN_KAVRO_API IMaterial {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual uint32_t getType() = 0;
    virtual void setType(uint32_t type) = 0;
    virtual const std::string& getName() = 0;
    virtual void setName(const std::string& name) = 0;
    virtual void update(float time) = 0;
    virtual render::IShader* getShader() = 0;
    virtual void setShader(render::IShader* shader) = 0;
    virtual const std::vector<ITextureSampler*>& getTextureSamplers() = 0;
    virtual void addTextureSampler(ITextureSampler* sampler) = 0;
    virtual void removeTextureSampler(ITextureSampler* sampler) = 0;
    virtual ITextureSampler* findTextureSampler(const std::string& name) = 0;
    virtual AnimatedVec4& getAmbient() = 0;
    virtual AnimatedVec4& getDiffuse() = 0;
    virtual AnimatedVec4& getSpecular() = 0;
    virtual AnimatedVec4& getEmissive() = 0;
    virtual AnimatedFloat& getOpacity() = 0;
    virtual AnimatedFloat& getSpecularLevel() = 0;
    virtual AnimatedFloat& getGlossiness() = 0;
    virtual bool isTwoSided() = 0;
    virtual void setTwoSided(bool twoSided) = 0;
    virtual int getBlendMode() = 0;
    virtual void setBlendMode(int mode) = 0;
    virtual const D3DXVECTOR4& getEmbm() = 0;
    virtual void setEmbm(const D3DXVECTOR4& embm) = 0;
    virtual bool isOpaque() = 0;
    // A null effect means the material's own.
    virtual bool takesPart(int technique, render::IShader* shader) = 0;
    virtual bool setTechnique(int technique, render::IShader* shader) = 0;
    // The number of effect passes; 0 draws nothing.
    virtual unsigned begin(RenderPass& pass, render::IShader* shader) = 0;
    virtual void end(render::IShader* shader) = 0;
    virtual void beginPass(unsigned index, render::IShader* shader) = 0;
    virtual void endPass(render::IShader* shader) = 0;
    virtual const MaterialSettings& getSettings() = 0;
    virtual void setSettings(const MaterialSettings& settings) = 0;
    virtual void resolve(ISceneGraph* graph) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~IMaterial() = default;
};

TORMAKELIN_KAVRO_API IMaterial* createMaterial();
TORMAKELIN_KAVRO_API ITexture* createTexture();
TORMAKELIN_KAVRO_API ITextureSampler* createTextureSampler();

}  // namespace tormakelin::kavro
