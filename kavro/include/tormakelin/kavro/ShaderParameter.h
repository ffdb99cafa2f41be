#pragma once
// One named value that the effect graph carries into every draw of a material's effect.

#include <tormakelin/kavro/Export.h>

#include <tormakelin/core/SmartRef.h>

#include <d3dx9math.h>

#include <string>

namespace tormakelin::render {
class ITexture;
}

namespace tormakelin::kavro {

enum ShaderParameterType : int {
    ShaderParameterType_Int = 0,
    ShaderParameterType_Float = 1,
    ShaderParameterType_Vec2 = 2,
    ShaderParameterType_Vec3 = 3,
    ShaderParameterType_Vec4 = 4,
    ShaderParameterType_Color = 5,
    ShaderParameterType_Texture = 6,
};

// Every kind of value; the parameter's type tells which one is meant.
struct ShaderParameterValue {
    int intValue = 0;
    float floatValue = 0.0f;
    D3DXVECTOR2 vec2{0.0f, 0.0f};
    D3DXVECTOR3 vec3{0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 vec4{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 color{0.0f, 0.0f, 0.0f, 0.0f};
    // Held, so a texture replaced or removed elsewhere stays valid until the next update.
    core::SmartRef<render::ITexture> texture;
};

class TORMAKELIN_KAVRO_API IShaderParameter {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual std::string const& getName() const = 0;
    virtual void setName(std::string const& name) = 0;
    virtual ShaderParameterType getType() const = 0;
    virtual ShaderParameterValue& getValue() = 0;
    virtual ~IShaderParameter() = default;
};

// Count 0.
TORMAKELIN_KAVRO_API IShaderParameter* createShaderParameter(ShaderParameterType type);

} // namespace tormakelin::kavro
