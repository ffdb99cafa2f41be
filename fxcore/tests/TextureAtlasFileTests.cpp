#include <tormakelin/fxcore/TextureAtlasFile.h>

#include "DecimalCommaLocale.h"

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/render/TextureData.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace tormakelin;

namespace {

core::SmartRef<render::ITextureAtlas> readText(std::string const& text)
{
    core::SmartRef<core::MemStream> stream(new core::MemStream);
    stream->create(const_cast<char*>(text.data()), unsigned(text.size()), true, false);
    return core::SmartRef<render::ITextureAtlas>(fxcore::readTextureAtlas(stream.get()));
}

std::string atlasText(std::string const& rootAttributes, std::string const& children)
{
    return "<Tormakelin.TextureAtlas " + rootAttributes + ">" + children + "</Tormakelin.TextureAtlas>";
}

void expectRect(render::ITextureAtlas* atlas, std::string const& id, render::TextureAtlasRect const& expected)
{
    render::TextureAtlasRect rect;
    ASSERT_TRUE(atlas->getRect(id, rect)) << id;
    EXPECT_FLOAT_EQ(rect.x, expected.x) << id;
    EXPECT_FLOAT_EQ(rect.y, expected.y) << id;
    EXPECT_FLOAT_EQ(rect.width, expected.width) << id;
    EXPECT_FLOAT_EQ(rect.height, expected.height) << id;
}

} // namespace

TEST(TextureAtlasFile, ReadsHeaderAndNormalisedRectangles)
{
    auto atlas = readText(atlasText(R"(Width="256" Height="128" Border="2" TextureFilename="media\sprites.png")",
        R"(<Texture Id="star" Rect="64,0,32,32"/>)"
        R"(<Texture Id="half" Rect=" 128.5 , 64,  64 ,32"/>)"
        R"(<Sprite Id="ignored" Rect="0,0,1,1"/>)"
        R"(<Texture Id="star" Rect="0,64,256,64,99"/>)"));
    ASSERT_TRUE(atlas);
    render::TextureAtlasData& data = atlas->getData();
    EXPECT_EQ(data.width, 256);
    EXPECT_EQ(data.height, 128);
    EXPECT_EQ(data.border, 2);
    EXPECT_EQ(data.textureFileName, "media\\sprites.png");
    EXPECT_EQ(data.rects.size(), 2u);
    // The later "star" replaces the earlier one; numbers past the fourth are not read.
    expectRect(atlas.get(), "star", {0.0f, 0.5f, 1.0f, 0.5f});
    expectRect(atlas.get(), "half", {128.5f / 256, 0.5f, 0.25f, 0.25f});
    render::TextureAtlasRect probe;
    EXPECT_FALSE(atlas->getRect("ignored", probe));
}

TEST(TextureAtlasFile, TheSpecimenRectangle)
{
    auto atlas = readText(atlasText(R"(Width="256" Height="128")", R"(<Texture Id="a" Rect="64,0,32,32"/>)"));
    ASSERT_TRUE(atlas);
    expectRect(atlas.get(), "a", {0.25f, 0.0f, 0.125f, 0.25f});
    EXPECT_EQ(atlas->getData().border, 0);
    EXPECT_EQ(atlas->getData().textureFileName, "");
}

TEST(TextureAtlasFile, EntriesWithoutFourNumbersAreSkipped)
{
    auto atlas = readText(atlasText(R"(Width="100" Height="100")",
        R"(<Texture Id="short" Rect="1,2,3"/>)"
        R"(<Texture Id="none"/>)"
        R"(<Texture Id="empty" Rect=",,,"/>)"
        R"(<Texture Id="words" Rect="a,b,c,d"/>)"
        R"(<Texture Rect="10,20,30,40"/>)"));
    ASSERT_TRUE(atlas);
    std::map<std::string, render::TextureAtlasRect> const& rects = atlas->getData().rects;
    EXPECT_EQ(rects.count("short") + rects.count("none") + rects.count("empty"), 0u);
    // Text that is no number reads as 0, as a C conversion gives; a missing Id is the empty name.
    expectRect(atlas.get(), "words", {0, 0, 0, 0});
    expectRect(atlas.get(), "", {0.1f, 0.2f, 0.3f, 0.4f});
}

TEST(TextureAtlasFile, RejectsWhatIsNoAtlas)
{
    struct Case {
        char const* name;
        std::string text;
    };
    Case const cases[] = {
        {"other root", R"(<TextureAtlas Width="256" Height="128"><Texture Id="a" Rect="0,0,1,1"/></TextureAtlas>)"},
        {"root in other case", R"(<tormakelin.textureatlas Width="256" Height="128"/>)"},
        {"not XML", "Width=256"},
        {"unclosed", R"(<Tormakelin.TextureAtlas Width="256" Height="128">)"},
        {"empty", ""},
        {"zero width", atlasText(R"(Width="0" Height="128")", "")},
        {"no height", atlasText(R"(Width="256")", "")},
        {"negative height", atlasText(R"(Width="256" Height="-4")", "")},
    };
    for (Case const& c : cases)
        EXPECT_FALSE(readText(c.text)) << c.name;
    EXPECT_EQ(fxcore::readTextureAtlas(nullptr), nullptr);
}

TEST(TextureAtlasFile, NumbersIgnoreTheProcessLocale)
{
    tormakelin::test::DecimalCommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no decimal-comma locale";
    auto atlas = readText(atlasText(R"(Width="10" Height="10")", R"(<Texture Id="a" Rect="2.5,0,5,1"/>)"));
    ASSERT_TRUE(atlas);
    expectRect(atlas.get(), "a", {0.25f, 0.0f, 0.5f, 0.1f});
}
