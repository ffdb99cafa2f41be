#include <tormakelin/core/Debug.h>
#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Path.h>
#include <tormakelin/core/String.h>
#include <tormakelin/core/SystemPath.h>
#include <tormakelin/core/Zip.h>

#include <unzip.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include <unistd.h>

namespace tormakelin::core {

struct ZipArchive {
    unzFile file = nullptr;
    uint64_t fileSize = 0;
    std::unordered_map<std::string, unz64_file_pos> index;
};

namespace {

// Longer lookup names are never found.
constexpr size_t kMaxEntryName = 255;
constexpr size_t kNameBuffer = 65536;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool currentEntryName(unzFile file, std::string& name)
{
    thread_local std::vector<char> buffer(kNameBuffer);
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(file, &info, buffer.data(), uLong(buffer.size()), nullptr, 0, nullptr, 0) != UNZ_OK) {
        return false;
    }
    name.assign(buffer.data(), info.size_filename < buffer.size() ? size_t(info.size_filename) : buffer.size());
    name.resize(std::strlen(name.c_str()));
    return true;
}

bool buildIndex(ZipArchive& archive)
{
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive.file, &global) != UNZ_OK) {
        return false;
    }
    if (global.number_entry == 0) {
        return true;
    }
    int result = unzGoToFirstFile(archive.file);
    while (result == UNZ_OK) {
        std::string name;
        unz64_file_pos position{};
        if (!currentEntryName(archive.file, name) || unzGetFilePos64(archive.file, &position) != UNZ_OK) {
            return false;
        }
        if (!name.empty() && !isSeparator(name.back())) {
            const std::string key = ZipRead::normalizeName(name);
            if (key.size() <= kMaxEntryName) {
                archive.index.emplace(key, position); // the first of two equal names wins
            }
        }
        result = unzGoToNextFile(archive.file);
    }
    return result == UNZ_END_OF_LIST_OF_FILE;
}

// Checked on the declared size to refuse early, and again on the bytes that really arrive.
bool withinInflateLimit(uint64_t inflated) { return inflated <= ZipRead::maxEntrySize(); }

// Said once per refusal: the open that fails only returns null.
void warnTooLarge(const char* name)
{
    Debug(DebugWarning, __FILE__, __LINE__, "zip")
        << "Pack entry " << name << " refused: it inflates beyond " << (ZipRead::maxEntrySize() >> 20) << " MiB";
}

uint64_t physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : 0;
}

// Small enough that the limit is checked before much memory fills.
constexpr uint32_t kInflatePiece = 1u << 20;

struct InflatedBytes {
    unsigned char* data = nullptr;
    uint32_t capacity = 0;
    uint32_t size = 0;
};

// Doubles a full buffer, never past the declared size.
bool growWhenFull(InflatedBytes& bytes, uint32_t expected)
{
    if (bytes.size < bytes.capacity) {
        return true;
    }
    const uint64_t wanted = bytes.capacity ? uint64_t(bytes.capacity) * 2 : 65536;
    const auto capacity = uint32_t(wanted < expected ? wanted : expected);
    auto* grown = static_cast<unsigned char*>(std::realloc(bytes.data, capacity));
    if (!grown) {
        return false;
    }
    bytes.data = grown;
    bytes.capacity = capacity;
    return true;
}

// False when the data breaks off, outgrows the limit, or an empty entry holds data. The buffer
// grows with the data that really arrives, so a forged size in the header cannot demand memory
// by itself.
bool inflateOpenEntry(unzFile file, uint32_t expected, const char* name, InflatedBytes& bytes)
{
    while (bytes.size < expected) {
        if (!growWhenFull(bytes, expected)) {
            return false;
        }
        const unsigned piece = std::min(bytes.capacity - bytes.size, kInflatePiece);
        const int got = unzReadCurrentFile(file, bytes.data + bytes.size, piece);
        if (got <= 0) {
            return false;
        }
        bytes.size += uint32_t(got);
        if (!withinInflateLimit(bytes.size)) {
            warnTooLarge(name);
            return false;
        }
    }
    if (expected == 0) {
        char probe;
        return unzReadCurrentFile(file, &probe, 1) == 0;
    }
    return true;
}

