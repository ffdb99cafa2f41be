#include <tormakelin/fxcore/SoundEffect.h>

#include "DocumentTestSupport.h"
#include "MediaPack.h"

#include <AudioFixtures.h>

#include <tormakelin/core/RefCounted.h>
#include <tormakelin/fxcore/Resources.h>

#include <tormakelin/sound/Sound.h>

#include <cmath>

namespace tormakelin::fxcore::test {
namespace {

constexpr char kShortSound[] = "sfx/blip.wav";
constexpr double kShortLength = 1.5;

// A sound that counts the seeks and starts it is asked for.
class CountingSound final : public core::RefCounted<sound::ISound> {
public:
    explicit CountingSound(sound::ISound* inner) : m_inner(inner) {}

    bool load(std::string const& path) override { return m_inner->load(path); }
    void unload() override { m_inner->unload(); }
    void play(bool loop) override
    {
        ++plays;
        m_inner->play(loop);
    }
    void stop() override { m_inner->stop(); }
    void rewind() override { m_inner->rewind(); }
    void setVolume(float volume) override { m_inner->setVolume(volume); }
    bool isPlaying() override { return m_inner->isPlaying(); }
    std::string const& getFileName() override { return m_inner->getFileName(); }
    float getPosition() override { return m_inner->getPosition(); }
    void setPosition(float seconds) override
    {
        ++seeks;
        m_inner->setPosition(seconds);
    }
    float getLength() override { return m_inner->getLength(); }
    void getData(void* buffer) override { m_inner->getData(buffer); }

    int plays = 0;
    int seeks = 0;

private:
    core::SmartRef<sound::ISound> m_inner;
};

// A scene of two layers as a demo has them: the music from 0 s to 10 s (the pack's 10 s tone),
// and a short sound (1.5 s) on a layer from 2 s to 4 s.
class SoundEffectTest : public DocumentTest {
protected:
    struct SoundLayer {
        ILayer* layer = nullptr;
        core::SmartRef<SoundEffect> effect;
    };

    SoundEffectTest()
    {
        if (!pack.ready())
            return;
        pack.put(kShortSound, audio_fixtures::tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, kShortLength, 44100, 2, 440.0));
        if (!pack.mount())
            return;
        scene = addScene();
        music = addSound(kPackSound);
        blip = addSound(kShortSound);
        long_ = addSoundLayer(0, 1000, music.get());
        short_ = addSoundLayer(200, 400, blip.get());
    }

    core::SmartRef<SoundResource> addSound(char const* path)
    {
        core::SmartRef<SoundResource> resource(new SoundResource());
        resource->setPluginDesc(SoundResource::_pluginDesc);
        core::SmartRef<sound::ISound> const sound(sound::createSound());
        EXPECT_TRUE(sound->load(path)) << path;
        resource->setSound(sound.get());
        document()->getResourceManager()->addResource(resource.get());
        return resource;
    }

    SoundLayer addSoundLayer(int start, int end, IResource* linked)
    {
        SoundLayer made;
        made.layer = addLayer(scene->getRootLayer(), kLayerGraphInstance, start, end);
        core::SmartRef<IGraph> const graph = createGraph(0);
        made.effect = new SoundEffect();
        core::SmartRef<IGraphNode> const stack(new RenderStack());
        graph->addNode(made.effect.get());
        graph->addNode(stack.get());
        made.effect->link(made.effect->findOutput("Output"), stack.get(), stack->findInput("Input-1"), false);
        document()->getGraphManager()->add(graph.get());
        made.layer->setGraphInstance(graph.get());
        link(made.effect.get(), linked);
        return made;
    }

    static void link(SoundEffect* effect, IResource* linked)
    {
        effect->findInput("Sound")->value->setText(linked ? core::uniqueIdToString(linked->getInfo().id) : "0");
    }

    void seek(double time)
    {
        UpdateContext context;
        context.time = time;
        context.scene = scene;
        document()->onPlaybackSetTime(context);
    }

    // Runs the output for that long, as the clock would.
    static void listen(double seconds)
    {
        std::vector<float> out(size_t(seconds * 44100) * 2);
        BASS_TestRender(out.data(), DWORD(out.size() / 2));
    }

    std::vector<double> playLoops(CountingSound& counting, double from, double to, double loop, double audioRate);

