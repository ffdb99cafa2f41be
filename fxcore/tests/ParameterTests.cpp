#include <tormakelin/fxcore/Parameter.h>

#include "DecimalCommaLocale.h"

#include <gtest/gtest.h>

#include <string>

using namespace tormakelin::fxcore;

namespace {

// Holds one reference for the test's lifetime.
class Held {
public:
    explicit Held(ParameterType type) : m_parameter(createParameter(type)) { m_parameter->addRef(); }
    ~Held() { m_parameter->release(); }
    Held(Held const&) = delete;
    Held& operator=(Held const&) = delete;
    IParameter* operator->() const { return m_parameter; }
    IParameter* get() const { return m_parameter; }

private:
    IParameter* m_parameter;
};

struct TextCase {
    ParameterType type;
    char const* input;
    char const* expected;
};

std::string const kIdentity = "1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,"
                              "0.000000,0.000000,1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,";

TextCase const kTextCases[] = {
    {kParameterLink, "a, b ,c", "a, b ,c"},
    {kParameterText, "", ""},
    {kParameterText, "Hello, World", "Hello, World"},
    {kParameterResource, "not-an-id", "not-an-id"},
    {kParameterInt, "-42", "-42"},
    {kParameterInt, "", "0"},
    {kParameterInt, "12abc", "12"},
    {kParameterInt, "abc", "0"},
    {kParameterInt, "7,8", "7"},
    {kParameterInt, "99999999999", "2147483647"},
    {kParameterInt, "-99999999999", "-2147483648"},
    {kParameterOption, "3", "3"},
    {kParameterBool, "2", "1"},
    {kParameterBool, "", "0"},
    {kParameterBool, "0", "0"},
    {kParameterBool, "-1", "1"},
    {kParameterFloat, "0.5", "0.500000"},
    {kParameterFloat, "", "0.000000"},
    {kParameterFloat, "1e3", "1000.000000"},
    {kParameterFloat, "-2.25,9", "-2.250000"},
    {kParameterVec2, "1,2", "1.000000,2.000000"},
    {kParameterVec2, "5", "5.000000,0.000000"},
    {kParameterVec3, "1,2", "1.000000,2.000000,0.000000"},
    {kParameterVec3, "1,2,3,4", "1.000000,2.000000,3.000000"},
    {kParameterVec3, ",,4,,", "4.000000,0.000000,0.000000"},
    {kParameterVec4, "1,2,3,4", "1.000000,2.000000,3.000000,4.000000"},
    {kParameterColor, "255,255,255,255", "255.000000,255.000000,255.000000,255.000000"},
    {kParameterColor, "", "0.000000,0.000000,0.000000,0.000000"},
    {kParameterMatrix, kIdentity.c_str(), kIdentity.c_str()},
    {kParameterMatrix, "1,2", "1.000000,2.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,"
                              "0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,"},
};

void checkTextForms()
{
    for (TextCase const& c : kTextCases) {
        Held parameter(c.type);
        parameter->setText(c.input);
        EXPECT_EQ(parameter->getText(), c.expected) << "type " << c.type << " from \"" << c.input << "\"";
    }
}

} // namespace

TEST(Parameter, TextFormsOfEveryType)
{
    checkTextForms();
}

TEST(Parameter, TextFormsIgnoreADecimalCommaLocale)
{
    tormakelin::test::DecimalCommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no decimal-comma locale could be made here";
    checkTextForms();
    Held vec(kParameterVec2);
    vec->setVec2(D3DXVECTOR2(1.5f, -0.25f));
    EXPECT_EQ(vec->getText(), "1.500000,-0.250000");
}

TEST(Parameter, NewParameterStartsEmptyWithFreshId)
{
    IParameter* a = createParameter(kParameterVec3);
    IParameter* b = createParameter(kParameterVec3);
    EXPECT_EQ(a->addRef(), 1);
    b->addRef();
    EXPECT_NE(a->getId(), b->getId());
    EXPECT_EQ(a->getType(), kParameterVec3);
    EXPECT_EQ(a->getEditorType(), 0);
    EXPECT_EQ(a->getText(), "0.000000,0.000000,0.000000");
    EXPECT_EQ(a->getData().text, "");
    EXPECT_EQ(a->release(), 0);
    b->release();
}

