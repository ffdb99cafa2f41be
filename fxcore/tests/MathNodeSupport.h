#pragma once
// Node tests: set inputs by their text, run one update, read the output's value; link nodes and
// make them as the plug-in table does.

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

// False, linking nothing, when either end is missing or the link is refused.
inline bool link(IGraphNode* from, char const* output, IGraphNode* to, char const* input)
{
    NodeParameter* out = from->findOutput(output);
    NodeParameter* in = to->findInput(input);
    if (!out || !in || !from->canLink(out, to, in, true))
        return false;
    from->link(out, to, in, true);
    return true;
}

template <class T>
core::SmartRef<T> make()
{
    core::SmartRef<T> node(new T());
    node->setPluginDesc(T::_pluginDesc);
    return node;
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
