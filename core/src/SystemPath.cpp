#include <tormakelin/core/SystemPath.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tormakelin::core {

namespace {

bool exists(const std::string& path)
{
    struct stat info{};
    return lstat(path.c_str(), &info) == 0;
}

bool equalIgnoreCase(const char* a, const std::string& b)
{
    return strcasecmp(a, b.c_str()) == 0;
}

// The first entry of `directory` in name order that equals `name` ignoring case.
bool findIgnoringCase(const std::string& directory, const std::string& name, std::string& match)
{
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) {
        return false;
    }
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (equalIgnoreCase(entry->d_name, name) && (!found || std::strcmp(entry->d_name, match.c_str()) < 0)) {
            match = entry->d_name;
            found = true;
        }
    }
    closedir(dir);
    return found;
}

std::string join(const std::string& directory, const std::string& name)
{
    if (directory.empty()) {
        return name;
    }
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

} // namespace

std::string toSystemPath(const std::string& path)
{
    std::string text = path;
    std::replace(text.begin(), text.end(), '\\', '/');
    if (text.empty() || exists(text)) {
        return text;
    }
    std::vector<std::string> parts;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find('/', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > begin) {
            parts.push_back(text.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    std::string current = text[0] == '/' ? "/" : "";
    size_t index = 0;
    for (; index < parts.size(); ++index) {
        const std::string candidate = join(current, parts[index]);
        std::string match;
        if (exists(candidate)) {
            current = candidate;
        } else if (findIgnoringCase(current, parts[index], match)) {
            current = join(current, match);
        } else {
            break;
        }
    }
    for (; index < parts.size(); ++index) {
        current = join(current, parts[index]);
    }
    if (text.back() == '/' && (current.empty() || current.back() != '/')) {
        current += '/';
    }
    return current;
}

bool isSameFile(const std::string& a, const std::string& b)
{
    struct stat infoA{}, infoB{};
    if (stat(toSystemPath(a).c_str(), &infoA) != 0 || stat(toSystemPath(b).c_str(), &infoB) != 0) {
        return false;
    }
    return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

std::string getExecutablePath()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (size_t(length) < buffer.size()) {
            return std::string(buffer.data(), size_t(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

uint64_t unixTimeToFileTime(int64_t seconds, int64_t nanoseconds)
{
    return 116444736000000000ull + uint64_t(seconds) * 10000000ull + uint64_t(nanoseconds / 100);
}

} // namespace tormakelin::core