    sound::ISound* tone() const { return music->getSound(); }
    sound::ISound* shortSound() const { return blip->getSound(); }

    MediaPack pack;
    IScene* scene = nullptr;
    core::SmartRef<SoundResource> music;
    core::SmartRef<SoundResource> blip;
    SoundLayer long_;
    SoundLayer short_;
};

TEST_F(SoundEffectTest, EachLayersSoundStartsAtItsOwnStartWhenItsLayerStarts)
{
    ASSERT_TRUE(pack.ready());
    ASSERT_EQ(long_.effect->getOutputs().size(), 1u);
    EXPECT_EQ(long_.effect->getOutputs()[0]->name, "Output");
    play(scene, 0.0);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 0.0, 0.01);
    EXPECT_FALSE(shortSound()->isPlaying());
    listen(2.0);
    play(scene, 2.0);
    ASSERT_TRUE(shortSound()->isPlaying());
    EXPECT_NEAR(shortSound()->getPosition(), 0.0, 0.01) << "the layer's time, not the timeline's";
    EXPECT_NEAR(tone()->getPosition(), 2.0, 0.01);
    listen(0.5);
    play(scene, 2.5);
    EXPECT_NEAR(shortSound()->getPosition(), 0.5, 0.01);
    // The frame after the layer ends deactivates it; the music plays on.
    play(scene, 4.5);
    EXPECT_FALSE(shortSound()->isPlaying());
    EXPECT_TRUE(tone()->isPlaying());
}

// Wherever the play time lands, each sound plays from its layer's time there.
TEST_F(SoundEffectTest, SeeksAndLateEntriesPlayFromTheLayersTime)
{
    ASSERT_TRUE(pack.ready());
    struct Case {
        char const* name;
        double before; // a frame played first, or < 0 for none
        double to;     // the seek, or < 0 for none
        double frame;
    };
    Case const cases[] = {
        {"entered late, no seek", -1.0, -1.0, 3.25},
        {"seek from before the layer into it", 0.5, 2.75, 2.75},
        {"seek inside the layer", 2.2, 2.6, 2.6},
        {"seek back to the layer's start", 3.0, 2.0, 2.0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.before >= 0.0)
            play(scene, c.before);
        if (c.to >= 0.0) {
            seek(c.to);
            if (shortSound()->isPlaying()) {
                EXPECT_NEAR(shortSound()->getPosition(), c.to - 2.0, 0.01) << "the seek itself moves it";
            }
        }
        play(scene, c.frame);
        ASSERT_TRUE(shortSound()->isPlaying());
        EXPECT_NEAR(shortSound()->getPosition(), c.frame - 2.0, 0.01);
        EXPECT_NEAR(tone()->getPosition(), c.frame, 0.01);
        document()->onPlaybackStop();
        EXPECT_FALSE(shortSound()->isPlaying());
        EXPECT_FALSE(tone()->isPlaying());
    }
}

TEST_F(SoundEffectTest, EditorTimeWithoutPlaybackStartsNothing)
{
    ASSERT_TRUE(pack.ready());
    UpdateContext context;
    context.time = 3.0;
    context.playing = false;
    context.scene = scene;
    document()->update(context);
    EXPECT_FALSE(tone()->isPlaying());
    EXPECT_FALSE(shortSound()->isPlaying());
}

// Two nodes, one sound: the one whose layer ends stops it, the other starts it again at its own
// time on its next evaluation, whichever of them started it.
TEST_F(SoundEffectTest, ASharedSoundStoppedByOneLayerStartsAgainForTheOther)
{
    ASSERT_TRUE(pack.ready());
    link(short_.effect.get(), music.get());
    play(scene, 0.5);
    ASSERT_TRUE(tone()->isPlaying()) << "started by the long layer";
    play(scene, 2.5);
    ASSERT_TRUE(tone()->isPlaying());
    play(scene, 4.5);
    play(scene, 4.6);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 4.6, 0.01);

    // And the other way round: the short layer starts it, the long one goes on with it.
    document()->onPlaybackStop();
    link(long_.effect.get(), nullptr);
    play(scene, 2.0);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 0.0, 0.01);
    link(long_.effect.get(), music.get());
    play(scene, 2.1);
    play(scene, 4.5);
    play(scene, 4.6);
    ASSERT_TRUE(tone()->isPlaying());
    EXPECT_NEAR(tone()->getPosition(), 4.6, 0.01);
}

