#include <tormakelin/fxcore/GraphNode.h>

#include <tormakelin/fxcore/ScriptEngine.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/Keyframe.h>

#include "LinkGeneration.h"
#include "NodeValue.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>

namespace tormakelin::fxcore {

namespace {

std::vector<std::string> splitPath(std::string const& name)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t const slash = name.find('/', start);
        pieces.push_back(name.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            return pieces;
        start = slash + 1;
    }
}

NodeParameter* findByName(std::vector<NodeParameter*> const& list, std::string_view name)
{
    for (NodeParameter* parameter : list)
        if (parameter->name == name)
            return parameter;
    return nullptr;
}

} // namespace

NodeParameter::NodeParameter(std::string name_, ParameterType type, void* variable_)
    : name(std::move(name_)), value(createParameter(type)), variable(variable_)
{
    // A parameter without its value would fail at its first use; fail the construction instead.
    if (!value)
        throw std::bad_alloc();
    value->addRef();
}

NodeParameter::~NodeParameter()
{
    if (value)
        value->release();
}

GraphNode::GraphNode()
{
    core::generateUniqueId(m_id);
    try {
        NodeParameter* name = addInput("Instance/Name", kParameterText, "", &m_instanceName);
        name->linkable = false;
    } catch (...) {
        // No destructor runs for a node whose constructor throws.
        deleteParameters();
        throw;
    }
}

GraphNode::~GraphNode()
{
    unlinkAll();
    deleteParameters();
    if (m_keyframe)
        m_keyframe->release();
    if (m_scriptModule)
        m_scriptModule->release();
}

PluginDesc const& GraphNode::getPluginDesc() const { return m_pluginDesc; }
void GraphNode::setPluginDesc(PluginDesc const& desc) { m_pluginDesc = desc; }

core::UniqueId const& GraphNode::getId() { return m_id; }
void GraphNode::setId(core::UniqueId const& id) { m_id = id; }
core::UniqueId const& GraphNode::getId() const { return m_id; }

std::string GraphNode::getInstanceName() const
{
    if (!m_instanceName.empty())
        return m_instanceName;
    return splitPath(m_pluginDesc.path).back();
}

GraphNodeLayout& GraphNode::getLayout() { return m_layout; }
int GraphNode::getSortOrder() const { return m_sortOrder; }
void GraphNode::setSortOrder(int sortOrder) { m_sortOrder = sortOrder; }
std::vector<NodeParameter*> const& GraphNode::getInputs() const { return m_inputs; }
std::vector<NodeParameter*> const& GraphNode::getOutputs() const { return m_outputs; }

void GraphNode::deleteParameters()
{
    for (NodeParameter* parameter : m_inputs)
        delete parameter;
    for (NodeParameter* parameter : m_outputs)
        delete parameter;
    m_inputs.clear();
    m_outputs.clear();
}

NodeParameter* GraphNode::addInput(std::string name, ParameterType type, std::string defaultText, void* variable)
{
    auto parameter = std::make_unique<NodeParameter>(name, type, variable);
    parameter->value->setText(defaultText);
    m_inputs.push_back(parameter.get());
    NodeParameter* added = parameter.release();
    if (!getParameterGroupFromParameterName(name))
        m_groups[getParameterGroupName(name)] = GraphNodeParameterGroup{};
    return added;
}

NodeParameter* GraphNode::addOutput(std::string name, ParameterType type, void* variable)
{
    auto parameter = std::make_unique<NodeParameter>(std::move(name), type, variable);
    parameter->instanceable = false;
    m_outputs.push_back(parameter.get());
    return parameter.release();
}

void GraphNode::removeInput(unsigned int index)
{
    if (index >= m_inputs.size())
        return;
    NodeParameter* input = m_inputs[index];
    // The source must not keep an entry pointing at the input about to go.
    std::vector<NodeLink> const incoming = std::move(input->incoming);
    input->incoming.clear();
    for (NodeLink const& link : incoming) {
        auto& outgoing = link.parameter->outgoing;
        std::erase_if(outgoing, [&](NodeLink const& entry) { return entry.parameter == input; });
    }
    std::string const group = getParameterGroupName(input->name);
    m_inputs.erase(m_inputs.begin() + index);
    delete input;
    detail::linksChanged();
    bool const groupUsed = std::any_of(m_inputs.begin(), m_inputs.end(),
        [&](NodeParameter const* other) { return getParameterGroupName(other->name) == group; });
    if (!groupUsed)
        m_groups.erase(group);
}

