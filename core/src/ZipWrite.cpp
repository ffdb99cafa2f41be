#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/Path.h>
#include <tormakelin/core/String.h>
#include <tormakelin/core/SystemPath.h>
#include <tormakelin/core/Zip.h>

#include <zip.h>

#include <ctime>
#include <unistd.h>

namespace tormakelin::core {

struct ZipWriter {
    zipFile file = nullptr;
};

namespace {

zip_fileinfo entryInfoNow()
{
    zip_fileinfo info{};
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    info.tmz_date.tm_sec = uInt(local.tm_sec);
    info.tmz_date.tm_min = uInt(local.tm_min);
    info.tmz_date.tm_hour = uInt(local.tm_hour);
    info.tmz_date.tm_mday = uInt(local.tm_mday);
    info.tmz_date.tm_mon = uInt(local.tm_mon);
    info.tmz_date.tm_year = uInt(local.tm_year + 1900);
    return info;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && toLower(fixPath(text.substr(0, prefix.size()))) == toLower(fixPath(prefix));
}

} // namespace

ZipWriteHandle ZipWrite::open(const std::string& path, bool replace)
{
    const std::string systemPath = toSystemPath(path);
    if (replace) {
        ::unlink(systemPath.c_str());
    }
    // An existing archive takes the new entries; any other file (a program) gets an archive
    // added at its end; a missing file is created.
    zipFile file = zipOpen64(systemPath.c_str(), APPEND_STATUS_ADDINZIP);
    if (!file) {
        file = zipOpen64(systemPath.c_str(), APPEND_STATUS_CREATEAFTER);
    }
    if (!file) {
        file = zipOpen64(systemPath.c_str(), APPEND_STATUS_CREATE);
    }
    if (!file) {
        return nullptr;
    }
    return new ZipWriter{file};
}

bool ZipWrite::add(ZipWriteHandle handle, IStream* data, const std::string& name)
{
    if (!handle || !data) {
        return false;
    }
    const unsigned int size = data->getSize();
    const void* bytes = data->getData();
    if (size > 0 && !bytes) {
        return false;
    }
    const zip_fileinfo info = entryInfoNow();
    // Level 9 is what marks the entry with general-purpose flag 2.
    if (zipOpenNewFileInZip(handle->file, toLower(name).c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_BEST_COMPRESSION) != ZIP_OK) {
        return false;
    }
    bool ok = size == 0 || zipWriteInFileInZip(handle->file, bytes, size) == ZIP_OK;
    ok = (zipCloseFileInZip(handle->file) == ZIP_OK) && ok;
    return ok;
}

bool ZipWrite::add(ZipWriteHandle handle, const std::string& path)
{
    FileStream file;
    if (!handle || !file.open(path, true)) {
        return false;
    }
    return add(handle, &file, fixPath(stripDrive(path)));
}

bool ZipWrite::addDirectory(ZipWriteHandle handle, const std::string& directory, const std::string& base)
{
    if (!handle) {
        return false;
    }
    std::string folder = directory;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') {
        folder += '\\';
    }
    std::vector<FileInfo> files;
    findFiles(folder, "*.*", files, true);
    for (const FileInfo& entry : files) {
        if (entry.isDirectory) {
            continue;
        }
        FileStream file;
        if (!file.open(entry.name, true)) {
            return false;
        }
        std::string name = entry.name;
        if (!base.empty() && startsWithIgnoringCase(name, base)) {
            name.erase(0, base.size());
        }
        if (!add(handle, &file, fixPath(stripDrive(name)))) {
            return false;
        }
    }
    return true;
}

bool ZipWrite::close(ZipWriteHandle handle)
{
    if (!handle) {
        return false;
    }
    const bool ok = zipClose(handle->file, nullptr) == ZIP_OK;
    delete handle;
    return ok;
}

} // namespace tormakelin::core
