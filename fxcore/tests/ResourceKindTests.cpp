#include <tormakelin/fxcore/Resources.h>

#include "GifWriter.h"
#include "MediaPack.h"

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/kavro/Material.h>
#include <tormakelin/kavro/SceneGraph.h>
#include <tormakelin/render/Texture.h>
#include <tormakelin/render/TextureData.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tormakelin;
using namespace tormakelin::fxcore;
using namespace tormakelin::fxcore::test;

namespace {

// Frames without textures: the choice of frames needs only delays and disposal codes.
void addFrames(AnimatedTextureResource& resource, std::vector<std::pair<float, int>> const& delayAndDisposal)
{
    for (auto const& [delay, disposal] : delayAndDisposal) {
        auto* frame = new AnimatedTextureFrame();
        frame->delay = delay;
        frame->disposal = disposal;
        resource.addFrame(frame);
    }
}

std::vector<int> chosen(AnimatedTextureResource const& resource, float seconds)
{
    std::vector<AnimatedTextureFrame const*> frames;
    resource.getFrame(seconds, frames);
    std::vector<int> indices;
    for (AnimatedTextureFrame const* frame : frames)
        for (size_t i = 0; i < resource.getFrames().size(); ++i)
            if (resource.getFrames()[i] == frame)
                indices.push_back(int(i));
    return indices;
}

} // namespace

TEST(AnimatedTextureFrames, ChoiceFollowsTimeDelaysAndDisposal)
{
    struct Case {
        std::vector<std::pair<float, int>> frames;
        float time;
        std::vector<int> expected;
    };
    std::vector<std::pair<float, int>> const plain = {{10, 0}, {20, 0}, {30, 0}};
    std::vector<std::pair<float, int>> const kept = {{10, 1}, {20, 1}, {30, 1}};
    Case const cases[] = {
        {plain, 0.05f, {0}},
        {plain, 0.15f, {1}},
        {plain, 0.45f, {2}},
        {plain, 0.6f, {0}},
        // Negative times wrap as positive ones do.
        {plain, -0.05f, {2}},
        {plain, -0.5f, {1}},
        {plain, 1.35f, {1}},
        // At a boundary both the ending and the starting frame show.
        {plain, 0.1f, {0, 1}},
        {kept, 0.45f, {0, 1, 2}},
        {kept, 0.05f, {0}},
        {{{10, 0}, {20, 1}, {30, 0}}, 0.45f, {1, 2}},
        // No delay at all: the first frame, not a division by zero.
        {{{0, 0}, {0, 0}}, 0.3f, {0}},
        {{{0, 1}}, -2.0f, {0}},
        {{}, 0.3f, {}},
    };
    for (Case const& c : cases) {
        AnimatedTextureResource resource;
        addFrames(resource, c.frames);
        EXPECT_EQ(chosen(resource, c.time), c.expected) << "t=" << c.time << " frames=" << c.frames.size();
    }
}

TEST(AnimatedTextureFrames, ChoosingKeepsTheListsRoom)
{
    AnimatedTextureResource resource;
    addFrames(resource, {{10, 1}, {20, 1}, {30, 1}});
    std::vector<AnimatedTextureFrame const*> frames;
    resource.getFrame(0.5f, frames);
    ASSERT_EQ(frames.size(), 3u);
    auto const* room = frames.data();
    resource.getFrame(0.05f, frames);
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames.data(), room);
}

class AnimatedTextureRead : public ::testing::Test {
protected:
    MediaPack pack;
};

TEST_F(AnimatedTextureRead, UploadsEveryFrameWithItsPlaceAndDelay)
{
    ASSERT_TRUE(pack.ready());
    AnimatedTextureResource resource;
    ASSERT_TRUE(resource.read(kPackGif));
    auto const& frames = resource.getFrames();
    ASSERT_EQ(frames.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        AnimatedTextureFrame const& frame = *frames[size_t(i)];
        EXPECT_EQ(frame.left, i);
        EXPECT_EQ(frame.width, 2);
        EXPECT_EQ(frame.height, 2);
        EXPECT_FLOAT_EQ(frame.delay, float((i + 1) * 10));
        EXPECT_EQ(frame.disposal, i == 1 ? 1 : 0);
        ASSERT_NE(frame.texture, nullptr);
        EXPECT_EQ(frame.texture->getWidth(), 2u);
    }
    EXPECT_EQ(resource.getMaxWidth(), 2);
    EXPECT_EQ(resource.getMaxHeight(), 2);
    EXPECT_EQ(chosen(resource, 0.15f), std::vector<int>{1});
}