// Inflates the current entry; null when it is damaged or too large.
IStream* readCurrentEntry(const ZipArchive& archive)
{
    unzFile file = archive.file;
    unz_file_info64 info{};
    char name[256] = {};
    if (unzGetCurrentFileInfo64(file, &info, name, sizeof(name) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return nullptr;
    }
    if (archive.fileSize && info.compressed_size > archive.fileSize) {
        return nullptr; // its data would run past the end of the pack
    }
    if (!withinInflateLimit(info.uncompressed_size)) {
        warnTooLarge(name);
        return nullptr;
    }
    if (unzOpenCurrentFile(file) != UNZ_OK) {
        return nullptr;
    }
    InflatedBytes bytes;
    bool ok = inflateOpenEntry(file, uint32_t(info.uncompressed_size), name, bytes);
    // Closing checks the CRC of a fully read entry.
    ok = (unzCloseCurrentFile(file) == UNZ_OK) && ok;
    if (!ok) {
        std::free(bytes.data);
        return nullptr;
    }
    return createMemStream(bytes.data, bytes.size, true, true);
}

// Names that would climb out of the target folder are refused.
bool isSafeEntryName(const std::string& name)
{
    if (name.empty() || isSeparator(name[0]) || name.find(':') != std::string::npos) {
        return false;
    }
    std::vector<std::string> parts;
    tokenize(parts, name, "\\/");
    for (const std::string& part : parts) {
        if (part == "..") {
            return false;
        }
    }
    return true;
}

bool extractCurrentEntry(const ZipArchive& archive, const std::string& name, const std::string& target)
{
    const std::string entry = fixPath(name);
    if (!isSafeEntryName(entry)) {
        return false;
    }
    const std::string directory = target + "\\" + getPath(entry);
    createDirectory(directory);
    if (isSeparator(entry.back())) {
        return true;
    }
    IStream* data = readCurrentEntry(archive);
    if (!data) {
        return false;
    }
    data->addRef();
    FileStream out;
    bool ok = out.create(fixPath(directory + getFilename(entry)), true);
    ok = ok && out.write(data->getData(), data->getSize()) == data->getSize();
    data->release();
    return ok;
}

} // namespace

uint64_t ZipRead::maxEntrySize()
{
    static const uint64_t limit = [] {
        const uint64_t quarter = physicalMemory() / 4;
        return quarter ? std::min(kMaxEntrySize, quarter) : kMaxEntrySize;
    }();
    return limit;
}

std::string ZipRead::normalizeName(const std::string& name) { return toLower(fixPath(stripDrive(name))); }

ZipHandle ZipRead::open(const std::string& path)
{
    unzFile file = unzOpen64(toSystemPath(path).c_str());
    if (!file) {
        return nullptr;
    }
    auto* archive = new ZipArchive;
    archive->file = file;
    std::error_code error;
    archive->fileSize = std::filesystem::file_size(toSystemPath(path), error);
    if (!buildIndex(*archive)) {
        close(archive);
        return nullptr;
    }
    return archive;
}

void ZipRead::close(ZipHandle handle)
{
    if (!handle) {
        return;
    }
    unzClose(handle->file);
    delete handle;
}

IStream* ZipRead::read(ZipHandle handle, const std::string& name)
{
    if (!handle) {
        return nullptr;
    }
    const std::string key = normalizeName(name);
    if (key.size() > kMaxEntryName) {
        return nullptr;
    }
    const auto found = handle->index.find(key);
    if (found == handle->index.end()) {
        return nullptr;
    }
    unz64_file_pos position = found->second;
    if (unzGoToFilePos64(handle->file, &position) != UNZ_OK) {
        return nullptr;
    }
    return readCurrentEntry(*handle);
}

bool ZipRead::extractFiles(ZipHandle handle, const std::string& targetDirectory)
{
    if (!handle || unzGoToFirstFile(handle->file) != UNZ_OK) {
        return false;
    }
    bool allWritten = true;
    int result = UNZ_OK;
    while (result == UNZ_OK) {
        std::string name;
        if (!currentEntryName(handle->file, name)) {
            return false;
        }
        allWritten = extractCurrentEntry(*handle, name, targetDirectory) && allWritten;
        result = unzGoToNextFile(handle->file);
    }
    return result == UNZ_END_OF_LIST_OF_FILE && allWritten;
}

unsigned int ZipRead::getEntryCount(ZipHandle handle) { return handle ? unsigned(handle->index.size()) : 0; }

} // namespace tormakelin::core
