#pragma once
// The XML document of the project file and the atlas files. Node wrappers do not own their
// nodes: each navigation or creation call returns a new wrapper (count 0), and a wrapper must
// not be used once its document is released, re-created or re-loaded.

#include <tormakelin/core/Export.h>

#include <map>
#include <string>

namespace tormakelin::core {

class IStream;

class TORMAKELIN_CORE_API IXmlNode {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // The node's value: an element's tag name.
    virtual std::string getName() = 0;
    virtual void setName(const std::string& name) = 0;
    // False when the node is not an element, has no such attribute or (for numbers) when no
    // number can be read from the start of its text; the output is untouched then.
    virtual bool getAttribute(const std::string& name, std::string& value) = 0;
    virtual bool getAttribute(const std::string& name, int& value) = 0;
    virtual bool getAttribute(const std::string& name, double& value) = 0;
    virtual bool getAttribute(const std::string& name, float& value) = 0;
    virtual void getAttributes(std::map<std::string, std::string>& out) = 0;
    // False when the node is not an element. Numbers are written with "%d" and "%f".
    virtual bool setAttribute(const std::string& name, const std::string& value) = 0;
    virtual bool setAttribute(const std::string& name, int value) = 0;
    virtual bool setAttribute(const std::string& name, double value) = 0;
    virtual bool setAttribute(const std::string& name, float value) = 0;
    // The value of the element's first child when that child is text.
    virtual bool getText(std::string& text) = 0;
    // Sets the value when this node is a text node.
    virtual void setText(const std::string& text) = 0;
    virtual IXmlNode* getFirstChildElement() = 0;
    virtual IXmlNode* getNextSiblingElement() = 0;
    virtual ~IXmlNode() = default;
};

class TORMAKELIN_CORE_API IXmlDocument {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // A new document holding one element `rootName`.
    virtual bool create(const std::string& rootName) = 0;
    // Parses the stream's bytes as UTF-8; on failure no document remains.
    virtual bool load(IStream* stream) = 0;
    // Through g_fileSystem.
    virtual bool load(const std::string& fileName) = 0;
    virtual bool save(const std::string& fileName) = 0;
    // The text, indented with tabs and lines ended with "\r\n", in a new read-only stream.
    virtual IStream* save() = 0;
    virtual IXmlNode* getRoot() = 0;
    // Appended as the parent element's last child; null without a document or parent.
    virtual IXmlNode* addElement(IXmlNode* parent, const std::string& name) = 0;
    // Text stored as CDATA, so free text never needs escaping.
    virtual IXmlNode* addText(IXmlNode* parent, const std::string& text) = 0;
    virtual ~IXmlDocument() = default;
};

// A new, empty document (count 0).
TORMAKELIN_CORE_API IXmlDocument* createXmlDocument();

} // namespace tormakelin::core