TEST_F(SoundEffectTest, UnlinkingOrDeletingTheNodeStopsItsSound)
{
    ASSERT_TRUE(pack.ready());
    play(scene, 2.5);
    ASSERT_TRUE(shortSound()->isPlaying());
    link(short_.effect.get(), nullptr);
    play(scene, 2.6);
    EXPECT_FALSE(shortSound()->isPlaying());
    EXPECT_EQ(short_.effect->getSound(), nullptr);

    link(short_.effect.get(), blip.get());
    play(scene, 2.7);
    ASSERT_TRUE(shortSound()->isPlaying());
    short_.layer->setGraphInstance(nullptr);
    long_.layer->setGraphInstance(nullptr);
    document()->getGraphManager()->clear();
    short_.effect = nullptr;
    long_.effect = nullptr;
    EXPECT_FALSE(shortSound()->isPlaying());
    EXPECT_FALSE(tone()->isPlaying());
}

// The short sound runs out by itself while its layer plays on.
TEST_F(SoundEffectTest, ASoundThatRanOutStaysQuietWithoutASeekPerFrame)
{
    ASSERT_TRUE(pack.ready());
    core::SmartRef<CountingSound> const counting(new CountingSound(shortSound()));
    blip->setSound(counting.get());
    play(scene, 2.0);
    ASSERT_TRUE(counting->isPlaying());
    EXPECT_EQ(counting->plays, 1);
    listen(kShortLength + 0.1);
    ASSERT_FALSE(counting->isPlaying());
    int const seeks = counting->seeks;
    for (double time : {3.6, 3.7, 3.8}) {
        play(scene, time);
        EXPECT_FALSE(counting->isPlaying()) << time;
    }
    EXPECT_EQ(counting->seeks, seeks);
    EXPECT_EQ(counting->plays, 1);

    seek(2.5);
    play(scene, 2.5);
    ASSERT_TRUE(counting->isPlaying()) << "a seek starts it again";
    EXPECT_NEAR(counting->getPosition(), 0.5, 0.01);

    // Leaving the layer and entering it again starts it too.
    listen(kShortLength);
    play(scene, 3.9);
    EXPECT_FALSE(counting->isPlaying());
    play(scene, 4.5);
    play(scene, 2.25);
    ASSERT_TRUE(counting->isPlaying());
    EXPECT_NEAR(counting->getPosition(), 0.25, 0.01);
}

// A shared sound that ran out stays quiet for every node, the one that did not start it too.
TEST_F(SoundEffectTest, ASharedSoundThatRanOutStaysQuietForEveryNode)
{
    ASSERT_TRUE(pack.ready());
    core::SmartRef<CountingSound> const counting(new CountingSound(shortSound()));
    blip->setSound(counting.get());
    link(long_.effect.get(), nullptr);
    play(scene, 2.0);
    ASSERT_TRUE(counting->isPlaying()) << "started by the short layer";
    link(long_.effect.get(), blip.get());
    play(scene, 2.1);
    ASSERT_TRUE(counting->isPlaying());
    listen(kShortLength + 0.1);
    ASSERT_FALSE(counting->isPlaying());
    int const seeks = counting->seeks;
    int const plays = counting->plays;
    for (double time : {3.6, 3.7, 3.8})
        play(scene, time);
    EXPECT_FALSE(counting->isPlaying());
    EXPECT_EQ(counting->seeks, seeks);
    EXPECT_EQ(counting->plays, plays);
}

// Plays frames a twentieth of a second apart from `from` until before `to`, the output running
// `audioRate` times as fast as the play clock; returns the layer times at which the sound started.
std::vector<double> SoundEffectTest::playLoops(CountingSound& counting, double from, double to, double loop,
    double audioRate)
{
    constexpr double kFrame = 0.05;
    std::vector<double> starts;
    for (int frame = 0; from + frame * kFrame < to; ++frame) {
        double const time = from + frame * kFrame;
        int const plays = counting.plays;
        play(scene, time);
        if (counting.plays != plays)
            starts.push_back(std::fmod(time - from + 1e-9, loop));
        listen(kFrame * audioRate);
    }
    return starts;
}

