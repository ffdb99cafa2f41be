#pragma once
// Math node tests: set inputs by their text, run one update, read the output's value.

#include <tormakelin/fxcore/MathNodes.h>

#include <gtest/gtest.h>

#include <string>

namespace tormakelin::fxcore::test {

inline void setInput(IGraphNode& node, char const* name, std::string const& text)
{
    NodeParameter* input = node.findInput(name);
    ASSERT_NE(input, nullptr) << name;
    input->value->setText(text);
}

inline void runOnce(IGraphNode& node, double time = 0.0)
{
    UpdateContext context;
    context.time = time;
    node.setUpdateFlag(true);
    node.update(context);
}

inline D3DXVECTOR4 vec4Output(IGraphNode const& node, char const* name = "Result")
{
    NodeParameter* output = node.findOutput(name);
    EXPECT_NE(output, nullptr) << name;
    return output ? output->value->getData().vec4 : D3DXVECTOR4();
}

inline ParameterValue outputValue(IGraphNode const& node, char const* name = "Result")
{
    NodeParameter* output = node.findOutput(name);
    EXPECT_NE(output, nullptr) << name;
    return output ? output->value->getData() : ParameterValue();
}

} // namespace tormakelin::fxcore::test
