#pragma once

#include <tormakelin/fxcore/Export.h>

#include <tormakelin/core/UniqueId.h>

#include <string>
#include <vector>

namespace tormakelin::fxcore {

class ISerializer;

struct FolderData {
    bool folder = false;
    bool expanded = false;
    bool locked = false;
    core::UniqueId data{};
    std::string name;
};

class TORMAKELIN_FXCORE_API IFolder {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual core::UniqueId const& getId() const = 0;
    virtual void setId(core::UniqueId const& id) = 0;
    virtual core::UniqueId const& getParentId() const = 0;
    virtual void setParentId(core::UniqueId const& id) = 0;
    virtual FolderData& getData() = 0;
    virtual std::vector<IFolder*> const& getChildren() const = 0;
    virtual IFolder* findFolder(core::UniqueId const& id) = 0;
    virtual void insertChild(IFolder* child, int index) = 0;
    virtual void addChild(IFolder* child) = 0;
    virtual void removeChild(core::UniqueId const& id) = 0;
    virtual void replaceChild(IFolder* oldEntry, IFolder* newEntry) = 0;
    virtual IFolder* findByData(core::UniqueId const& data) = 0;
    virtual int indexOf(core::UniqueId const& id) const = 0;
    virtual void moveChild(core::UniqueId const& id, int index) = 0;
    // Each entry without a reference of its own.
    virtual std::vector<IFolder*> collectFolders() = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IFolder() = default;
};

class TORMAKELIN_FXCORE_API IFolderManager {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual IFolder* getRoot() const = 0;
    virtual IFolder* findFolder(core::UniqueId const& id) = 0;
    virtual IFolder* findByData(core::UniqueId const& data) = 0;
    virtual void addFolder(IFolder* parent, IFolder* entry) = 0;
    virtual void removeFolder(core::UniqueId const& id) = 0;
    virtual void reset() = 0;
    virtual bool serialize(ISerializer* serializer) = 0;
    virtual ~IFolderManager() = default;
};

// Count 0; null when memory runs out.
TORMAKELIN_FXCORE_API IFolder* createFolder();
TORMAKELIN_FXCORE_API IFolderManager* createFolderManager();

} // namespace tormakelin::fxcore
