#include <tormakelin/kavro/ShaderParameter.h>

#include <tormakelin/render/Texture.h>

#include <new>

namespace tormakelin::kavro {

namespace {

class ShaderParameter final : public IShaderParameter {
public:
    explicit ShaderParameter(ShaderParameterType type) : m_type(type) {}

    int addRef() override { return ++m_refCount; }
    int release() override
    {
        int const count = --m_refCount;
        if (count <= 0)
            delete this;
        return count;
    }
    std::string const& getName() const override { return m_name; }
    void setName(std::string const& name) override
    {
        if (m_name != name)
            m_name = name;
    }
    ShaderParameterType getType() const override { return m_type; }
    ShaderParameterValue& getValue() override { return m_value; }

private:
    int m_refCount = 0;
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
