#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Xml.h>

#include <new>

namespace tormakelin::fxcore {

namespace {

void addRefIf(core::IXmlDocument* document)
{
    if (document)
        document->addRef();
}

void releaseStack(std::vector<core::IXmlNode*>& stack)
{
    while (!stack.empty()) {
        stack.back()->release();
        stack.pop_back();
    }
}

void push(std::vector<core::IXmlNode*>& stack, core::IXmlNode* node)
{
    if (!node)
        return;
    node->addRef();
    stack.push_back(node);
}

void pop(std::vector<core::IXmlNode*>& stack)
{
    if (stack.empty())
        return;
    stack.back()->release();
    stack.pop_back();
}

// The root wrapper comes with count 0; the stack's reference keeps it. The room is made first,
// so that a failed allocation leaves nothing held.
void pushRoot(std::vector<core::IXmlNode*>& stack, core::IXmlDocument* document)
{
    if (!document)
        return;
    core::SmartRef<core::IXmlNode> const root(document->getRoot());
    if (!root)
        return;
    stack.reserve(stack.size() + 1);
    push(stack, root.get());
}

// A context takes a reference to the document, then its root; when the second fails it lets go
// of the first.
void holdDocumentAndRoot(std::vector<core::IXmlNode*>& stack, core::IXmlDocument* document)
{
    addRefIf(document);
    try {
        pushRoot(stack, document);
    } catch (...) {
        if (document)
            document->release();
        throw;
    }
}

class Serializer final : public core::RefCounted<ISerializer> {
public:
    explicit Serializer(SerializerCreateDesc const& desc)
        : m_saving(desc.mode != kSerializerLoad), m_document(desc.document)
    {
        addRefIf(m_document);
    }
    // False when memory runs out; no exception leaves the module.
    bool createContext(bool flag) noexcept
    {
        try {
            if (m_saving)
                m_save = new SaveContext(m_document, flag);
            else
                m_load = new LoadContext(m_document, flag);
            return true;
        } catch (std::bad_alloc const&) {
            return false;
        }
    }
    ~Serializer() override
    {
        delete m_load;
        delete m_save;
        if (m_document)
            m_document->release();
    }

    bool isSaving() const override { return m_saving; }
    LoadContext* getLoadContext() override { return m_load; }
    SaveContext* getSaveContext() override { return m_save; }

private:
    bool m_saving;
    core::IXmlDocument* m_document;
    LoadContext* m_load = nullptr;
    SaveContext* m_save = nullptr;
};

} // namespace

LoadContext::LoadContext(core::IXmlDocument* document, bool flag) : m_document(document), m_flag(flag)
{
    holdDocumentAndRoot(m_stack, m_document);
}

LoadContext::~LoadContext()
{
    releaseStack(m_stack);
    if (m_document)
        m_document->release();
}

void LoadContext::pushNode(core::IXmlNode* node) { push(m_stack, node); }
void LoadContext::popNode() { pop(m_stack); }
core::IXmlNode* LoadContext::getCurrentNode() const { return m_stack.empty() ? nullptr : m_stack.back(); }
core::IXmlDocument* LoadContext::getDocument() const { return m_document; }
void LoadContext::setMerge(bool merge) { m_merge = merge; }
bool LoadContext::getMerge() const { return m_merge; }
bool LoadContext::getFlag() const { return m_flag; }

SaveContext::SaveContext(core::IXmlDocument* document, bool flag) : m_document(document), m_flag(flag)
{
    holdDocumentAndRoot(m_stack, m_document);
}

SaveContext::~SaveContext()
{
    releaseStack(m_stack);
    if (m_document)
        m_document->release();
}

void SaveContext::pushNode(core::IXmlNode* node) { push(m_stack, node); }
void SaveContext::popNode() { pop(m_stack); }
core::IXmlNode* SaveContext::getCurrentNode() const { return m_stack.empty() ? nullptr : m_stack.back(); }
core::IXmlDocument* SaveContext::getDocument() const { return m_document; }
bool SaveContext::getFlag() const { return m_flag; }

ISerializer* createSerializer(SerializerCreateDesc const& desc)
{
    auto* serializer = new (std::nothrow) Serializer(desc);
    if (serializer && !serializer->createContext(desc.flag)) {
        delete serializer;
        return nullptr;
    }
    return serializer;
}

core::IXmlNode* beginElement(ISerializer* serializer, std::string const& name)
{
    SaveContext* context = serializer ? serializer->getSaveContext() : nullptr;
    if (!context || !context->getDocument() || !context->getCurrentNode())
        return nullptr;
    core::IXmlNode* element = context->getDocument()->addElement(context->getCurrentNode(), name);
    if (!element)
        return nullptr;
    context->pushNode(element);
    return element;
}

void endElement(ISerializer* serializer)
{
    if (SaveContext* context = serializer ? serializer->getSaveContext() : nullptr)
        context->popNode();
}

int forEachChildElement(
    ISerializer* serializer, std::string const& name, std::function<void(core::IXmlNode*)> const& visit)
{
    LoadContext* context = serializer ? serializer->getLoadContext() : nullptr;
    core::IXmlNode* parent = context ? context->getCurrentNode() : nullptr;
    if (!parent)
        return 0;
    int visited = 0;
    core::IXmlNode* child = parent->getFirstChildElement();
    if (child)
        child->addRef();
    while (child) {
        if (child->getName() == name) {
            context->pushNode(child);
            visit(child);
            context->popNode();
            ++visited;
        }
        core::IXmlNode* next = child->getNextSiblingElement();
        if (next)
            next->addRef();
        child->release();
        child = next;
    }
    return visited;
}

} // namespace tormakelin::fxcore
