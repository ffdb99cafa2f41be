#include <tormakelin/kavro/ShaderParameter.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/Texture.h>

#include <new>

namespace tormakelin::kavro {

namespace {

class ShaderParameter final : public core::RefCounted<IShaderParameter> {
public:
    explicit ShaderParameter(ShaderParameterType type) : m_type(type) {}

    std::string const& getName() const override { return m_name; }
    void setName(std::string const& name) override
    {
        // Set every frame by the graph: only a changed name costs an assignment.
        if (m_name != name)
            m_name = name;
    }
    ShaderParameterType getType() const override { return m_type; }
    ShaderParameterValue& getValue() override { return m_value; }

private:
    std::string m_name;
    ShaderParameterType m_type;
    ShaderParameterValue m_value;
};

} // namespace

IShaderParameter* createShaderParameter(ShaderParameterType type)
{
    return new (std::nothrow) ShaderParameter(type);
}

} // namespace tormakelin::kavro
