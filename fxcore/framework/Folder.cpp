#include <tormakelin/fxcore/Folder.h>
#include "CreateValid.h"
#include "IdList.h"
#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/Xml.h>
#include <tormakelin/core/RefCounted.h>

#include <new>
#include <utility>

namespace tormakelin::fxcore {

namespace {

class Folder final : public core::RefCounted<IFolder> {
public:
    Folder() { core::generateUniqueId(m_id); }
    ~Folder() override
    {
        for (IFolder* child : m_children)
            child->release();
    }

    core::UniqueId const& getId() const override { return m_id; }
    void setId(core::UniqueId const& id) override { m_id = id; }
    core::UniqueId const& getParentId() const override { return m_parentId; }
    void setParentId(core::UniqueId const& id) override { m_parentId = id; }
    FolderData& getData() override { return m_data; }
    std::vector<IFolder*> const& getChildren() const override { return m_children; }

    IFolder* findFolder(core::UniqueId const& id) override
    {
        if (m_id == id)
            return this;
        for (IFolder* child : m_children)
            if (IFolder* found = child->findFolder(id))
                return found;
        return nullptr;
    }

    void insertChild(IFolder* child, int index) override
    {
        // An entry cannot go under itself or its own descendants.
        if (!child || child->findFolder(m_id))
            return;
        child->addRef();
        child->setParentId(m_id);
        if (index < 0 || static_cast<size_t>(index) >= m_children.size())
            m_children.push_back(child);
        else
            m_children.insert(m_children.begin() + index, child);
    }

    void addChild(IFolder* child) override { insertChild(child, -1); }

    void removeChild(core::UniqueId const& id) override
    {
        int const index = indexOf(id);
        if (index < 0)
            return;
        IFolder* child = m_children[static_cast<size_t>(index)];
        m_children.erase(m_children.begin() + index);
        child->setParentId(core::UniqueId{});
        child->release();
    }

    void replaceChild(IFolder* oldEntry, IFolder* newEntry) override
    {
        if (!oldEntry || !newEntry)
            return;
        int const index = indexOf(oldEntry->getId());
        if (index < 0)
            return;
        newEntry->addRef();
        newEntry->setParentId(m_id);
        std::swap(m_children[static_cast<size_t>(index)], newEntry);
        newEntry->release();
    }

    IFolder* findByData(core::UniqueId const& data) override
    {
        if (m_data.data == data)
            return this;
        for (IFolder* child : m_children)
            if (IFolder* found = child->findByData(data))
                return found;
        return nullptr;
    }

    int indexOf(core::UniqueId const& id) const override { return indexById(m_children, id); }

    void moveChild(core::UniqueId const& id, int index) override { moveById(m_children, id, index); }

    std::vector<IFolder*> collectFolders() override
    {
        std::vector<IFolder*> out{this};
        for (IFolder* child : m_children) {
            std::vector<IFolder*> const below = child->collectFolders();
            out.insert(out.end(), below.begin(), below.end());
        }
        return out;
    }

    bool serialize(ISerializer* serializer) override
    {
        if (!serializer)
            return false;
        if (serializer->isSaving()) {
            if (!beginElement(serializer, "Folder"))
                return false;
            serializeFields(serializer);
            for (IFolder* child : m_children)
                child->serialize(serializer);
            endElement(serializer);
            return true;
        }
        serializeFields(serializer);
        forEachChildElement(serializer, "Folder", [&](core::IXmlNode*) {
            IFolder* child = createFolder();
            if (!child)
                return;
            child->addRef();
            child->serialize(serializer);
            addChild(child);
            child->release();
        });
        return true;
    }

private:
    void serializeFields(ISerializer* serializer)
    {
        core::UniqueId id = m_id;
        serializeAttribute(serializer, "Id", id);
        serializeAttribute(serializer, "Data", m_data.data);
        serializeAttribute(serializer, "DataFolder", m_data.folder);
        serializeAttribute(serializer, "DataExpanded", m_data.expanded);
        serializeAttribute(serializer, "DataName", m_data.name);
        serializeAttribute(serializer, "DataLocked", m_data.locked);
        setId(id);
    }

    core::UniqueId m_id{};
    core::UniqueId m_parentId{};
    FolderData m_data;
    std::vector<IFolder*> m_children;
};

IFolder* makeRoot(core::UniqueId const* id)
{
    IFolder* root = createFolder();
    if (!root)
        return nullptr;
    root->addRef();
    root->getData().folder = true;
    root->getData().expanded = true;
    root->getData().name = "root";
    if (id)
        root->setId(*id);
    return root;
}

class FolderManager final : public core::RefCounted<IFolderManager> {
public:
    FolderManager() : m_root(makeRoot(nullptr)) {}
    ~FolderManager() override
    {
        if (m_root)
            m_root->release();
    }
    bool valid() const { return m_root != nullptr; }

    IFolder* getRoot() const override { return m_root; }
    IFolder* findFolder(core::UniqueId const& id) override { return m_root->findFolder(id); }
    IFolder* findByData(core::UniqueId const& data) override { return m_root->findByData(data); }

    void addFolder(IFolder* parent, IFolder* entry) override { (parent ? parent : m_root)->addChild(entry); }

    void removeFolder(core::UniqueId const& id) override
    {
        IFolder* entry = m_root->findFolder(id);
        if (!entry || entry == m_root)
            return;
        if (IFolder* parent = m_root->findFolder(entry->getParentId()))
            parent->removeChild(id);
    }

    void reset() override
    {
        IFolder* root = makeRoot(&m_root->getId());
        if (!root)
            return;
        m_root->release();
        m_root = root;
    }

    bool serialize(ISerializer* serializer) override
    {
        if (!serializer)
            return false;
        if (serializer->isSaving()) {
            if (!beginElement(serializer, "FolderManager"))
                return false;
            for (IFolder* child : m_root->getChildren())
                child->serialize(serializer);
            endElement(serializer);
            return true;
        }
        forEachChildElement(serializer, "Folder", [&](core::IXmlNode*) {
            IFolder* entry = createFolder();
            if (!entry)
                return;
            entry->addRef();
            entry->serialize(serializer);
            m_root->addChild(entry);
            entry->release();
        });
        return true;
    }

private:
    IFolder* m_root;
};

} // namespace

IFolder* createFolder()
{
    return new (std::nothrow) Folder();
}

IFolderManager* createFolderManager()
{
    return createValid<FolderManager>();
}

} // namespace tormakelin::fxcore