// A looping layer's time wraps every loop, and its sound starts again at each loop's start,
// whether the output runs a little ahead of the play clock or behind it. Between its end and the
// next loop it sits quiet, without a seek.
TEST_F(SoundEffectTest, ALoopingLayersSoundStartsAgainWithEveryLoop)
{
    ASSERT_TRUE(pack.ready());
    core::SmartRef<CountingSound> const counting(new CountingSound(shortSound()));
    blip->setSound(counting.get());
    short_.layer->getInfo().endBehavior = kEndLoop;
    struct Case {
        char const* name;
        int loopUnits;
        double audioRate;
    };
    Case const cases[] = {
        {"a loop longer than its sound", 200, 1.0},
        {"a loop as long as its sound, the output ahead of the clock", 150, 1.05},
        {"a loop as long as its sound, the output behind the clock", 150, 0.99},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        short_.layer->getTime().getSegments()[0]->getRange()[1] = 200 + c.loopUnits;
        double const loop = c.loopUnits / 100.0;
        int const plays = counting->plays;
        int const seeks = counting->seeks;
        std::vector<double> const starts = playLoops(*counting, 2.0, 2.0 + 3 * loop, loop, c.audioRate);
        ASSERT_EQ(starts.size(), 3u) << "once in each of three loops";
        for (double start : starts)
            EXPECT_LE(start, 0.1) << "within two frames of the loop's start";
        EXPECT_EQ(counting->plays - plays, 3);
        EXPECT_EQ(counting->seeks - seeks, 3) << "a seek with each start, none in between";
        // Leaving the layer stops the sound and forgets it.
        play(scene, 1.0);
        EXPECT_FALSE(counting->isPlaying());
    }
}

// A seek into a looping layer lands on the wrapped time: into the sound after it ran out starts
// it there, a seek while it plays too, even where the unwrapped time lies past its end.
TEST_F(SoundEffectTest, ASeekIntoALoopingLayerStartsItsSoundAtTheWrappedTime)
{
    ASSERT_TRUE(pack.ready());
    core::SmartRef<CountingSound> const counting(new CountingSound(shortSound()));
    blip->setSound(counting.get());
    short_.layer->getInfo().endBehavior = kEndLoop;
    ASSERT_EQ(playLoops(*counting, 2.0, 3.8, 2.0, 1.0).size(), 1u);
    ASSERT_FALSE(counting->isPlaying()) << "ran out at 1.5 s into the loop";
    struct Case {
        char const* name;
        double to;
        double local;
    };
    Case const cases[] = {
        {"back into the sound in the same loop", 3.25, 1.25},
        {"into the sound three loops on", 8.5, 0.5},
        {"on again while it plays", 8.75, 0.75},
        {"back to a loop's start", 6.0, 0.0},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        seek(c.to);
        play(scene, c.to);
        ASSERT_TRUE(counting->isPlaying());
        EXPECT_NEAR(counting->getPosition(), c.local, 0.01);
        listen(0.1);
    }
    // It runs out again and stays quiet to the end of that loop.
    listen(1.5);
    int const seeks = counting->seeks;
    for (double time : {7.6, 7.8, 7.95})
        play(scene, time);
    EXPECT_FALSE(counting->isPlaying());
    EXPECT_EQ(counting->seeks, seeks);
}

TEST_F(SoundEffectTest, VolumeAppliesInTheFrameItIsSet)
{
    ASSERT_TRUE(pack.ready());
    link(short_.effect.get(), nullptr);
    long_.effect->findInput("Volume")->value->setText("0.5");
    play(scene, 3.0);
    ASSERT_TRUE(tone()->isPlaying());
    auto peak = [] {
        std::vector<float> out(size_t{4410} * 2);
        BASS_TestRender(out.data(), DWORD(out.size() / 2));
        float loudest = 0.0f;
        for (float sample : out)
            loudest = std::max(loudest, std::fabs(sample));
        return loudest;
    };
    // The tone's amplitude is 0.5; at volume 0.5 it peaks near 0.25 from the first frame on.
    EXPECT_NEAR(peak(), 0.25f, 0.02f);
    long_.effect->findInput("Volume")->value->setText("1");
    play(scene, 3.1);
    EXPECT_NEAR(peak(), 0.5f, 0.02f);
}

} // namespace
} // namespace tormakelin::fxcore::test
