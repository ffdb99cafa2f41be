#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/Path.h>
#include <tormakelin/core/SystemPath.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tormakelin::core {

namespace {

// Folders are not files: opening one fails as it does on the original platform.
int openRegularFile(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FileStream::~FileStream() { close(); }

bool FileStream::open(const std::string& path, bool readOnly)
{
    close();
    m_fd = openRegularFile(toSystemPath(path), readOnly ? O_RDONLY : O_RDWR);
    return m_fd >= 0;
}

bool FileStream::create(const std::string& path, bool truncate)
{
    close();
    const std::string fixed = fixPath(path);
    if (truncate) {
        ::unlink(toSystemPath(fixed).c_str());
    }
    createDirectory(getPath(fixed));
    m_fd = openRegularFile(toSystemPath(fixed), O_RDWR | O_CREAT);
    return m_fd >= 0;
}

void FileStream::close()
{
    std::free(m_content);
    m_content = nullptr;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void* FileStream::getData()
{
    if (m_content) {
        return m_content;
    }
    const unsigned int size = getSize();
    if (m_fd < 0 || size == 0) {
        return nullptr;
    }
    auto* content = static_cast<unsigned char*>(std::malloc(size));
    if (!content) {
        return nullptr;
    }
    unsigned int done = 0;
    while (done < size) {
        const ssize_t got = ::pread(m_fd, content + done, size - done, off_t(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += unsigned(got);
    }
    if (done < size) {
        std::free(content);
        return nullptr;
    }
    m_content = content;
    return m_content;
}

unsigned int FileStream::getSize()
{
    struct stat info{};
    if (m_fd < 0 || fstat(m_fd, &info) != 0) {
        return 0;
    }
    return info.st_size > off_t(UINT32_MAX) ? UINT32_MAX : unsigned(info.st_size);
}

unsigned int FileStream::getPosition()
{
    if (m_fd < 0) {
        return 0;
    }
    const off_t position = lseek(m_fd, 0, SEEK_CUR);
    return position < 0 ? 0 : unsigned(position);
}

unsigned int FileStream::setPosition(int offset, StreamOrigin origin)
{
    if (m_fd >= 0) {
        switch (origin) {
        case StreamBegin: lseek(m_fd, offset, SEEK_SET); break;
        case StreamCurrent: lseek(m_fd, offset, SEEK_CUR); break;
        case StreamEnd: lseek(m_fd, offset, SEEK_END); break;
        }
    }
    return getPosition();
}

unsigned int FileStream::read(void* buffer, unsigned int length)
{
    if (m_fd < 0 || !buffer || length == 0) {
        return 0;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    unsigned int done = 0;
    while (done < length) {
        const ssize_t got = ::read(m_fd, bytes + done, length - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += unsigned(got);
    }
    return done;
}

unsigned int FileStream::write(const void* buffer, unsigned int length)
{
    if (m_fd < 0 || !buffer || length == 0) {
        return 0;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    unsigned int done = 0;
    while (done < length) {
        const ssize_t put = ::write(m_fd, bytes + done, length - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        done += unsigned(put);
    }
    return done;
}

bool FileStream::eof() { return getPosition() >= getSize(); }

} // namespace tormakelin::core
