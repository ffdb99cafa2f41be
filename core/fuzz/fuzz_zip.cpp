// Mounts arbitrary bytes as the data pack, opens entries by name and extracts the archive.

#include <QuietLog.h>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/Zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

using namespace tormakelin::core;

namespace {

const std::string& scratch()
{
    static const std::string path = "/tmp/tormakelin-fuzz-zip-" + std::to_string(getpid());
    static const bool cleanupRegistered = std::atexit([] { ::unlink((scratch() + ".zip").c_str()); }) == 0;
    (void)cleanupRegistered;
    return path;
}

void readAll(IFileSystem& fileSystem, const std::string& name)
{
    SmartRef<IStream> stream(fileSystem.open(name));
    if (stream) {
        volatile unsigned char sink = 0;
        const auto* bytes = static_cast<const unsigned char*>(stream->getData());
        for (unsigned int i = 0; i < stream->getSize(); ++i) {
            sink = sink ^ bytes[i];
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tormakelin::test::silenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string archivePath = scratch() + ".zip";
    FILE* file = std::fopen(archivePath.c_str(), "wb");
    if (!file) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    SmartRef<IFileSystem> fileSystem(createFileSystem());
    if (fileSystem->mountZip(archivePath)) {
        readAll(*fileSystem, "tormakelin.script");
        readAll(*fileSystem, "D:\\Media\\Logo.PNG");
        // A name taken from the input itself, so stored names are found now and then.
        const size_t length = size < 64 ? size : 64;
        readAll(*fileSystem, std::string(reinterpret_cast<const char*>(data) + (size - length), length));
    }
    ZipHandle archive = ZipRead::open(archivePath);
    if (archive) {
        const std::string target = scratch() + "-out";
        ZipRead::extractFiles(archive, target + "\\inner");
        ZipRead::close(archive);
        // Whatever the names say, nothing may land beside the target folder.
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(target, ignored)) {
            if (entry.path().filename() != "inner") {
                std::abort();
            }
        }
        std::filesystem::remove_all(target, ignored);
    }
    return 0;
}
