#pragma once
// A scratch folder that the core file system searches, removed afterwards.

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>

namespace render_test {

class ScratchFiles {
public:
    ScratchFiles()
    {
        char pattern[] = "/tmp/tormakelin-render-XXXXXX";
        m_root = mkdtemp(pattern);
        m_fileSystem = tormakelin::core::createFileSystem();
        m_fileSystem->addSearchPath(m_root + "/");
    }
    ~ScratchFiles()
    {
        m_fileSystem = nullptr;
        std::filesystem::remove_all(m_root);
    }
    ScratchFiles(const ScratchFiles&) = delete;
    ScratchFiles& operator=(const ScratchFiles&) = delete;

    // `relative` uses "/" here.
    void write(const std::string& relative, const std::string& content) const
    {
        const std::filesystem::path path = m_root + "/" + relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

private:
    std::string m_root;
    tormakelin::core::SmartRef<tormakelin::core::IFileSystem> m_fileSystem;
};

} // namespace render_test
