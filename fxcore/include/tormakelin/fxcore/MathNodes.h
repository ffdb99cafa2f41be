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

#define TORMAKELIN_FX_NODE_HEAD(Name)                                                            \
public:                                                                                          \
    static PluginDesc _pluginDesc;                                                               \
    Name();                                                                                      \
    ~Name() override;                                                                            \
    void eval(UpdateContext& context) override;                                                  \
                                                                                                 \
private:

class TORMAKELIN_FXCORE_API Clamp : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(Clamp)
    D3DXVECTOR4 m_value{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_min{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_max{1.0f, 1.0f, 1.0f, 1.0f};
    D3DXVECTOR4 m_result{0.0f, 0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API Power : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(Power)
    D3DXVECTOR4 m_value{0.0f, 0.0f, 0.0f, 0.0f};
    float m_exponent = 0.0f;
    D3DXVECTOR4 m_result{0.0f, 0.0f, 0.0f, 0.0f};
};

// Two Vec4 inputs and a float "Attributes/Delta" that blends them.
class TORMAKELIN_FXCORE_API BlendNode : public Modifier {
protected:
    BlendNode(char const* first, char const* second);
    void blend(float t);

    D3DXVECTOR4 m_first{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_second{0.0f, 0.0f, 0.0f, 0.0f};
    float m_delta = 0.0f;
    D3DXVECTOR4 m_result{0.0f, 0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API Lerp : public BlendNode {
    TORMAKELIN_FX_NODE_HEAD(Lerp)
};

class TORMAKELIN_FXCORE_API CubicInterpolation : public BlendNode {
    TORMAKELIN_FX_NODE_HEAD(CubicInterpolation)
};

class TORMAKELIN_FXCORE_API SmoothStep : public BlendNode {
    TORMAKELIN_FX_NODE_HEAD(SmoothStep)
};

// Two Vec3 inputs "Attributes/Input-1" and "Attributes/Input-2".
class TORMAKELIN_FXCORE_API Vec3PairNode : public Modifier {
protected:
    Vec3PairNode();

    D3DXVECTOR3 m_first{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_second{0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API Dot : public Vec3PairNode {
    TORMAKELIN_FX_NODE_HEAD(Dot)
    float m_result = 0.0f;
};

class TORMAKELIN_FXCORE_API Cross : public Vec3PairNode {
    TORMAKELIN_FX_NODE_HEAD(Cross)
    D3DXVECTOR3 m_result{0.0f, 0.0f, 0.0f};
};

// The unit vector from Input-2 towards Input-1.
class TORMAKELIN_FXCORE_API Distance : public Vec3PairNode {
    TORMAKELIN_FX_NODE_HEAD(Distance)
    D3DXVECTOR3 m_result{0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API Length : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(Length)
    D3DXVECTOR3 m_input{0.0f, 0.0f, 0.0f};
    float m_result = 0.0f;
};

class TORMAKELIN_FXCORE_API Normalize : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(Normalize)
    D3DXVECTOR3 m_input{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 m_result{0.0f, 0.0f, 0.0f};
};

// Keys of the Comparison "Attributes/Operator" option list.
enum ComparisonOperator : int {
    kComparisonEquals = 0,
    kComparisonNotEquals = 1,
    kComparisonLess = 2,
    kComparisonLessEquals = 3,
    kComparisonGreater = 4,
    kComparisonGreaterEquals = 5,
};

class TORMAKELIN_FXCORE_API Comparison : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(Comparison)
    D3DXVECTOR4 m_first{0.0f, 0.0f, 0.0f, 0.0f};
    D3DXVECTOR4 m_second{0.0f, 0.0f, 0.0f, 0.0f};
    int m_operator = kComparisonEquals;
    bool m_result = false;
};

// Keys of the Curve "Attributes/CurveType" option list.
enum CurveType : int {
    kCurveSine = 0,
    kCurveSineNormalized = 1,
    kCurveSawTooth = 2,
    kCurveTriangle = 3,
    kCurveSquare = 4,
};

class TORMAKELIN_FXCORE_API Curve : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(Curve)
    float m_phase = 0.0f;
    float m_amplitude = 1.0f;
    float m_waveLength = 1.0f;
    int m_curveType = kCurveSine;
    float m_result = 0.0f;
};

class TORMAKELIN_FXCORE_API MixIn : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(MixIn)
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_z = 0.0f;
    float m_w = 0.0f;
    D3DXVECTOR4 m_output{0.0f, 0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API MixOut : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(MixOut)
    D3DXVECTOR4 m_input{0.0f, 0.0f, 0.0f, 0.0f};
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_z = 0.0f;
    float m_w = 0.0f;
};

class TORMAKELIN_FXCORE_API TimeModifier : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(TimeModifier)
    bool m_globalTime = false;
    D3DXVECTOR4 m_output{0.0f, 0.0f, 0.0f, 0.0f};
};

class TORMAKELIN_FXCORE_API PerlinNoise : public Modifier {
    TORMAKELIN_FX_NODE_HEAD(PerlinNoise)

public:
    // The noise source seeded as loaded, before the first frame evaluates the node.
    void resolve(IGraph* graph) override;

private:
    void reseed(int seed);

    int m_seedInput = 0;
    float m_frequency = 1.0f;
    int m_octaves = 8;
    float m_alpha = 2.0f;
    float m_beta = 2.0f;
    float m_output = 0.0f;
    core::Noise m_noise;
    int m_seed = 0;
};

#undef TORMAKELIN_FX_NODE_HEAD

} // namespace tormakelin::fxcore
