#include <tormakelin/core/CommandLine.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;

namespace {

std::vector<std::string> tokensOf(const std::string& text)
{
    CommandLine commandLine(text);
    std::vector<std::string> tokens;
    for (unsigned int i = 0; i < commandLine.getTokenCount(); ++i) {
        tokens.push_back(commandLine.getToken(i));
    }
    return tokens;
}

} // namespace

TEST(CommandLine, TokenTable)
{
    using Tokens = std::vector<std::string>;
    struct Case {
        const char* text;
        Tokens tokens;
    };
    const Case cases[] = {
        {"player.exe -document demo.exe", {"player.exe", "-document", "demo.exe"}},
        {"  player.exe\t-nosetup  ", {"player.exe", "-nosetup"}},
        {"\"C:\\Program Files\\p.exe\" -x", {"C:\\Program Files\\p.exe", "-x"}},
        {"p \"a\"b c\" d", {"p", "a\"b c", "d"}},     // the closing quote is the one before a blank
        {"p a\"b", {"p", "a\"b"}},                   // a quote inside a token is ordinary
        {"p \"unterminated text", {"p", "unterminated text"}},
        {"p \"\" x", {"p", "", "x"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tokensOf(c.text), c.tokens) << c.text;
    }
}

TEST(CommandLine, ArgumentByName)
{
    CommandLine commandLine("player -Document \"My Demo.exe\" -debug");
    std::string value = "untouched";
    EXPECT_TRUE(CommandLineHelper::getArgument(commandLine, "-document", value));
    EXPECT_EQ(value, "My Demo.exe");
    EXPECT_TRUE(CommandLineHelper::getArgument(commandLine, "-DEBUG", value));
    EXPECT_EQ(value, "") << "the last token has no value after it";
    value = "untouched";
    EXPECT_FALSE(CommandLineHelper::getArgument(commandLine, "-doc", value)) << "whole tokens only";
    EXPECT_EQ(value, "untouched");
}

TEST(CommandLine, ArgumentByIndex)
{
    CommandLine commandLine("player -a b");
    std::string value;
    EXPECT_TRUE(CommandLineHelper::getArgument(commandLine, 2u, value));
    EXPECT_EQ(value, "b");
    value = "untouched";
    EXPECT_FALSE(CommandLineHelper::getArgument(commandLine, 3u, value));
    EXPECT_EQ(value, "untouched");
}

TEST(CommandLine, ProcessCommandLineStartsWithThisProgram)
{
    CommandLine commandLine;
    ASSERT_GE(commandLine.getTokenCount(), 1u);
    EXPECT_NE(std::string(commandLine.getToken(0)).find("Tormakelin.Core.Tests"), std::string::npos);
}

TEST(CommandLine, PlatformAndEnvironment)
{
    EXPECT_EQ(getPlatform(), 1);
    Environment environment;
    EXPECT_TRUE(getEnvironment(environment));
    EXPECT_EQ(environment.platform, 1);
    EXPECT_EQ(environment.reserved, 0);
}
