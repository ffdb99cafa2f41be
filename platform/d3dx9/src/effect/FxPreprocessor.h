#pragma once
// Preprocessing of effect text: macros, conditionals and includes.
#include <functional>
#include <string>
#include <vector>

#include "FxToken.h"

namespace fx {

struct MacroDef {
    std::string name;
    std::string value;
};

// Answers an #include: fills text (or error) and returns whether the file was found.
using IncludeFn = std::function<bool(bool system, const std::string& name, const std::string& parent,
                                     std::string& text, std::string& error)>;

// Preprocesses the main text (file 0, named mainName). Throws FxError with a located message.
void preprocess(const char* text, size_t size, const std::string& mainName, const std::vector<MacroDef>& macros,
                const IncludeFn& include, Tokens& out, FileTable& files);

} // namespace fx
