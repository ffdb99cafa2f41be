#include <tormakelin/core/String.h>

#include <gtest/gtest.h>

#include <clocale>

using namespace tormakelin::core;

TEST(String, FormatHasNoLengthLimit)
{
    const std::string longText(10000, 'x');
    const std::string out = formatString("[%s|%d]", longText.c_str(), 42);
    EXPECT_EQ(out.size(), 10000u + 5);
    EXPECT_EQ(out.substr(out.size() - 4), "|42]");
    EXPECT_EQ(formatString("%s", ""), "");
}

TEST(String, NumbersUseTheCLocaleWhateverTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // Any locale with a decimal comma, if this machine has one.
    const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(formatString("%.2f", 1.5), "1.50");
    EXPECT_EQ(formatPrecision(2.25f, 1), "2.2");
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched) {
        GTEST_LOG_(INFO) << "no decimal-comma locale installed; checked the C locale only";
    }
}

TEST(String, FormatPrecision)
{
    EXPECT_EQ(formatPrecision(0.5f, 3), "0.500");
    EXPECT_EQ(formatPrecision(-1.25f, 0), "-1");
    EXPECT_EQ(formatPrecision(3.0f, 6), "3.000000");
}

TEST(String, ReplaceOnlyTheFirstOccurrence)
{
    EXPECT_EQ(replaceString("a-b-c", "-", "+"), "a+b-c");
    EXPECT_EQ(replaceString("abc", "x", "y"), "abc");
    EXPECT_EQ(replaceString("abc", "", "y"), "abc");
    EXPECT_EQ(replaceString("aaa", "aa", "b"), "ba");
}

TEST(String, Comparisons)
{
    EXPECT_EQ(compareCase("a", "b"), -1);
    EXPECT_EQ(compareCase("b", "a"), 1);
    EXPECT_EQ(compareCase("abc", "abc"), 0);
    EXPECT_EQ(compareCase("a", "A"), 1);
    EXPECT_EQ(compareCase("\xE9", "z"), 1) << "bytes compare unsigned";
    EXPECT_EQ(compareIgnoreCase("Media\\LOGO.png", "media\\logo.PNG"), 0);
    EXPECT_LT(compareIgnoreCase("abc", "ABD"), 0);
    EXPECT_GT(compareIgnoreCase("abcd", "ABC"), 0);
    EXPECT_LT(compareIgnoreCase("_", "a"), 0) << "folded to lower case, so '_' sorts before letters";
}

TEST(String, CaseConversionTouchesAsciiOnly)
{
    EXPECT_EQ(toUpper("Abc-1\xE9"), "ABC-1\xE9");
    EXPECT_EQ(toLower("MEDIA\\X.DDS"), "media\\x.dds");
}

TEST(String, TokenizeAppendsNonEmptyPieces)
{
    std::vector<std::string> tokens{"kept"};
    tokenize(tokens, ";;a;;b;", ";");
    EXPECT_EQ(tokens, (std::vector<std::string>{"kept", "a", "b"}));
    tokenize(tokens, "", ";");
    EXPECT_EQ(tokens.size(), 3u);
    tokens.clear();
    tokenize(tokens, "1 2,3", " ,");
    EXPECT_EQ(tokens, (std::vector<std::string>{"1", "2", "3"}));
}
