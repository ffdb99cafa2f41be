#pragma once

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Xml.h>

class TiXmlNode;
class TiXmlElement;

namespace tormakelin::core {

class XmlNode : public RefCounted<IXmlNode> {
public:
    explicit XmlNode(TiXmlNode* node) : m_node(node) {}

    // The wrapped node, or null when `node` is not one of ours.
    static TiXmlNode* nodeOf(IXmlNode* node);
    // A new wrapper, or null for a null node.
    static IXmlNode* wrap(TiXmlNode* node);

    std::string getName() override;
    void setName(const std::string& name) override;
    bool getAttribute(const std::string& name, std::string& value) override;
    bool getAttribute(const std::string& name, int& value) override;
    bool getAttribute(const std::string& name, double& value) override;
    bool getAttribute(const std::string& name, float& value) override;
    void getAttributes(std::map<std::string, std::string>& out) override;
    bool setAttribute(const std::string& name, const std::string& value) override;
    bool setAttribute(const std::string& name, int value) override;
    bool setAttribute(const std::string& name, double value) override;
    bool setAttribute(const std::string& name, float value) override;
    bool getText(std::string& text) override;
    void setText(const std::string& text) override;
    IXmlNode* getFirstChildElement() override;
    IXmlNode* getNextSiblingElement() override;

private:
    TiXmlElement* element() const;

    TiXmlNode* m_node;
};

} // namespace tormakelin::core
