#include <tormakelin/kavro/ShaderParameter.h>

#include <tormakelin/core/RefCounted.h>

namespace tormakelin::kavro {

namespace {

class ShaderParameter : public core::RefCounted<IShaderParameter> {
public:
    explicit ShaderParameter(ShaderParameterType type) : m_type(type) {}
    const std::string& getName() override { return m_name; }
    void setName(const std::string& name) override { m_name = name; }
    ShaderParameterType getType() override { return m_type; }
    ShaderParameterValue& getValue() override { return m_value; }

private:
    std::string m_name;
    ShaderParameterType m_type;
    ShaderParameterValue m_value;
};

}  // namespace

IShaderParameter* createShaderParameter(ShaderParameterType type) { return new ShaderParameter(type); }

}  // namespace tormakelin::kavro
