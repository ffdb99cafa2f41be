#include "CLocale.h"
#include "XmlNode.h"

#include <tormakelin/core/String.h>

#include <tinyxml.h>

#include <cstdio>

namespace tormakelin::core {

TiXmlNode* XmlNode::nodeOf(IXmlNode* node)
{
    auto* ours = dynamic_cast<XmlNode*>(node);
    return ours ? ours->m_node : nullptr;
}

IXmlNode* XmlNode::wrap(TiXmlNode* node) { return node ? new XmlNode(node) : nullptr; }

TiXmlElement* XmlNode::element() const { return m_node ? m_node->ToElement() : nullptr; }

std::string XmlNode::getName() { return m_node ? m_node->ValueStr() : std::string(); }

void XmlNode::setName(const std::string& name)
{
    if (m_node) {
        m_node->SetValue(name);
    }
}

bool XmlNode::getAttribute(const std::string& name, std::string& value)
{
    const TiXmlElement* e = element();
    const char* text = e ? e->Attribute(name.c_str()) : nullptr;
    if (!text) {
        return false;
    }
    value = text;
    return true;
}

bool XmlNode::getAttribute(const std::string& name, int& value)
{
    std::string text;
    CLocaleScope cLocale;
    int number = 0;
    if (!getAttribute(name, text) || std::sscanf(text.c_str(), "%d", &number) != 1) {
        return false;
    }
    value = number;
    return true;
}

bool XmlNode::getAttribute(const std::string& name, double& value)
{
    std::string text;
    CLocaleScope cLocale;
    double number = 0;
    if (!getAttribute(name, text) || std::sscanf(text.c_str(), "%lf", &number) != 1) {
        return false;
    }
    value = number;
    return true;
}

bool XmlNode::getAttribute(const std::string& name, float& value)
{
    double number = 0;
    if (!getAttribute(name, number)) {
        return false;
    }
    value = float(number);
    return true;
}

void XmlNode::getAttributes(std::map<std::string, std::string>& out)
{
    const TiXmlElement* e = element();
    for (const TiXmlAttribute* a = e ? e->FirstAttribute() : nullptr; a; a = a->Next()) {
        out[a->NameTStr()] = a->ValueStr();
    }
}

bool XmlNode::setAttribute(const std::string& name, const std::string& value)
{
    TiXmlElement* e = element();
    if (!e) {
        return false;
    }
    e->SetAttribute(name, value);
    return true;
}

bool XmlNode::setAttribute(const std::string& name, int value)
{
    return setAttribute(name, formatString("%d", value));
}

bool XmlNode::setAttribute(const std::string& name, double value)
{
    return setAttribute(name, formatString("%f", value));
}

bool XmlNode::setAttribute(const std::string& name, float value) { return setAttribute(name, double(value)); }

bool XmlNode::getText(std::string& text)
{
    const TiXmlElement* e = element();
    const TiXmlNode* child = e ? e->FirstChild() : nullptr;
    if (!child || !child->ToText()) {
        return false;
    }
    text = child->ValueStr();
    return true;
}

void XmlNode::setText(const std::string& text)
{
    if (m_node && m_node->ToText()) {
        m_node->SetValue(text);
    }
}

IXmlNode* XmlNode::getFirstChildElement() { return m_node ? wrap(m_node->FirstChildElement()) : nullptr; }

IXmlNode* XmlNode::getNextSiblingElement() { return m_node ? wrap(m_node->NextSiblingElement()) : nullptr; }

} // namespace tormakelin::core
