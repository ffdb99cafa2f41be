#pragma once
// Value-computing nodes: vectors, scalars and flags in, results out, once per update.

#include <tormakelin/fxcore/Nodes.h>

#include <tormakelin/core/Noise.h>

namespace tormakelin::fxcore {

// One Vec4 "Attributes/Input", one Vec4 "Result", component by component.
class TORMAKELIN_FXCORE_API Vec4UnaryNode : public Modifier {
protected:
    Vec4UnaryNode();
    void applyEach(float (*op)(float));

    D3DXVECTOR4 m_input{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_result{0.0f, 0.0f, 0.0f, 0.0f};
};

// Two Vec4 inputs, one Vec4 "Result", component by component.
class TORMAKELIN_FXCORE_API Vec4BinaryNode : public Modifier {
protected:
    Vec4BinaryNode(char const* first, char const* second, char const* secondDefault = "0,0,0,0");
    void applyEach(float (*op)(float, float));

    D3DXVECTOR4 m_first{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_second{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_result{0.0f, 0.0f, 0.0f, 0.0f};
};

#define TORMAKELIN_FX_MATH_NODE(Name, Base)                                                      \
    class TORMAKELIN_FXCORE_API Name : public Base {                                             \
    public:                                                                                      \
        static PluginDesc _pluginDesc;                                                           \
        Name();                                                                                  \
        ~Name() override;                                                                        \
        void eval(UpdateContext& context) override;                                              \
    };

TORMAKELIN_FX_MATH_NODE(Abs, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Ceil, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Floor, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Frac, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Round, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Sign, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Negate, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Complement, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Saturate, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Sqrt, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(RSqrt, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Exp, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Log, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Log2, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Log10, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Sine, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Cosine, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Tan, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(ArcCosine, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(SineHyperbolic, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(CosineHyperbolic, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(All, Vec4UnaryNode)
TORMAKELIN_FX_MATH_NODE(Any, Vec4UnaryNode)

TORMAKELIN_FX_MATH_NODE(Add, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Sub, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Mul, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Div, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Min, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Max, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Modulus, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(And, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Or, Vec4BinaryNode)
TORMAKELIN_FX_MATH_NODE(Step, Vec4BinaryNode)

#undef TORMAKELIN_FX_MATH_NODE

} // namespace tormakelin::fxcore
