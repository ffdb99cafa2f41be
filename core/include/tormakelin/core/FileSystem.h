#pragma once
// The process-wide file system: names are looked up in the mounted data pack or on disk, through
// a stack of search prefixes tried newest first.

#include <tormakelin/core/Export.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Zip.h>

#include <string>
#include <vector>

namespace tormakelin::core {

class IStream;

class TORMAKELIN_CORE_API IFileSystem {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Unmounts any archive, then mounts the one at `path`; false (nothing mounted) on failure.
    virtual bool mountZip(const std::string& path) = 0;
    virtual void unmountZip() = 0;
    virtual void setUseZip(bool useZip) = 0;
    virtual bool getUseZip() = 0;
    virtual void setUseDisk(bool useDisk) = 0;
    virtual bool getUseDisk() = 0;
    // A new stream (count 0), or null.
    virtual IStream* open(const std::string& name) = 0;
    // A prefix is joined to a name as text, so it normally ends with '\'.
    virtual void addSearchPath(const std::string& prefix) = 0;
    virtual void removeSearchPath() = 0;
    virtual void clearSearchPaths() = 0;
    virtual ~IFileSystem() = default;
};

class TORMAKELIN_CORE_API FileSystem : public RefCounted<IFileSystem> {
public:
    FileSystem() = default;
    ~FileSystem() override;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    bool mountZip(const std::string& path) override;
    void unmountZip() override;
    void setUseZip(bool useZip) override { m_useZip = useZip; }
    bool getUseZip() override { return m_useZip; }
    void setUseDisk(bool useDisk) override { m_useDisk = useDisk; }
    bool getUseDisk() override { return m_useDisk; }
    IStream* open(const std::string& name) override;
    void addSearchPath(const std::string& prefix) override { m_prefixes.push_back(prefix); }
    void removeSearchPath() override;
    void clearSearchPaths() override { m_prefixes.clear(); }

private:
    IStream* openFromZip(const std::string& name);
    IStream* openFromDisk(const std::string& name);

    bool m_useZip = true;
    bool m_useDisk = true;
    ZipHandle m_archive = nullptr;
    std::vector<std::string> m_prefixes;
};

// The one file system of the process; cleared when that object is destroyed.
TORMAKELIN_CORE_API extern IFileSystem* g_fileSystem;

// A new file system (count 0), published in g_fileSystem.
TORMAKELIN_CORE_API IFileSystem* createFileSystem();

} // namespace tormakelin::core
