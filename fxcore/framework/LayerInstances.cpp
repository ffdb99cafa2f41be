#include "LayerImpl.h"

#include <tormakelin/fxcore/Graph.h>

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/RefCounted.h>

#include <algorithm>
#include <new>

namespace tormakelin::fxcore {
namespace {

class GraphNodeParameterFolder final : public core::RefCounted<IGraphNodeParameterFolder> {
public:
    std::string const& getName() const override { return m_name; }
    void setName(std::string const& name) override { m_name = name; }
    bool getExpanded() const override { return m_expanded; }
    void setExpanded(bool expanded) override { m_expanded = expanded; }

private:
    std::string m_name;
    bool m_expanded = false;
};

unsigned int channelsOf(ParameterType type)
{
    switch (type) {
    case kParameterVec2:
        return 2;
    case kParameterVec3:
        return 3;
    case kParameterVec4:
    case kParameterColor:
        return 4;
    default:
        return 1;
    }
}

void valuesOf(IParameter* parameter, float out[4])
{
    switch (parameter->getType()) {
    case kParameterInt:
        out[0] = static_cast<float>(parameter->getInt());
        break;
    case kParameterVec2: {
        D3DXVECTOR2 const v = parameter->getVec2();
        out[0] = v.x;
        out[1] = v.y;
        break;
    }
    case kParameterVec3: {
        D3DXVECTOR3 const v = parameter->getVec3();
        out[0] = v.x;
        out[1] = v.y;
        out[2] = v.z;
        break;
    }
    case kParameterVec4:
    case kParameterColor: {
        D3DXVECTOR4 const v = parameter->getType() == kParameterColor ? parameter->getColor() : parameter->getVec4();
        out[0] = v.x;
        out[1] = v.y;
        out[2] = v.z;
        out[3] = v.w;
        break;
    }
    default:
        out[0] = parameter->getFloat();
        break;
    }
}

GraphNodeParameterFolders const& noFolders()
{
    static GraphNodeParameterFolders const empty;
    return empty;
}

} // namespace

IGraphNodeParameterFolder* createGraphNodeParameterFolder()
{
    return new (std::nothrow) GraphNodeParameterFolder();
}

// Channels the track lacks keep the parameter's current value: a stored track may be narrower
// than its parameter.
void applyKeyframe(IParameter* parameter, core::IKeyframe* keyframe, double time)
{
    if (!parameter || !keyframe)
        return;
    ParameterType const type = parameter->getType();
    if (type != kParameterInt && type != kParameterFloat && type != kParameterVec2 && type != kParameterVec3
        && type != kParameterVec4 && type != kParameterColor)
        return;
    float const* result = keyframe->eval(static_cast<float>(time));
    if (!result)
        return;
    float values[4] = {0, 0, 0, 0};
    valuesOf(parameter, values);
    unsigned int const count = std::min(keyframe->getDimension(), channelsOf(type));
    std::copy(result, result + count, values);
    switch (type) {
    case kParameterInt:
        parameter->setInt(static_cast<int>(values[0]));
        break;
    case kParameterFloat:
        parameter->setFloat(values[0]);
        break;
    case kParameterVec2:
        parameter->setVec2(D3DXVECTOR2(values[0], values[1]));
        break;
    case kParameterVec3:
        parameter->setVec3(D3DXVECTOR3(values[0], values[1], values[2]));
        break;
    case kParameterVec4:
        parameter->setVec4(D3DXVECTOR4(values[0], values[1], values[2], values[3]));
        break;
    default:
        parameter->setColor(D3DXVECTOR4(values[0], values[1], values[2], values[3]));
        break;
    }
}

void Layer::rebuildGraphNodeInstances(IGraph* graph)
{
    if (!graph)
        return;
    for (IGraphNode* node : graph->getNodes()) {
        core::UniqueId const& nodeId = node->getId();
        if (m_nodeInstances.find(nodeId) == m_nodeInstances.end()) {
            GraphNodeInstance instance;
            instance.nodeId = nodeId;
            for (NodeParameter* input : node->getInputs()) {
                GraphNodeParameterInstance parameter;
                parameter.parameterId = input->getId();
                parameter.parameter = createParameter(input->getType());
                if (parameter.parameter)
                    parameter.parameter->setText(input->value->getText());
                instance.parameters.emplace(input->getId(), std::move(parameter));
            }
            m_nodeInstances.emplace(nodeId, std::move(instance));
        }
        takeEditorTypes(node);
        for (NodeParameter* input : node->getInputs()) {
            std::string const group = node->getParameterGroupName(input->name);
            if (findParameterFolder(nodeId, group))
                continue;
            core::SmartRef<IGraphNodeParameterFolder> const folder = createGraphNodeParameterFolder();
            if (!folder)
                continue;
            folder->setName(group);
            addParameterFolder(nodeId, folder.get());
        }
    }
}

// The editor type (a rotation, say) is not stored with a layer: it comes from the input.
void Layer::takeEditorTypes(IGraphNode* node)
{
    auto const found = m_nodeInstances.find(node->getId());
    if (found == m_nodeInstances.end())
        return;
    auto& parameters = found->second.parameters;
    for (NodeParameter* input : node->getInputs()) {
        auto const instance = parameters.find(input->getId());
        if (instance != parameters.end() && instance->second.parameter)
            instance->second.parameter->setEditorType(input->value->getEditorType());
    }
}

GraphNodeParameterInstance* Layer::findInstance(core::UniqueId const& parameterId)
{
    for (auto& [nodeId, node] : m_nodeInstances) {
        auto const it = node.parameters.find(parameterId);
        if (it != node.parameters.end())
            return &it->second;
    }
    return nullptr;
}

GraphNodeParameterInstance const* Layer::findInstance(core::UniqueId const& parameterId) const
{
    return const_cast<Layer*>(this)->findInstance(parameterId);
}

void Layer::setNodeInstanceExpanded(core::UniqueId const& nodeId, bool expanded)
{
    auto const it = m_nodeInstances.find(nodeId);
    if (it != m_nodeInstances.end())
        it->second.expanded = expanded;
}

bool Layer::getNodeInstanceExpanded(core::UniqueId const& nodeId) const
{
    auto const it = m_nodeInstances.find(nodeId);
    return it != m_nodeInstances.end() && it->second.expanded;
}

bool Layer::getParameterExpanded(core::UniqueId const& parameterId) const
{
    GraphNodeParameterInstance const* instance = findInstance(parameterId);
    return instance && instance->expanded;
}

void Layer::setParameterExpanded(core::UniqueId const& parameterId, bool expanded)
{
    if (GraphNodeParameterInstance* instance = findInstance(parameterId))
        instance->expanded = expanded;
}

bool Layer::isParameterEnabled(core::UniqueId const& parameterId) const
{
    GraphNodeParameterInstance const* instance = findInstance(parameterId);
    return instance && instance->enabled;
}

void Layer::setParameterEnabled(IParameter* nodeInput, bool enabled)
{
    if (!nodeInput)
        return;
    GraphNodeParameterInstance* instance = findInstance(nodeInput->getId());
    if (!instance)
        return;
    if (instance->parameter)
        instance->parameter->setText(nodeInput->getText());
    instance->enabled = enabled;
    if (!enabled) {
        instance->keyframe = nullptr;
        instance->expanded = false;
    }
}

IParameter* Layer::getParameterInstance(core::UniqueId const& parameterId) const
{
    GraphNodeParameterInstance const* instance = findInstance(parameterId);
    return instance ? instance->parameter.get() : nullptr;
}

core::IKeyframe* Layer::getParameterKeyframe(core::UniqueId const& parameterId) const
{
    GraphNodeParameterInstance const* instance = findInstance(parameterId);
    return instance ? instance->keyframe.get() : nullptr;
}

void Layer::setParameterKeyframe(core::UniqueId const& parameterId, core::IKeyframe* keyframe)
{
    if (GraphNodeParameterInstance* instance = findInstance(parameterId))
        instance->keyframe = keyframe;
}

void Layer::setParameterAnimated(core::UniqueId const& parameterId, bool animated)
{
    GraphNodeParameterInstance* instance = findInstance(parameterId);
    if (!instance)
        return;
    instance->expanded = false;
    if (!animated) {
        instance->keyframe = nullptr;
        return;
    }
    if (!instance->parameter)
        return;
    IParameter* parameter = instance->parameter.get();
    unsigned int const channels = channelsOf(parameter->getType());
    // Rotation tracks hold quaternions, which need four channels.
    bool const rotation = parameter->getEditorType() == kEditorRotation && channels == 4;
    core::SmartRef<core::IKeyframe> const track = core::createKeyframe(channels, rotation);
    if (!track)
        return;
    core::Key* key = track->createKey();
    if (!key)
        return;
    float values[4] = {0, 0, 0, 0};
    valuesOf(parameter, values);
    key->time = 0.0f;
    key->kind = core::KeyLinear;
    std::copy(values, values + channels, key->values);
    track->addKey(key, true);
    instance->keyframe = track;
}

int Layer::getParameterExpandedHeight(core::UniqueId const& parameterId) const
{
    GraphNodeParameterInstance const* instance = findInstance(parameterId);
    return instance ? instance->expandedHeight : 0;
}

void Layer::setParameterExpandedHeight(core::UniqueId const& parameterId, int height)
{
    if (GraphNodeParameterInstance* instance = findInstance(parameterId))
        instance->expandedHeight = height;
}

IGraphNodeParameterFolder* Layer::findParameterFolder(core::UniqueId const& nodeId, std::string const& name) const
{
    auto const it = m_folders.find(nodeId);
    if (it == m_folders.end())
        return nullptr;
    for (auto const& folder : it->second)
        if (folder->getName() == name)
            return folder.get();
    return nullptr;
}

GraphNodeParameterFolders const& Layer::getParameterFolders(core::UniqueId const& nodeId) const
{
    auto const it = m_folders.find(nodeId);
    return it == m_folders.end() ? noFolders() : it->second;
}

void Layer::addParameterFolder(core::UniqueId const& nodeId, IGraphNodeParameterFolder* folder)
{
    if (folder)
        m_folders[nodeId].emplace_back(folder);
}

} // namespace tormakelin::fxcore
