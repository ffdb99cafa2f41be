#pragma once
// A scratch directory per test, removed afterwards.

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace tormakelin::core::test {

class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/tormakelin-core-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The path with "/" joined (operating-system form).
    std::string path(const std::string& relative = "") const
    {
        return relative.empty() ? m_path : m_path + "/" + relative;
    }

    void write(const std::string& relative, const std::string& content) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        std::ofstream(path(relative), std::ios::binary) << content;
    }

    std::string read(const std::string& relative) const
    {
        std::ifstream file(path(relative), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }

    bool exists(const std::string& relative) const { return std::filesystem::exists(path(relative)); }

private:
    std::string m_path;
};

} // namespace tormakelin::core::test
