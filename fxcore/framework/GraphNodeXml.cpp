#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/Services.h>

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/String.h>
#include <tormakelin/core/Xml.h>

#include "CLocale.h"
#include "XmlWalk.h"

namespace tormakelin::fxcore {

namespace {

bool validParameterType(int type)
{
    return type >= kParameterLink && type <= kParameterResource;
}

std::string formatChannels(core::Key const& key, unsigned int count)
{
    std::string text;
    for (unsigned int i = 0; i < count; ++i) {
        if (i > 0)
            text += ',';
        text += core::formatString("%f", static_cast<double>(key.values[i]));
    }
    return text;
}

void parseChannels(std::string const& text, core::Key& key, unsigned int count)
{
    size_t start = 0;
    for (unsigned int i = 0; i < count; ++i) {
        key.values[i] = start <= text.size() ? static_cast<float>(detail::atofC(text.c_str() + start)) : 0.0f;
        size_t const comma = start <= text.size() ? text.find(',', start) : std::string::npos;
        start = comma == std::string::npos ? text.size() + 1 : comma + 1;
    }
}

void serializeKey(ISerializer* serializer, core::Key& key, unsigned int channels)
{
    int kind = key.kind;
    int spin = key.turns;
    serializeAttribute(serializer, "Time", key.time);
    serializeAttribute(serializer, "Interpolation", kind);
    serializeAttribute(serializer, "Tension", key.tension);
    serializeAttribute(serializer, "Continuity", key.continuity);
    serializeAttribute(serializer, "Bias", key.bias);
    serializeAttribute(serializer, "EaseIn", key.easeTo);
    serializeAttribute(serializer, "EaseOut", key.easeFrom);
    serializeAttribute(serializer, "Spin", spin);
    std::string text = serializer->isSaving() ? formatChannels(key, channels) : std::string();
    serializeAttribute(serializer, "Channels", text);
    if (!serializer->isSaving()) {
        key.kind = kind;
        key.turns = spin;
        parseChannels(text, key, channels);
    }
}

} // namespace

void saveKeyframe(ISerializer* serializer, std::string const& name, core::IKeyframe* keyframe)
{
    if (!keyframe || !beginElement(serializer, name))
        return;
    int channels = static_cast<int>(keyframe->getDimension());
    bool rotation = keyframe->isQuaternion();
    int post = keyframe->getPostOORBehavior();
    int pre = keyframe->getPreOORBehavior();
    serializeAttribute(serializer, "NumChannels", channels);
    serializeAttribute(serializer, "Rotation", rotation);
    serializeAttribute(serializer, "PostOOR", post);
    serializeAttribute(serializer, "PreOOR", pre);
    for (core::Key* key : keyframe->getKeys()) {
        if (!beginElement(serializer, "Key"))
            continue;
        serializeKey(serializer, *key, keyframe->getDimension());
        endElement(serializer);
    }
    endElement(serializer);
}

core::IKeyframe* loadKeyframe(ISerializer* serializer, std::string const&)
{
    int channels = 0;
    bool rotation = false;
    int post = core::KeyframeHold;
    int pre = core::KeyframeHold;
    serializeAttribute(serializer, "NumChannels", channels);
    serializeAttribute(serializer, "Rotation", rotation);
    serializeAttribute(serializer, "PostOOR", post);
    serializeAttribute(serializer, "PreOOR", pre);
    if (channels < 1 || channels > 4)
        return nullptr;
    core::IKeyframe* keyframe = core::createKeyframe(static_cast<unsigned int>(channels), rotation);
    if (!keyframe)
        return nullptr;
    keyframe->setPostOORBehavior(static_cast<core::KeyframeOOR>(post));
    keyframe->setPreOORBehavior(static_cast<core::KeyframeOOR>(pre));
    forEachChildElement(serializer, "Key", [&](core::IXmlNode*) {
        core::Key* key = keyframe->createKey();
        serializeKey(serializer, *key, keyframe->getDimension());
        if (key->kind < core::KeyTcb || key->kind > core::KeyHermite) {
            delete key;
            return;
        }
        keyframe->addKey(key, false);
    });
    keyframe->sort();
    return keyframe;
}

namespace {

void serializeLinkAttributes(ISerializer* serializer, CollectionLink& link)
{
    serializeAttribute(serializer, "GraphNode", link.nodeId);
    serializeAttribute(serializer, "GraphNodeParameter", link.nodeParameterId);
    serializeAttribute(serializer, "Parameter", link.parameterId);
}

CollectionLink loadLink(ISerializer* serializer)
{
    CollectionLink link;
    serializeLinkAttributes(serializer, link);
    return link;
}

// A stored group the node lacks is skipped.
void loadGroupState(ISerializer* serializer, GraphNode& node)
{
    std::string group;
    bool expanded = true;
    serializeAttribute(serializer, "Name", group);
    serializeAttribute(serializer, "Expanded", expanded);
    if (GraphNodeParameterGroup* found = node.getParameterGroup(group))
        found->expanded = expanded;
}

void saveGroupStates(ISerializer* serializer, ParameterGroupMap& groups)
{
    for (auto& [name, group] : groups) {
        if (!beginElement(serializer, "GraphNodeParameterGroup"))
            continue;
        std::string groupName = name;
        serializeAttribute(serializer, "Name", groupName);
        serializeAttribute(serializer, "Expanded", group.expanded);
        endElement(serializer);
    }
}

void saveLinks(ISerializer* serializer, std::vector<CollectionLink>& links)
{
    for (CollectionLink& link : links) {
        if (!beginElement(serializer, "Link"))
            continue;
        serializeLinkAttributes(serializer, link);
        endElement(serializer);
    }
}

} // namespace

bool GraphNode::serialize(ISerializer* serializer)
{
    if (!serializer)
        return false;
    bool const saving = serializer->isSaving();
    if (saving && !beginElement(serializer, "GraphNode"))
        return false;
    core::UniqueId id = m_id;
    core::UniqueId pluginId = m_pluginDesc.id;
    serializeAttribute(serializer, "Id", id);
    serializeAttribute(serializer, "PluginId", pluginId);
    serializeAttribute(serializer, "LayoutPositionX", m_layout.positionX);
    serializeAttribute(serializer, "LayoutPositionY", m_layout.positionY);
    serializeAttribute(serializer, "Expanded", m_layout.expanded);
    serializeAttribute(serializer, "SortOrder", m_sortOrder);
    serializeAttribute(serializer, "VisibleOnTimeline", m_layout.visibleOnTimeline);
    serializeAttribute(serializer, "GroupGraphId", m_layout.groupGraphId);
    if (!saving)
        setId(id);
    serializeData(serializer);
    if (!saving) {
        detail::forEachChild(serializer, [&](std::string const& name) {
            if (name == "GraphNodeParameterGroup") {
                loadGroupState(serializer, *this);
            } else if (name == "Link") {
                m_pendingLinks.push_back(loadLink(serializer));
            } else if (name == "Keyframe") {
                if (core::IKeyframe* keyframe = loadKeyframe(serializer, name))
                    setKeyframe(keyframe);
            } else if (name == "Inputs" || name == "Outputs") {
                loadParameters(serializer, name == "Inputs");
            }
        });
        return true;
    }
    saveGroupStates(serializer, m_groups);
    saveLinks(serializer, m_pendingLinks);
    saveKeyframe(serializer, "Keyframe", m_keyframe);
    saveParameters(serializer, true);
    saveParameters(serializer, false);
    endElement(serializer);
    return true;
}

void GraphNode::saveParameters(ISerializer* serializer, bool inputs)
{
    if (!beginElement(serializer, inputs ? "Inputs" : "Outputs"))
        return;
    for (NodeParameter* parameter : inputs ? m_inputs : m_outputs) {
        if (!beginElement(serializer, "Parameter"))
            continue;
        std::string name = parameter->name;
        std::string value = parameter->value->getText();
        core::UniqueId id = parameter->getId();
        int type = parameter->getType();
        int editorType = parameter->value->getEditorType();
        serializeAttribute(serializer, "Name", name);
        serializeAttribute(serializer, "Value", value);
        serializeAttribute(serializer, "Id", id);
        serializeAttribute(serializer, "Type", type);
        serializeAttribute(serializer, "EditorGridExpanded", parameter->editorGridExpanded);
        serializeAttribute(serializer, "EditorType", editorType);
        serializeAttribute(serializer, "Instanceable", parameter->instanceable);
        for (NodeLink const& link : parameter->incoming) {
            if (!beginElement(serializer, "InputLink"))
                continue;
            core::UniqueId nodeId = link.node->getId();
            core::UniqueId paramId = link.parameter->getId();
            serializeAttribute(serializer, "NodeId", nodeId);
            serializeAttribute(serializer, "ParamId", paramId);
            serializeAttribute(serializer, "DestParamName", name);
            serializeAttribute(serializer, "DestParamId", id);
            endElement(serializer);
        }
        endElement(serializer);
    }
    endElement(serializer);
}

bool GraphNode::loadParameters(ISerializer* serializer, bool inputs)
{
    forEachChildElement(serializer, "Parameter", [&](core::IXmlNode*) {
        std::string name;
        int type = -1;
        if (!serializeAttribute(serializer, "Name", name))
            return;
        serializeAttribute(serializer, "Type", type);
        NodeParameter* parameter = inputs ? findInput(name) : findOutput(name);
        if (!parameter) {
            if (!validParameterType(type))
                return;
            auto const kind = static_cast<ParameterType>(type);
            parameter = inputs ? addInput(name, kind, "", nullptr) : addOutput(name, kind, nullptr);
        }
        core::UniqueId id = parameter->getId();
        if (serializeAttribute(serializer, "Id", id))
            parameter->value->setId(id);
        std::string value;
        if (serializeAttribute(serializer, "Value", value))
            parameter->value->setText(value);
        int editorType = parameter->value->getEditorType();
        serializeAttribute(serializer, "EditorGridExpanded", parameter->editorGridExpanded);
        if (serializeAttribute(serializer, "EditorType", editorType))
            parameter->value->setEditorType(editorType);
        serializeAttribute(serializer, "Instanceable", parameter->instanceable);
    });
    return true;
}

IGraphNode* GraphNode::clone()
{
    IGraphNode* copy = createPluginAs<IGraphNode>(FrameworkServices::pluginManager(), m_pluginDesc.id);
    auto* node = dynamic_cast<GraphNode*>(copy);
    if (!node) {
        if (copy) {
            copy->addRef();
            copy->release();
        }
        return nullptr;
    }
    for (NodeParameter const* input : m_inputs) {
        NodeParameter* target = node->findInput(input->name);
        if (!target)
            target = node->addInput(input->name, input->getType(), "", nullptr);
        target->value->setText(input->value->getText());
        target->value->setEditorType(input->value->getEditorType());
    }
    for (auto const& [name, group] : m_groups)
        if (GraphNodeParameterGroup* own = node->getParameterGroup(name))
            own->expanded = group.expanded;
    if (m_keyframe)
        node->setKeyframe(m_keyframe->clone());
    node->m_layout = m_layout;
    node->m_sortOrder = m_sortOrder;

    core::IXmlDocument* document = core::createXmlDocument();
    if (!document)
        return node;
    document->addRef();
    if (document->create("CloneData")) {
        core::SmartRef<ISerializer> const save = createSerializer({kSerializerSave, document, false});
        core::SmartRef<ISerializer> const load = createSerializer({kSerializerLoad, document, false});
        if (save && load) {
            serializeData(save.get());
            node->serializeData(load.get());
        }
    }
    document->release();
    return node;
}

void GraphNode::resolve(IGraph*)
{
    // The graph's links are in place now: a script compiled here costs its first frame nothing.
    prebuildScript();
    IGraphManager* manager = FrameworkServices::graphManager();
    if (!manager)
        return;
    for (CollectionLink& link : m_pendingLinks) {
        link.node = manager->findNode(link.nodeId);
        link.nodeParameter = link.node ? link.node->findParameterById(link.nodeParameterId) : nullptr;
        link.nodeId = link.node ? link.node->getId() : core::UniqueId{};
        link.nodeParameterId = link.nodeParameter ? link.nodeParameter->getId() : core::UniqueId{};
        link.parameter = findParameterById(link.parameterId);
        link.parameterId = link.parameter ? link.parameter->getId() : core::UniqueId{};
    }
}

} // namespace tormakelin::fxcore
