#include <tormakelin/core/Path.h>
#include <tormakelin/core/String.h>
#include <tormakelin/core/SystemPath.h>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tormakelin::core {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool wildcardMatch(const char* pattern, const char* name)
{
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && asciiLower(*pattern) == asciiLower(*name))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') {
        ++pattern;
    }
    return *pattern == 0;
}

// As on the original platform, "x.*" also matches names without an extension.
bool matchesPattern(const std::string& pattern, const std::string& name)
{
    if (wildcardMatch(pattern.c_str(), name.c_str())) {
        return true;
    }
    const size_t length = pattern.size();
    return length >= 2 && pattern.compare(length - 2, 2, ".*") == 0 &&
           name.find('.') == std::string::npos && wildcardMatch(pattern.substr(0, length - 2).c_str(), name.c_str());
}

bool writeAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        length -= size_t(written);
    }
    return true;
}

bool copyContent(int from, int to)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof(buffer));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!writeAll(to, buffer, size_t(got))) {
            return false;
        }
    }
}

std::string entryName(const std::string& directory, const std::string& name)
{
    if (directory.empty()) {
        return name;
    }
    return isSeparator(directory.back()) ? directory + name : directory + "\\" + name;
}

} // namespace

void splitPath(const std::string& path, std::string& drive, std::string& directory, std::string& name,
               std::string& extension)
{
    size_t start = 0;
    drive.clear();
    if (path.size() >= 2 && path[1] == ':') {
        drive = path.substr(0, 2);
        start = 2;
    }
    size_t nameStart = start;
    for (size_t i = start; i < path.size(); ++i) {
        if (isSeparator(path[i])) {
            nameStart = i + 1;
        }
    }
    directory = path.substr(start, nameStart - start);
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart) {
        name = path.substr(nameStart, dot - nameStart);
        extension = path.substr(dot);
    } else {
        name = path.substr(nameStart);
        extension.clear();
    }
}

void makePath(std::string& out, const std::string& drive, const std::string& directory, const std::string& name,
              const std::string& extension)
{
    out.clear();
    if (!drive.empty()) {
        out += drive[0];
        out += ':';
    }
    if (!directory.empty()) {
        out += directory;
        if (!isSeparator(directory.back())) {
            out += '\\';
        }
    }
    out += name;
    if (!extension.empty()) {
        if (extension[0] != '.') {
            out += '.';
        }
        out += extension;
    }
}

std::string getFileExtension(const std::string& path)
{
    std::string drive, directory, name, extension;
    splitPath(path, drive, directory, name, extension);
    return extension;
}

std::string getFilename(const std::string& path)
{
    std::string drive, directory, name, extension;
    splitPath(path, drive, directory, name, extension);
    return name + extension;
}

std::string getPath(const std::string& path)
{
    std::string drive, directory, name, extension, out;
    splitPath(path, drive, directory, name, extension);
    makePath(out, drive, directory, "", "");
    return out;
}

std::string stripDrive(const std::string& path)
{
    std::string drive, directory, name, extension, out;
    splitPath(path, drive, directory, name, extension);
    makePath(out, "", directory, name, extension);
    if (!out.empty() && isSeparator(out[0])) {
        out.erase(0, 1);
    }
    return out;
}

std::string fixPath(const std::string& path)
{
    std::string out = path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

bool createDirectory(const std::string& path)
{
    for (size_t i = 0; i < path.size(); ++i) {
        if (!isSeparator(path[i]) || i == 0) {
            continue;
        }
        const std::string prefix = path.substr(0, i);
        if (prefix.size() == 2 && prefix[1] == ':') {
            continue;
        }
        ::mkdir(toSystemPath(prefix).c_str(), 0777);
    }
    return true;
}

bool copyFile(const std::string& source, const std::string& target, bool overwrite)
{
    if (source == target) {
        return false;
    }
    const int from = ::open(toSystemPath(source).c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0) {
        return false;
    }
    struct stat sourceInfo{};
    if (fstat(from, &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode) || isSameFile(source, target)) {
        ::close(from);
        return false;
    }
    if (overwrite) {
        ::unlink(toSystemPath(target).c_str());
    }
    createDirectory(getPath(target));
    const std::string targetPath = toSystemPath(target);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
    const int to = ::open(targetPath.c_str(), flags, sourceInfo.st_mode & 0777);
    if (to < 0) {
        ::close(from);
        return false;
    }
    bool copied = copyContent(from, to);
    if (copied) {
        const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
        futimens(to, times);
    }
    copied = (::close(to) == 0) && copied;
    ::close(from);
    if (!copied) {
        ::unlink(targetPath.c_str());
    }
    return copied;
}

bool findFiles(const std::string& directory, const std::string& pattern, std::vector<FileInfo>& files,
               bool recursive)
{
    const std::string folder = fixPath(directory);
    const std::string systemFolder = folder.empty() ? "." : toSystemPath(folder);
    DIR* dir = opendir(systemFolder.c_str());
    if (!dir) {
        return true;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && matchesPattern(pattern, name)) {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int order = compareIgnoreCase(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    std::string systemPath;
    for (const std::string& name : names) {
        struct stat info{};
        systemPath.assign(systemFolder).append("/").append(name);
        if (stat(systemPath.c_str(), &info) != 0) {
            continue;
        }
        FileInfo file;
        file.name = entryName(directory, name);
        file.lastWriteTime = unixTimeToFileTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        file.isDirectory = S_ISDIR(info.st_mode);
        files.push_back(file);
        if (file.isDirectory && recursive) {
            findFiles(file.name + "\\", pattern, files, true);
        }
    }
    return true;
}

} // namespace tormakelin::core
