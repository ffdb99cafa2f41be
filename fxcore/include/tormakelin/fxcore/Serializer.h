#pragma once

#include <tormakelin/fxcore/Export.h>

#include <functional>
#include <string>
#include <vector>

namespace tormakelin::core {
class IXmlDocument;
class IXmlNode;
struct UniqueId;
} // namespace tormakelin::core

namespace tormakelin::fxcore {

// Element names of the project document's skeleton; the root is "Tormakelin" but is never checked.
inline constexpr char kRootElement[] = "Tormakelin";
inline constexpr char kDocumentSettingsElement[] = "DocumentSettings";
inline constexpr char kResourceManagerElement[] = "ResourceManager";
inline constexpr char kGraphManagerElement[] = "GraphManager";
inline constexpr char kSceneManagerElement[] = "SceneManager";

// The direction of a SerializerCreateDesc::mode; any value but load saves.
enum SerializerMode : int { kSerializerLoad = 0, kSerializerSave = 1 };

struct SerializerCreateDesc {
    int mode = kSerializerLoad;
    core::IXmlDocument* document = nullptr;
    bool flag = false;
};

// The stack of current nodes of one load pass; the top is the current node.
class TORMAKELIN_FXCORE_API LoadContext {
public:
    LoadContext(core::IXmlDocument* document, bool flag);
    ~LoadContext();
    LoadContext(LoadContext const&) = delete;
    LoadContext& operator=(LoadContext const&) = delete;

    void pushNode(core::IXmlNode* node);
    void popNode();
    // Null when the stack is empty (an empty document has no root).
    core::IXmlNode* getCurrentNode() const;
    core::IXmlDocument* getDocument() const;
    void setMerge(bool merge);
    bool getMerge() const;
    bool getFlag() const;

private:
    core::IXmlDocument* m_document;
    std::vector<core::IXmlNode*> m_stack;
    bool m_flag;
    bool m_merge = false;
};

class TORMAKELIN_FXCORE_API SaveContext {
public:
    SaveContext(core::IXmlDocument* document, bool flag);
    ~SaveContext();
    SaveContext(SaveContext const&) = delete;
    SaveContext& operator=(SaveContext const&) = delete;

    void pushNode(core::IXmlNode* node);
    void popNode();
    core::IXmlNode* getCurrentNode() const;
    core::IXmlDocument* getDocument() const;
    bool getFlag() const;

private:
    core::IXmlDocument* m_document;
    std::vector<core::IXmlNode*> m_stack;
    bool m_flag;
};

class TORMAKELIN_FXCORE_API ISerializer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual bool isSaving() const = 0;
    virtual LoadContext* getLoadContext() = 0;
    virtual SaveContext* getSaveContext() = 0;
    virtual ~ISerializer() = default;
};

// A serializer for one pass; null only when memory runs out.
TORMAKELIN_FXCORE_API ISerializer* createSerializer(SerializerCreateDesc const& desc);

// Saving: adds the element under the current node and makes it current; null when there is no
// current node. Pair with endElement when it returned non-null.
TORMAKELIN_FXCORE_API core::IXmlNode* beginElement(ISerializer* serializer, std::string const& name);
TORMAKELIN_FXCORE_API void endElement(ISerializer* serializer);

// Loading: visits the current node's child elements of that name in document order, each one
// current while the visitor runs; other elements are skipped. Returns how many were visited.
TORMAKELIN_FXCORE_API int forEachChildElement(
    ISerializer* serializer, std::string const& name, std::function<void(core::IXmlNode*)> const& visit);

// The current node of whichever context the serializer has; null when there is none.
TORMAKELIN_FXCORE_API core::IXmlNode* getCurrentNode(ISerializer* serializer);

// One attribute of the current node in the document's value forms, read or written as the
// serializer's direction says: ids as their 36-character text, booleans as 0 and 1, floats
// with "%f". Loading leaves the value untouched when the attribute is missing or unreadable.
// True when the attribute was read or written.
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, int& value);
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, unsigned int& value);
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, bool& value);
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, float& value);
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, double& value);
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, std::string& value);
TORMAKELIN_FXCORE_API bool serializeAttribute(ISerializer* serializer, std::string const& name, core::UniqueId& value);

} // namespace tormakelin::fxcore
