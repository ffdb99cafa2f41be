#pragma once
// Nodes that name one effect parameter and carry its value to drawing nodes and materials.

#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/kavro/ShaderParameter.h>

namespace tormakelin::fxcore {

class TORMAKELIN_FXCORE_API ShaderParameterNode : public Modifier {
public:
    // Not counted for the caller.
    kavro::IShaderParameter* getShaderParameter() const { return m_parameter.get(); }
    void eval(UpdateContext& context) override;

protected:
    explicit ShaderParameterNode(kavro::ShaderParameterType type);
    kavro::ShaderParameterValue& value() { return m_parameter->getValue(); }
    NodeParameter* result() const { return getOutputs().front(); }

    core::SmartRef<kavro::IShaderParameter> m_parameter;
    std::string m_name;
};

#define TORMAKELIN_FX_PARAMETER_NODE(Name)                                                       \
    class TORMAKELIN_FXCORE_API Name : public ShaderParameterNode {                              \
    public:                                                                                      \
        static PluginDesc _pluginDesc;                                                           \
        Name();                                                                                  \
        ~Name() override;                                                                        \
        void eval(UpdateContext& context) override;

TORMAKELIN_FX_PARAMETER_NODE(ParameterScalar)
};
TORMAKELIN_FX_PARAMETER_NODE(ParameterInt)
};
TORMAKELIN_FX_PARAMETER_NODE(ParameterVec2)
};
TORMAKELIN_FX_PARAMETER_NODE(ParameterVec3)
};
TORMAKELIN_FX_PARAMETER_NODE(ParameterVec4)
};
TORMAKELIN_FX_PARAMETER_NODE(ParameterColor)
private:
    D3DXVECTOR4 m_color{255.0f, 255.0f, 255.0f, 255.0f};
};
TORMAKELIN_FX_PARAMETER_NODE(ParameterResource)
};

#undef TORMAKELIN_FX_PARAMETER_NODE

} // namespace tormakelin::fxcore
