#pragma once
// A stream over a disk file.

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/Stream.h>

namespace tormakelin::core {

class TORMAKELIN_CORE_API FileStream : public RefCounted<IStream> {
public:
    FileStream() = default;
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Opens an existing file, for reading only or for reading and writing.
    bool open(const std::string& path, bool readOnly);
    // Creates the file and its directories; an existing file is emptied with `truncate`, else
    // kept and written from its start.
    bool create(const std::string& path, bool truncate);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // The whole file, read on first use and kept until close.
    void* getData() override;
    unsigned int getSize() override;
    unsigned int getPosition() override;
    unsigned int setPosition(int offset, StreamOrigin origin) override;
    unsigned int read(void* buffer, unsigned int length) override;
    unsigned int write(const void* buffer, unsigned int length) override;
    bool eof() override;

private:
    int m_fd = -1;
    unsigned char* m_content = nullptr;
};

} // namespace tormakelin::core
