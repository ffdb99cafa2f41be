#pragma once

#include <string>
#include <vector>

#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>

namespace tormakelin::render {

// The whole file through the core file system; false when it cannot be read.
inline bool readFileBytes(const std::string& path, std::vector<char>& bytes)
{
    if (core::g_fileSystem == nullptr) {
        return false;
    }
    core::SmartRef<core::IStream> stream = core::g_fileSystem->open(path);
    if (!stream) {
        return false;
    }
    bytes.resize(stream->getSize());
    stream->setPosition(0, core::StreamBegin);
    return stream->read(bytes.data(), unsigned(bytes.size())) == bytes.size();
}

} // namespace tormakelin::render
