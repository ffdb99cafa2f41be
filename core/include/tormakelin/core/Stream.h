#pragma once
// The byte-stream interface of the system.

#include <tormakelin/core/Export.h>

#include <string>

namespace tormakelin::core {

enum StreamOrigin : int { StreamBegin = 0, StreamCurrent = 1, StreamEnd = 2 };

class TORMAKELIN_CORE_API IStream {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // The whole content in memory, or null.
    virtual void* getData() = 0;
    virtual unsigned int getSize() = 0;
    virtual unsigned int getPosition() = 0;
    // Moves and returns the new position.
    virtual unsigned int setPosition(int offset, StreamOrigin origin) = 0;
    virtual unsigned int read(void* buffer, unsigned int length) = 0;
    virtual unsigned int write(const void* buffer, unsigned int length) = 0;
    virtual bool eof() = 0;
    virtual ~IStream() = default;
};

// One text line: its bytes, ended by "\r\n", "\n\r", "\r", "\n", a zero byte or the stream's end.
TORMAKELIN_CORE_API bool readString(IStream* stream, std::string& line);
// The text's bytes, then "\r\n".
TORMAKELIN_CORE_API void writeString(IStream* stream, const std::string& text);

} // namespace tormakelin::core