TEST_F(AnimatedTextureRead, SkipsFramesWithoutPixels)
{
    ASSERT_TRUE(pack.ready());
    giftest::Image empty;
    empty.minimumSize = 2;
    giftest::Image pixel;
    pixel.width = 3;
    pixel.height = 1;
    pixel.minimumSize = 2;
    pixel.indices = {0, 1, 0};
    giftest::GifWriter mixed;
    mixed.screen(3, 1, {{0, 0, 0}, {255, 255, 255}}).control(0, 5).image(empty).control(0, 7).image(pixel).trailer();
    giftest::GifWriter onlyEmpty;
    onlyEmpty.screen(3, 1, {{0, 0, 0}, {255, 255, 255}}).image(empty).trailer();
    pack.put("mixed.gif", mixed.bytes());
    pack.put("empty.gif", onlyEmpty.bytes());
    pack.put("broken.gif", textBytes("GIF89b"));
    ASSERT_TRUE(pack.mount());

    AnimatedTextureResource resource;
    ASSERT_TRUE(resource.read("mixed.gif"));
    ASSERT_EQ(resource.getFrames().size(), 1u);
    EXPECT_EQ(resource.getFrames()[0]->width, 3);
    EXPECT_FLOAT_EQ(resource.getFrames()[0]->delay, 7.0f);

    for (char const* name : {"empty.gif", "broken.gif", "missing.gif"}) {
        AnimatedTextureResource none;
        EXPECT_FALSE(none.read(name)) << name;
        EXPECT_TRUE(none.getFrames().empty()) << name;
    }
}

TEST_F(AnimatedTextureRead, SettersHoldOneReferenceAndSwap)
{
    ASSERT_TRUE(pack.ready());
    core::SmartRef<render::ITexture> const first(render::createTexture(2, 2));
    core::SmartRef<render::ITexture> const second(render::createTexture(2, 2));
    ASSERT_TRUE(first && second);
    auto count = [](render::ITexture* texture) {
        texture->addRef();
        return texture->release();
    };
    {
        core::SmartRef<TextureResource> const resource(new TextureResource());
        resource->setTexture(first.get());
        EXPECT_EQ(count(first.get()), 2);
        resource->setTexture(second.get());
        EXPECT_EQ(count(first.get()), 1);
        EXPECT_EQ(count(second.get()), 2);
        EXPECT_EQ(resource->getTexture(), second.get());
        resource->setTexture(nullptr);
        EXPECT_EQ(resource->getTexture(), nullptr);
        EXPECT_EQ(count(second.get()), 1);
        resource->setTexture(second.get());
    }
    EXPECT_EQ(count(second.get()), 1);
}

TEST_F(AnimatedTextureRead, SceneAndAtlasListTheFilesTheyDependOn)
{
    ASSERT_TRUE(pack.ready());
    core::SmartRef<SceneResource> const scene(new SceneResource());
    scene->getInfo().fileName = kPackScene;
    std::vector<std::string> files;
    scene->getDependantFiles(files);
    EXPECT_EQ(files, std::vector<std::string>{kPackScene});

    core::SmartRef<kavro::ISceneGraph> const graph(kavro::loadSceneGraph(kPackScene));
    ASSERT_TRUE(graph);
    scene->setScene(graph.get());
    files.clear();
    scene->getDependantFiles(files);
    EXPECT_EQ(files, (std::vector<std::string>{kPackScene, kPackImage}));

    core::SmartRef<TextureAtlasResource> const atlas(new TextureAtlasResource());
    atlas->getInfo().fileName = kPackAtlas;
    core::SmartRef<render::ITextureAtlas> const data(render::createTextureAtlas());
    data->getData().textureFileName = kPackImage;
    atlas->setAtlas(data.get());
    files.clear();
    atlas->getDependantFiles(files);
    EXPECT_EQ(files, (std::vector<std::string>{kPackAtlas, kPackImage}));
}