NodeParameter* GraphNode::findInput(std::string const& name) const { return findByName(m_inputs, name); }
NodeParameter* GraphNode::findOutput(std::string const& name) const { return findByName(m_outputs, name); }
NodeParameter* GraphNode::findInputNamed(std::string_view name) const { return findByName(m_inputs, name); }

NodeParameter* GraphNode::findParameterById(core::UniqueId const& id) const
{
    for (NodeParameter* parameter : m_inputs)
        if (parameter->getId() == id)
            return parameter;
    for (NodeParameter* parameter : m_outputs)
        if (parameter->getId() == id)
            return parameter;
    return nullptr;
}

void GraphNode::updateParameterVariable(UpdateContext const& context, NodeParameter* parameter)
{
    if (!parameter || !parameter->variable)
        return;
    IParameter const* source = parameter->value;
    auto const instance = context.instanceParameters.find(parameter->getId());
    if (instance != context.instanceParameters.end() && instance->second.parameter)
        source = instance->second.parameter;
    bool const changed = readIntoVariable(*source, parameter->getType(), parameter->variable);
    if (changed && m_changeNotify)
        onParameterChanged(parameter);
}

ParameterGroupMap& GraphNode::getParameterGroups() { return m_groups; }

GraphNodeParameterGroup* GraphNode::getParameterGroup(std::string const& name)
{
    auto const found = m_groups.find(name);
    return found == m_groups.end() ? nullptr : &found->second;
}

std::string GraphNode::getParameterGroupName(std::string const& parameterName) const
{
    std::vector<std::string> const pieces = splitPath(parameterName);
    return pieces.size() >= 2 ? pieces.front() : std::string("Attributes");
}

GraphNodeParameterGroup* GraphNode::getParameterGroupFromParameterName(std::string const& parameterName)
{
    return getParameterGroup(getParameterGroupName(parameterName));
}

void GraphNode::stripResources()
{
    for (NodeParameter* input : m_inputs)
        if (input->getType() == kParameterResource)
            input->value->setInt(0);
}

void GraphNode::enableScript()
{
    if (!findInput("Script/Script"))
        addInput("Script/Script", kParameterLink, "", nullptr);
    IScriptModule* module = createScriptModule(FrameworkServices::scriptEngine(), m_id);
    if (module)
        module->addRef();
    if (m_scriptModule)
        m_scriptModule->release();
    m_scriptModule = module;
}

IScriptModule* GraphNode::getScriptModule() const { return m_scriptModule; }

void GraphNode::enableParameterChangedNotify(bool enable) { m_changeNotify = enable; }
void GraphNode::onParameterChanged(NodeParameter*) {}
void GraphNode::onParameterConnected() {}
void GraphNode::onParameterDisconnected() {}
bool GraphNode::getUpdateFlag() const { return m_updateFlag; }
void GraphNode::setUpdateFlag(bool flag) { m_updateFlag = flag; }
void GraphNode::onActivated() {}
void GraphNode::onDeactivated() {}
void GraphNode::onPlaybackStop() {}
void GraphNode::onPlaybackSetTime(UpdateContext&) {}
core::IKeyframe* GraphNode::getKeyframe() const { return m_keyframe; }

void GraphNode::setKeyframe(core::IKeyframe* keyframe)
{
    if (keyframe)
        keyframe->addRef();
    if (m_keyframe)
        m_keyframe->release();
    m_keyframe = keyframe;
}

void GraphNode::updateBoundingBox() {}
std::string const& GraphNode::getErrorString() const { return m_errorString; }
void GraphNode::setErrorString(std::string text) { m_errorString = std::move(text); }

void GraphNode::reset()
{
    if (m_scriptModule)
        m_scriptModule->rebuild();
}

void GraphNode::eval(UpdateContext&) {}
bool GraphNode::serializeData(ISerializer*) { return false; }

} // namespace tormakelin::fxcore
