#include "LayerImpl.h"
#include "XmlWalk.h"

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/Xml.h>

namespace tormakelin::fxcore {
namespace {

void serializeInfo(ISerializer* serializer, core::UniqueId& id, int& type, LayerInfo& info)
{
    serializeAttribute(serializer, "Id", id);
    if (serializer->isSaving())
        serializeAttribute(serializer, "Type", type);
    serializeAttribute(serializer, "Name", info.name);
    serializeAttribute(serializer, "GraphInstance", info.graphInstance);
    serializeAttribute(serializer, "RenderTargetResourceId", info.renderTarget);
    serializeAttribute(serializer, "Expanded", info.expanded);
    serializeAttribute(serializer, "EditorOnly", info.editorOnly);
    serializeAttribute(serializer, "Visible", info.visible);
    serializeAttribute(serializer, "EndBehavior", info.endBehavior);
}

void saveTime(ISerializer* serializer, Time const& time)
{
    if (!beginElement(serializer, "Time"))
        return;
    for (ITimeSegment* segment : time.getSegments()) {
        if (!beginElement(serializer, "TimeSegment"))
            break;
        serializeAttribute(serializer, "Start", segment->getRange()[0]);
        serializeAttribute(serializer, "End", segment->getRange()[1]);
        endElement(serializer);
    }
    endElement(serializer);
}

void loadTime(ISerializer* serializer, Time& time)
{
    forEachChildElement(serializer, "TimeSegment", [&](core::IXmlNode*) {
        core::SmartRef<ITimeSegment> const segment = createTimeSegment();
        if (!segment)
            return;
        serializeAttribute(serializer, "Start", segment->getRange()[0]);
        serializeAttribute(serializer, "End", segment->getRange()[1]);
        time.addSegment(segment.get());
    });
}

void saveParameterInstance(ISerializer* serializer, GraphNodeParameterInstance& instance)
{
    if (!beginElement(serializer, "GraphNodeParameterInstance"))
        return;
    int type = instance.parameter ? instance.parameter->getType() : kParameterText;
    std::string value = instance.parameter ? instance.parameter->getText() : std::string();
    serializeAttribute(serializer, "Id", instance.parameterId);
    serializeAttribute(serializer, "Expanded", instance.expanded);
    serializeAttribute(serializer, "Enabled", instance.enabled);
    serializeAttribute(serializer, "Type", type);
    serializeAttribute(serializer, "Value", value);
    serializeAttribute(serializer, "ExpandedHeight", instance.expandedHeight);
    if (instance.keyframe)
        saveKeyframe(serializer, "Keyframe", instance.keyframe.get());
    endElement(serializer);
}

bool loadParameterInstance(ISerializer* serializer, GraphNodeParameterInstance& instance)
{
    int type = -1;
    std::string value;
    serializeAttribute(serializer, "Id", instance.parameterId);
    serializeAttribute(serializer, "Expanded", instance.expanded);
    serializeAttribute(serializer, "Enabled", instance.enabled);
    serializeAttribute(serializer, "Type", type);
    serializeAttribute(serializer, "Value", value);
    serializeAttribute(serializer, "ExpandedHeight", instance.expandedHeight);
    if (type < kParameterLink || type > kParameterResource)
        return false;
    instance.parameter = createParameter(static_cast<ParameterType>(type));
    if (!instance.parameter)
        return false;
    instance.parameter->setText(value);
    forEachChildElement(serializer, "Keyframe",
        [&](core::IXmlNode*) { instance.keyframe = loadKeyframe(serializer, "Keyframe"); });
    return true;
}

} // namespace

void Layer::saveInstances(ISerializer* serializer, IGraph* graph)
{
    for (auto& [nodeId, node] : m_nodeInstances) {
        // Overrides of nodes removed from the graph are dropped here.
        if (!graph->findNode(nodeId) || !beginElement(serializer, "GraphNodeInstance"))
            continue;
        serializeAttribute(serializer, "Id", node.nodeId);
        serializeAttribute(serializer, "Expanded", node.expanded);
        for (auto& [parameterId, instance] : node.parameters)
            saveParameterInstance(serializer, instance);
        endElement(serializer);
    }
    for (auto& [nodeId, folders] : m_folders) {
        if (!graph->findNode(nodeId) || !beginElement(serializer, "GraphNodeParameterFolders"))
            continue;
        core::UniqueId id = nodeId;
        serializeAttribute(serializer, "NodeId", id);
        for (auto const& folder : folders) {
            if (!beginElement(serializer, "GraphNodeParameterFolder"))
                break;
            std::string name = folder->getName();
            bool expanded = folder->getExpanded();
            serializeAttribute(serializer, "Name", name);
            serializeAttribute(serializer, "Expanded", expanded);
            endElement(serializer);
        }
        endElement(serializer);
    }
}

void Layer::loadNodeInstance(ISerializer* serializer)
{
    GraphNodeInstance node;
    serializeAttribute(serializer, "Id", node.nodeId);
    serializeAttribute(serializer, "Expanded", node.expanded);
    forEachChildElement(serializer, "GraphNodeParameterInstance", [&](core::IXmlNode*) {
        GraphNodeParameterInstance instance;
        if (loadParameterInstance(serializer, instance))
            node.parameters[instance.parameterId] = std::move(instance);
    });
    core::UniqueId const id = node.nodeId;
    m_nodeInstances[id] = std::move(node);
}

void Layer::loadFolders(ISerializer* serializer)
{
    core::UniqueId nodeId{};
    serializeAttribute(serializer, "NodeId", nodeId);
    forEachChildElement(serializer, "GraphNodeParameterFolder", [&](core::IXmlNode*) {
        core::SmartRef<IGraphNodeParameterFolder> const folder = createGraphNodeParameterFolder();
        if (!folder)
            return;
        std::string name;
        bool expanded = false;
        serializeAttribute(serializer, "Name", name);
        serializeAttribute(serializer, "Expanded", expanded);
        folder->setName(name);
        folder->setExpanded(expanded);
        addParameterFolder(nodeId, folder.get());
    });
}

bool Layer::serialize(ISerializer* serializer)
{
    if (!serializer)
        return false;
    int type = m_type;
    if (serializer->isSaving()) {
        if (!beginElement(serializer, "Layer"))
            return false;
        serializeInfo(serializer, m_id, type, m_info);
        saveTime(serializer, m_time);
        if (IGraph* graph = findGraph())
            saveInstances(serializer, graph);
        for (ILayer* child : m_children)
            child->serialize(serializer);
        endElement(serializer);
        return true;
    }
    serializeInfo(serializer, m_id, type, m_info);
    detail::forEachChild(serializer, [&](std::string const& name) {
        if (name == "Time") {
            loadTime(serializer, m_time);
        } else if (name == "Layer") {
            if (ILayer* child = loadLayer(serializer)) {
                addLayer(child);
                child->release();
            }
        } else if (name == "GraphNodeInstance") {
            loadNodeInstance(serializer);
        } else if (name == "GraphNodeParameterFolders") {
            loadFolders(serializer);
        }
    });
    // A saved document holds its graphs before its scenes, so the inputs are there to ask.
    if (IGraph* graph = findGraph())
        for (IGraphNode* node : graph->getNodes())
            takeEditorTypes(node);
    return true;
}

ILayer* loadLayer(ISerializer* serializer)
{
    int type = -1;
    serializeAttribute(serializer, "Type", type);
    ILayer* layer = createLayer(static_cast<LayerType>(type));
    if (!layer)
        return nullptr;
    layer->addRef();
    layer->serialize(serializer);
    return layer;
}

} // namespace tormakelin::fxcore
