#include <tormakelin/core/CommandLine.h>
#include <tormakelin/core/String.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tormakelin::core {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool needsQuotes(const std::string& argument)
{
    if (argument.empty()) {
        return true;
    }
    for (char c : argument) {
        if (isBlank(c)) {
            return true;
        }
    }
    return false;
}

} // namespace

CommandLine::CommandLine() : CommandLine(readProcessCommandLine()) {}

CommandLine::CommandLine(const std::string& text) : m_text(text.begin(), text.end())
{
    m_text.push_back('\0');
    split();
}

CommandLine::~CommandLine() = default;

std::string CommandLine::readProcessCommandLine()
{
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::string line;
    size_t begin = 0;
    while (begin < raw.size()) {
        size_t end = raw.find('\0', begin);
        if (end == std::string::npos) {
            end = raw.size();
        }
        const std::string argument = raw.substr(begin, end - begin);
        if (!line.empty()) {
            line += ' ';
        }
        line += needsQuotes(argument) ? "\"" + argument + "\"" : argument;
        begin = end + 1;
    }
    return line;
}

// Cuts the private copy in place: each token ends with a zero written over its terminator.
void CommandLine::split()
{
    char* text = m_text.data();
    const size_t length = m_text.size() - 1;
    size_t i = 0;
    while (i < length) {
        while (i < length && isBlank(text[i])) {
            ++i;
        }
        if (i >= length) {
            break;
        }
        if (text[i] == '"') {
            const size_t start = i + 1;
            size_t close = start;
            while (close < length && !(text[close] == '"' && (close + 1 == length || isBlank(text[close + 1])))) {
                ++close;
            }
            text[close] = '\0';
            m_tokens.push_back(text + start);
            i = close + 1;
        } else {
            const size_t start = i;
            while (i < length && !isBlank(text[i])) {
                ++i;
            }
            text[i] = '\0';
            m_tokens.push_back(text + start);
            ++i;
        }
    }
}

bool CommandLineHelper::getArgument(const CommandLine& commandLine, const std::string& name, std::string& value)
{
    const unsigned int count = commandLine.getTokenCount();
    for (unsigned int i = 0; i < count; ++i) {
        if (compareIgnoreCase(commandLine.getToken(i), name) == 0) {
            value = (i + 1 < count) ? commandLine.getToken(i + 1) : "";
            return true;
        }
    }
    return false;
}

bool CommandLineHelper::getArgument(const CommandLine& commandLine, unsigned int index, std::string& value)
{
    if (index >= commandLine.getTokenCount()) {
        return false;
    }
    value = commandLine.getToken(index);
    return true;
}

Platform getPlatform() { return PlatformPC; }

bool getEnvironment(Environment& environment)
{
    environment.platform = 1;
    environment.reserved = 0;
    environment.debuggerAttached = false;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) {
            environment.debuggerAttached = std::strtol(line.c_str() + 10, nullptr, 10) != 0;
            break;
        }
    }
    return true;
}

} // namespace tormakelin::core