TEST(Parameter, TypedAccessConvertsThroughText)
{
    {
        Held p(kParameterInt);
        p->setFloat(2.7f);
        EXPECT_EQ(p->getInt(), 2);
        p->setFloat(0.5f);
        EXPECT_EQ(p->getText(), "0");
    }
    {
        Held p(kParameterVec4);
        p->setVec4(D3DXVECTOR4(9, 9, 9, 9));
        p->setVec2(D3DXVECTOR2(1, 2));
        EXPECT_EQ(p->getText(), "1.000000,2.000000,0.000000,0.000000");
    }
    {
        Held p(kParameterColor);
        p->setFloat(0.25f);
        D3DXVECTOR4 const c = p->getColor();
        EXPECT_EQ(c.x, 0.25f);
        EXPECT_EQ(c.y, 0.0f);
        EXPECT_EQ(c.w, 0.0f);
    }
    {
        Held p(kParameterVec4);
        p->setColor(D3DXVECTOR4(1, 2, 3, 4));
        EXPECT_EQ(p->getText(), "1.000000,2.000000,3.000000,4.000000");
    }
    {
        Held p(kParameterText);
        p->setText("3.75,1");
        EXPECT_EQ(p->getFloat(), 3.75f);
        EXPECT_EQ(p->getInt(), 3);
        EXPECT_TRUE(p->getBool());
        D3DXVECTOR3 const v = p->getVec3();
        EXPECT_EQ(v.x, 3.75f);
        EXPECT_EQ(v.y, 1.0f);
        EXPECT_EQ(v.z, 0.0f);
    }
    {
        Held p(kParameterBool);
        p->setInt(5);
        EXPECT_TRUE(p->getBool());
        EXPECT_EQ(p->getText(), "1");
        p->setBool(false);
        EXPECT_EQ(p->getInt(), 0);
    }
}

TEST(Parameter, OwnTypeIsStoredInPlaceAndFieldsStaySeparate)
{
    Held p(kParameterFloat);
    p->setFloat(0.1f);
    EXPECT_EQ(p->getFloat(), 0.1f); // no round trip through "%f"
    p->getData().vec2 = D3DXVECTOR2(7, 8);
    p->setText("1.5");
    EXPECT_EQ(p->getData().vec2.x, 7.0f);
    EXPECT_EQ(p->getData().scalar.f, 1.5f);

    Held m(kParameterMatrix);
    D3DXMATRIX value;
    for (int i = 0; i < 16; ++i)
        reinterpret_cast<float*>(&value)[i] = static_cast<float>(i) * 0.125f - 1.0f;
    m->setMatrix(value);
    std::string const text = m->getText();
    EXPECT_EQ(text.back(), ',');
    Held copy(kParameterMatrix);
    copy->setText(text);
    D3DXMATRIX const back = copy->getMatrix();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(reinterpret_cast<float const*>(&back)[i], reinterpret_cast<float const*>(&value)[i]);
}

TEST(Parameter, OptionListStoresTheValueNotTheName)
{
    Held p(kParameterOption);
    p->addOption("Linear", 2);
    p->addOption("Point", 1);
    p->setInt(p->getOptions().at("Linear"));
    EXPECT_EQ(p->getText(), "2");
    EXPECT_EQ(p->getOptions().size(), 2u);
    EXPECT_EQ(p->getOptions().begin()->first, "Linear");
}

TEST(Parameter, ResourceReadAsValueIsItsLeadingNumber)
{
    Held p(kParameterResource);
    p->setText("12-AB");
    ParameterValue out;
    p->getValueAs(kParameterResource, &out);
    EXPECT_EQ(out.scalar.i, 12);
    EXPECT_EQ(out.text, "");
    p->setInt(0);
    EXPECT_EQ(p->getText(), "0");
}

TEST(Parameter, ConvertValueAndUnknownTypes)
{
    Held p(kParameterText);
    ParameterValue from;
    from.vec3 = D3DXVECTOR3(1, 2, 3);
    ParameterValue to;
    p->convertValue(kParameterVec3, &from, kParameterVec2, &to);
    EXPECT_EQ(to.vec2.x, 1.0f);
    EXPECT_EQ(to.vec2.y, 2.0f);

    Parameter& concrete = static_cast<Parameter&>(*p.get());
    EXPECT_EQ(concrete.formatValue(static_cast<ParameterType>(12), &from), "");
    ParameterValue untouched;
    untouched.text = "keep";
    concrete.parseValue(static_cast<ParameterType>(12), &untouched, "1,2");
    EXPECT_EQ(untouched.text, "keep");
    EXPECT_EQ(untouched.scalar.i, 0);
}

TEST(Parameter, CloneCopiesTextIdAndEditorTypeOnly)
{
    Held p(kParameterVec4);
    p->setText("1,2,3,4");
    p->setEditorType(1);
    p->addOption("A", 1);
    p->addTextPair("x", "y");
    IParameter* copy = p->clone();
    copy->addRef();
    EXPECT_EQ(copy->getType(), kParameterVec4);
    EXPECT_EQ(copy->getText(), p->getText());
    EXPECT_EQ(copy->getId(), p->getId());
    EXPECT_EQ(copy->getEditorType(), 1);
    EXPECT_TRUE(copy->getOptions().empty());
    EXPECT_TRUE(copy->getTextPairs().empty());
    EXPECT_EQ(p->getTextPairs().size(), 1u);
    copy->release();
}

TEST(Parameter, CanAnimate)
{
    bool const expected[] = {false, false, true, false, true, true, true, true, false, true, false, false};
    for (int type = 0; type < 12; ++type)
        EXPECT_EQ(canAnimate(static_cast<ParameterType>(type)), expected[type]) << type;
    EXPECT_TRUE(canAnimate(static_cast<ParameterType>(12)));
}
