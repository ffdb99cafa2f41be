#pragma once
// The process command line cut into tokens, token 0 being the program.

#include <tormakelin/core/Export.h>

#include <string>
#include <vector>

namespace tormakelin::core {

class TORMAKELIN_CORE_API CommandLine {
public:
    // The running process's command line.
    CommandLine();
    // A command line given as one text. Whitespace separates tokens; a token that begins with a
    // double quote runs to the next double quote followed by whitespace or the end, quotes dropped.
    explicit CommandLine(const std::string& text);
    virtual ~CommandLine();

    unsigned int getTokenCount() const { return static_cast<unsigned int>(m_tokens.size()); }
    const char* getToken(unsigned int index) const { return m_tokens[index]; }

    // The process command line as one text, arguments with whitespace quoted.
    static std::string readProcessCommandLine();

private:
    void split();

    std::vector<char> m_text;
    std::vector<const char*> m_tokens;
};

class TORMAKELIN_CORE_API CommandLineHelper {
public:
    // The token after the first token equal to `name` ignoring case ("" when it is the last).
    static bool getArgument(const CommandLine& commandLine, const std::string& name, std::string& value);
    static bool getArgument(const CommandLine& commandLine, unsigned int index, std::string& value);
};

enum Platform { PlatformPC = 1 };

struct Environment {
    int platform = 0;
    int reserved = 0;
    bool debuggerAttached = false;
};

TORMAKELIN_CORE_API Platform getPlatform();
TORMAKELIN_CORE_API bool getEnvironment(Environment& environment);

} // namespace tormakelin::core
