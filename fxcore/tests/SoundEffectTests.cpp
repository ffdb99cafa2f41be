#include <tormakelin/fxcore/SoundEffect.h>

#include "DocumentTestSupport.h"
#include "MediaPack.h"

#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/sound/Sound.h>

#include <cmath>

namespace tormakelin::fxcore::test {
namespace {

// A scene whose one layer, from 3 s to 6 s, plays a graph with a sound effect on the pack's tone.
class SoundEffectTest : public DocumentTest {
protected:
    SoundEffectTest()
    {
        if (!pack.ready())
            return;
        scene = addScene();
        layer = addLayer(scene->getRootLayer(), kLayerGraphInstance, 300, 600);
        core::SmartRef<IGraph> const graph = createGraph(0);
        effect = new SoundEffect();
        core::SmartRef<IGraphNode> const stack(new RenderStack());
        graph->addNode(effect.get());
        graph->addNode(stack.get());
        effect->link(effect->findOutput("Output"), stack.get(), stack->findInput("Input-1"), false);
        document()->getGraphManager()->add(graph.get());
        layer->setGraphInstance(graph.get());

        resource = new SoundResource();
        resource->setPluginDesc(SoundResource::_pluginDesc);
        core::SmartRef<sound::ISound> const tone(sound::createSound());
        tone->load(kPackSound);
        resource->setSound(tone.get());
        document()->getResourceManager()->addResource(resource.get());
        link(resource.get());
    }

    void link(IResource* linked)
    {
        effect->findInput("Sound")->value->setText(linked ? core::uniqueIdToString(linked->getInfo().id) : "0");
    }

    sound::ISound* tone() const { return resource->getSound(); }

    // Runs the output for that long, as the clock would.
    static void listen(double seconds)
    {
        std::vector<float> out(size_t(seconds * 44100) * 2);
        BASS_TestRender(out.data(), DWORD(out.size() / 2));
    }

    MediaPack pack;
    IScene* scene = nullptr;
    ILayer* layer = nullptr;
    core::SmartRef<SoundEffect> effect;
    core::SmartRef<SoundResource> resource;
};

TEST_F(SoundEffectTest, PlaysInStepWithTheTimelineWhileItsLayerPlays)
{
    ASSERT_TRUE(pack.ready());
    ASSERT_EQ(effect->getOutputs().size(), 1u);
    EXPECT_EQ(effect->getOutputs()[0]->name, "Output");
    play(scene, 2.0);
    EXPECT_FALSE(tone()->isPlaying());
    play(scene, 3.0);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 3.0, 0.01);
    listen(1.0);
    play(scene, 4.0);
    EXPECT_NEAR(tone()->getPosition(), 4.0, 0.01);
    // The frame after the layer ends deactivates it.
    play(scene, 6.5);
    EXPECT_FALSE(tone()->isPlaying());
}

TEST_F(SoundEffectTest, StartsWhereTheTimelineIsWhenEnteredLate)
{
    ASSERT_TRUE(pack.ready());
    play(scene, 4.25);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 4.25, 0.01);
}

TEST_F(SoundEffectTest, EditorTimeWithoutPlaybackStartsNothing)
{
    ASSERT_TRUE(pack.ready());
    UpdateContext context;
    context.time = 4.0;
    context.playing = false;
    context.scene = scene;
    document()->update(context);
    EXPECT_FALSE(tone()->isPlaying());
}

TEST_F(SoundEffectTest, SeeksFollowAndStopsEndIt)
{
    ASSERT_TRUE(pack.ready());
    play(scene, 3.5);
    ASSERT_TRUE(tone()->isPlaying());
    UpdateContext seek;
    seek.time = 5.0;
    seek.scene = scene;
    document()->onPlaybackSetTime(seek);
    EXPECT_NEAR(tone()->getPosition(), 5.0, 0.01);
    document()->onPlaybackStop();
    EXPECT_FALSE(tone()->isPlaying());
    // The next frame of playback starts it again where the timeline is.
    play(scene, 5.5);
    EXPECT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 5.5, 0.01);
}

TEST_F(SoundEffectTest, UnlinkingOrDeletingTheNodeStopsItsSound)
{
    ASSERT_TRUE(pack.ready());
    play(scene, 3.5);
    ASSERT_TRUE(tone()->isPlaying());
    link(nullptr);
    play(scene, 3.6);
    EXPECT_FALSE(tone()->isPlaying());
    EXPECT_EQ(effect->getSound(), nullptr);

    link(resource.get());
    play(scene, 3.7);
    ASSERT_TRUE(tone()->isPlaying());
    layer->setGraphInstance(nullptr);
    document()->getGraphManager()->clear();
    effect = nullptr;
    EXPECT_FALSE(tone()->isPlaying());
}

// Runs the tone out by itself while the layer plays on.
TEST_F(SoundEffectTest, AnEndedSoundStaysEndedUntilThePlayTimeMoves)
{
    ASSERT_TRUE(pack.ready());
    play(scene, 3.0);
    ASSERT_TRUE(tone()->isPlaying());
    tone()->setPosition(9.9f);
    listen(0.3);
    ASSERT_FALSE(tone()->isPlaying());
    for (double time : {3.1, 3.2, 3.3}) {
        play(scene, time);
        EXPECT_FALSE(tone()->isPlaying()) << time;
    }

    UpdateContext seek;
    seek.time = 4.0;
    seek.scene = scene;
    document()->onPlaybackSetTime(seek);
    play(scene, 4.0);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 4.0, 0.01);

    // Leaving the layer and entering it again starts it too.
    tone()->setPosition(9.9f);
    listen(0.3);
    play(scene, 4.1);
    EXPECT_FALSE(tone()->isPlaying());
    play(scene, 6.5);
    play(scene, 3.5);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 3.5, 0.01);
}

TEST_F(SoundEffectTest, VolumeAppliesInTheFrameItIsSet)
{
    ASSERT_TRUE(pack.ready());
    effect->findInput("Volume")->value->setText("0.5");
    play(scene, 3.0);
    ASSERT_TRUE(tone()->isPlaying());
    std::vector<float> out(4410 * 2);
    BASS_TestRender(out.data(), DWORD(out.size() / 2));
    float peak = 0.0f;
    for (float sample : out)
        peak = std::max(peak, std::fabs(sample));
    // The tone's amplitude is 0.5; at volume 0.5 it peaks near 0.25 from the first frame on.
    EXPECT_NEAR(peak, 0.25f, 0.02f);

    effect->findInput("Volume")->value->setText("1");
    play(scene, 3.1);
    BASS_TestRender(out.data(), DWORD(out.size() / 2));
    peak = 0.0f;
    for (float sample : out)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_NEAR(peak, 0.5f, 0.02f);
}

} // namespace
} // namespace tormakelin::fxcore::test
