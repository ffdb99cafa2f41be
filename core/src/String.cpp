#include "CLocale.h"

#include <tormakelin/core/String.h>

#include <cstdio>
#include <cstring>

namespace tormakelin::core {

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

} // namespace

std::string formatStringV(const char* format, va_list args)
{
    if (!format) {
        return {};
    }
    CLocaleScope cLocale;
    char small[512];
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(small, sizeof(small), format, measure);
    va_end(measure);
    if (length < 0) {
        return {};
    }
    if (size_t(length) < sizeof(small)) {
        return std::string(small, size_t(length));
    }
    std::string out(size_t(length), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, args);
    return out;
}

std::string formatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string out = formatStringV(format, args);
    va_end(args);
    return out;
}

std::string formatPrecision(float value, unsigned int digits)
{
    const std::string format = formatString("%%.%df", digits);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return formatString(format.c_str(), double(value));
#pragma GCC diagnostic pop
}

std::string replaceString(const std::string& text, const std::string& find, const std::string& replacement)
{
    std::string out = text;
    if (find.empty()) {
        return out;
    }
    const size_t at = out.find(find);
    if (at != std::string::npos) {
        out.replace(at, find.size(), replacement);
    }
    return out;
}

int compareCase(const std::string& a, const std::string& b)
{
    const int result = a.compare(b);
    return (result > 0) - (result < 0);
}

int compareIgnoreCase(const std::string& a, const std::string& b)
{
    const char* pa = a.c_str();
    const char* pb = b.c_str();
    for (;; ++pa, ++pb) {
        const int ca = static_cast<unsigned char>(asciiLower(*pa));
        const int cb = static_cast<unsigned char>(asciiLower(*pb));
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

std::string toUpper(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        c = asciiUpper(c);
    }
    return out;
}

std::string toLower(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        c = asciiLower(c);
    }
    return out;
}

void tokenize(std::vector<std::string>& tokens, const std::string& text, const char* delimiters)
{
    const std::string separators = delimiters ? delimiters : "";
    size_t at = 0;
    while (at < text.size()) {
        const size_t begin = text.find_first_not_of(separators, at);
        if (begin == std::string::npos) {
            break;
        }
        size_t end = text.find_first_of(separators, begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        tokens.push_back(text.substr(begin, end - begin));
        at = end;
    }
}

} // namespace tormakelin::core
