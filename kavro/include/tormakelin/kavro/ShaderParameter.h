#pragma once
// A named value that an effect graph hands to every draw of a frame.

#include <string>

#include <d3dx9math.h>

#include <tormakelin/kavro/Export.h>

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

// Every kind of value at once; the parameter's type says which one is meant.
struct ShaderParameterValue {
    int intValue = 0;
    float floatValue = 0;
    D3DXVECTOR2 vec2{0, 0};
    D3DXVECTOR3 vec3{0, 0, 0};
    D3DXVECTOR4 vec4{0, 0, 0, 0};
    D3DXVECTOR4 colour{0, 0, 0, 0};
    render::ITexture* texture = nullptr;  // not counted: whoever sets it keeps it alive
};

class TORMAKELIN_KAVRO_API IShaderParameter {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const std::string& getName() = 0;
    virtual void setName(const std::string& name) = 0;
    virtual ShaderParameterType getType() = 0;
    virtual ShaderParameterValue& getValue() = 0;
    virtual ~IShaderParameter() = default;
};

// A parameter of the type with an empty name and zero values (count 0).
TORMAKELIN_KAVRO_API IShaderParameter* createShaderParameter(ShaderParameterType type);

}  // namespace tormakelin::kavro
