#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Path.h>

namespace tormakelin::core {

IFileSystem* g_fileSystem = nullptr;

FileSystem::~FileSystem()
{
    unmountZip();
    if (g_fileSystem == this) {
        g_fileSystem = nullptr;
    }
}

bool FileSystem::mountZip(const std::string& path)
{
    unmountZip();
    m_archive = ZipRead::open(path);
    if (!m_archive) {
        return false;
    }
    m_useZip = true;
    return true;
}

void FileSystem::unmountZip()
{
    ZipRead::close(m_archive);
    m_archive = nullptr;
}

void FileSystem::removeSearchPath()
{
    if (!m_prefixes.empty()) {
        m_prefixes.pop_back();
    }
}

IStream* FileSystem::open(const std::string& name)
{
    if (m_archive && m_useZip) {
        return openFromZip(name);
    }
    if (m_useDisk) {
        for (auto prefix = m_prefixes.rbegin(); prefix != m_prefixes.rend(); ++prefix) {
            if (IStream* stream = openFromDisk(*prefix + stripDrive(name))) {
                return stream;
            }
        }
    }
    return openFromDisk(name);
}

// With a pack mounted the disk is not consulted: what plays is what was packed.
IStream* FileSystem::openFromZip(const std::string& name)
{
    for (auto prefix = m_prefixes.rbegin(); prefix != m_prefixes.rend(); ++prefix) {
        if (IStream* stream = ZipRead::read(m_archive, stripDrive(*prefix + stripDrive(name)))) {
            return stream;
        }
    }
    return ZipRead::read(m_archive, name);
}

IStream* FileSystem::openFromDisk(const std::string& name)
{
    auto* file = new FileStream;
    if (!file->open(name, true)) {
        delete file;
        return nullptr;
    }
    return file;
}

IFileSystem* createFileSystem()
{
    auto* fileSystem = new FileSystem;
    g_fileSystem = fileSystem;
    return fileSystem;
}

} // namespace tormakelin::core
