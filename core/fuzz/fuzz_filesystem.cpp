// File names resolved on disk by the file system: each input line is a name to open, or a
// command ("+prefix" adds a search path, "-" removes the newest, "!" toggles the disk lookup).
// Names are looked up inside a scratch tree of mixed-case names, so the case-insensitive walk
// runs; names are kept inside it (no root, drive or ".."): the fuzzer must not open device files.

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace tormakelin::core;

namespace {

const char* const kFiles[] = {
    "Media/Logo.PNG", "media/sub/Tex.dds", "ABC/def/GHI.txt", "a/b/c/d.txt", "UPPER.TXT", "lower.txt",
    "Mixed/Case/Folder/file.Ext", "dup/File", "dup/file", "dup/FILE/inner", "space name/x y.z",
};

std::filesystem::path makeScratchTree()
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("tormakelin-fuzz-fs-" + std::to_string(getpid()));
    for (const char* name : kFiles) {
        const std::filesystem::path path = root / name;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        std::ofstream(path) << name;
    }
    return root;
}

void removeScratchTree();

// Never destroyed, so the exit handler still finds it.
const std::filesystem::path& scratchTree()
{
    static const auto* root = [] {
        auto* made = new std::filesystem::path(makeScratchTree());
        std::atexit(removeScratchTree);
        return made;
    }();
    return *root;
}

void removeScratchTree()
{
    std::error_code error;
    std::filesystem::remove_all(scratchTree(), error);
}

bool staysInside(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        return false;
    }
    return name.find("..") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int entered = chdir(scratchTree().c_str());
    if (entered != 0) {
        return 0;
    }
    SmartRef<IFileSystem> fileSystem(createFileSystem());
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t begin = 0;
    int lines = 0;
    while (begin < text.size() && ++lines <= 32) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line[0] == '+') {
            // A prefix ending in '.' could make ".." with a name starting with one.
            if (line.size() == 1 || (staysInside(line.substr(1)) && line.back() != '.')) {
                fileSystem->addSearchPath(line.substr(1));
            }
        } else if (line == "-") {
            fileSystem->removeSearchPath();
        } else if (line == "!") {
            fileSystem->setUseDisk(!fileSystem->getUseDisk());
        } else if (staysInside(line)) {
            SmartRef<IStream> stream(fileSystem->open(line));
            if (stream) {
                char head[64];
                stream->read(head, sizeof head);
                stream->getSize();
            }
        }
    }
    return 0;
}
