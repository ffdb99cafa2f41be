#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/Serializer.h>

namespace tormakelin::core {

bool Serializer::create(const std::string& fileName, bool storing) {
    IStream* stream = nullptr;
    if (storing) {
        auto* file = new FileStream;
        if (!file->create(fileName, true)) {
            delete file;
            return false;
        }
        stream = file;
    } else {
        stream = g_fileSystem ? g_fileSystem->open(fileName) : nullptr;
    }
    if (!stream) {
        return false;
    }
    // The serializer's reference is the stream's only one.
    stream->addRef();
    bool attached = create(stream, storing);
    stream->release();
    return attached;
}

ISerializer* createSerializer(const std::string& fileName, bool storing) {
    auto* serializer = new Serializer;
    if (!serializer->create(fileName, storing)) {
        delete serializer;
        return nullptr;
    }
    return serializer;
}

}  // namespace tormakelin::core
