#pragma once
// Text helpers. Text is bytes; numbers format in the "C" locale whatever the process's locale.

#include <tormakelin/core/Export.h>

#include <cstdarg>
#include <string>
#include <vector>

namespace tormakelin::core {

// printf-style formatting of any length.
TORMAKELIN_CORE_API std::string formatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
TORMAKELIN_CORE_API std::string formatStringV(const char* format, va_list args);

// The value with `digits` decimals ("%.<digits>f").
TORMAKELIN_CORE_API std::string formatPrecision(float value, unsigned int digits);

// Replaces the first occurrence of `find` only.
TORMAKELIN_CORE_API std::string replaceString(const std::string& text, const std::string& find,
                                              const std::string& replacement);

// Byte-wise as unsigned characters: -1, 0 or 1.
TORMAKELIN_CORE_API int compareCase(const std::string& a, const std::string& b);
// ASCII case folded to lower case: negative, 0 or positive.
TORMAKELIN_CORE_API int compareIgnoreCase(const std::string& a, const std::string& b);

TORMAKELIN_CORE_API std::string toUpper(const std::string& text);
TORMAKELIN_CORE_API std::string toLower(const std::string& text);

// Appends the non-empty pieces of `text` between any of the delimiter characters.
TORMAKELIN_CORE_API void tokenize(std::vector<std::string>& tokens, const std::string& text, const char* delimiters);

} // namespace tormakelin::core
