#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/SmartRef.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <cmath>
#include <initializer_list>

using namespace tormakelin::core;

namespace {

struct K {
    float time;
    float value;
    int kind;
};

SmartRef<IKeyframe> track(std::initializer_list<K> keys, KeyframeOOR pre = KeyframeHold,
                          KeyframeOOR post = KeyframeHold) {
    SmartRef<IKeyframe> t(createKeyframe(1, false));
    for (const K& k : keys) {
        Key* key = t->createKey();
        key->time = k.time;
        key->values[0] = k.value;
        key->kind = k.kind;
        t->addKey(key, false);
    }
    t->sort();
    t->setPreOORBehavior(pre);
    t->setPostOORBehavior(post);
    return t;
}

float at(const SmartRef<IKeyframe>& t, float time) { return t->eval(time)[0]; }

}  // namespace

TEST(Keyframe, EmptyAndSingleKeyTracks) {
    SmartRef<IKeyframe> scalar(createKeyframe(3, false));
    const float* r = scalar->eval(5);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(scalar->getStartTime(), 0);
    EXPECT_EQ(scalar->getEndTime(), 0);
    EXPECT_EQ(scalar->getFirstKey(), nullptr);
    SmartRef<IKeyframe> rotation(createKeyframe(4, true));
    r = rotation->eval(1);
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[3], 1);
    SmartRef<IKeyframe> one = track({{2, 7, KeyLinear}});
    for (float t : {-100.0f, 2.0f, 3.0f, 1e9f}) {
        EXPECT_EQ(at(one, t), 7);
    }
    // Dimension 0 has no buffer to hand out.
    SmartRef<IKeyframe> none(createKeyframe());
    EXPECT_EQ(none->getDimension(), 0u);
    EXPECT_EQ(none->eval(0), nullptr);
}

// Any dimension but 0 makes a track; each channel interpolates on its own.
TEST(Keyframe, TracksOfEveryDimensionEvaluate) {
    for (unsigned int dimension : {1u, 4u, 5u, 9u, kMaxKeyframeDimension}) {
        SmartRef<IKeyframe> t(createKeyframe(dimension, false));
        ASSERT_EQ(t->getDimension(), dimension);
        ASSERT_NE(t->eval(0), nullptr) << dimension;
        for (float time : {0.0f, 2.0f}) {
            Key* key = t->createKey();
            key->time = time;
            key->kind = KeyLinear;
            for (unsigned int c = 0; c < dimension; ++c) {
                key->values[c] = time * float(c);
            }
            t->addKey(key, true);
        }
        const float* r = t->eval(1.0f);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r[dimension - 1], float(dimension - 1)) << dimension;
    }
    for (unsigned int refused : {0u, kMaxKeyframeDimension + 1}) {
        SmartRef<IKeyframe> t(createKeyframe(refused, false));
        EXPECT_EQ(t->getDimension(), 0u) << refused;
        EXPECT_EQ(t->eval(0), nullptr) << refused;
    }
}

// Stored tangents cover four channels; a wider track's other channels have none.
TEST(Keyframe, StoredTangentsStopAtTheFourthChannel) {
    SmartRef<IKeyframe> t(createKeyframe(6, false));
    for (float time : {0.0f, 1.0f}) {
        Key* key = t->createKey();
        key->time = time;
        key->kind = KeyHermite;
        std::fill(key->values, key->values + 6, 2.0f);
        std::fill(std::begin(key->inControl), std::end(key->inControl), 50.0f);
        std::fill(std::begin(key->outControl), std::end(key->outControl), 100.0f);
        t->addKey(key, true);
    }
    const float* r = t->eval(0.5f);
    EXPECT_NE(r[3], 2.0f) << "the fourth channel follows its tangents";
    EXPECT_EQ(r[4], 2.0f);
    EXPECT_EQ(r[5], 2.0f);
}

TEST(Keyframe, LinearWithEveryOutOfRangeBehaviour) {
    struct Case { KeyframeOOR pre, post; float time, expected; };
    const Case cases[] = {
        {KeyframeHold, KeyframeHold, 0.25f, 2.5f},
        {KeyframeHold, KeyframeHold, 0.0f, 0.0f},
        {KeyframeHold, KeyframeHold, 1.0f, 10.0f},
        {KeyframeHold, KeyframeHold, -1.0f, 0.0f},
        {KeyframeHold, KeyframeHold, 3.0f, 10.0f},
        {KeyframeHold, KeyframeCycle, 1.25f, 2.5f},
        {KeyframeHold, KeyframeCycle, 3.75f, 7.5f},
        {KeyframeCycle, KeyframeHold, -0.25f, 7.5f},
        {KeyframeHold, KeyframePingPong, 1.25f, 7.5f},
        {KeyframeHold, KeyframePingPong, 2.25f, 2.5f},
        {KeyframePingPong, KeyframeHold, -0.25f, 2.5f},
        {KeyframePingPong, KeyframeHold, -1.25f, 7.5f},
        {KeyframeHold, KeyframeClamp, 5.0f, 10.0f},
        {KeyframeClamp, KeyframeHold, -5.0f, 0.0f},
        {KeyframeHold, static_cast<KeyframeOOR>(17), 5.0f, 10.0f},  // unknown values clamp
    };
    for (const Case& c : cases) {
        SmartRef<IKeyframe> t = track({{0, 0, KeyLinear}, {1, 10, KeyLinear}}, c.pre, c.post);
        EXPECT_NEAR(at(t, c.time), c.expected, 1e-5f) << "pre " << c.pre << " post " << c.post << " t " << c.time;
    }
}

TEST(Keyframe, OutOfRangeBehavioursApplyToEveryKind) {
    for (int kind : {KeyTcb, KeyLinear, KeyStep, KeyHermite}) {
        SmartRef<IKeyframe> t = track({{1, 0, kind}, {2, 3, kind}, {4, -1, kind}}, KeyframeCycle, KeyframePingPong);
        t->getKeys()[0]->outControl[0] = 1;
        t->getKeys()[2]->inControl[0] = 2;
        for (float u : {1.2f, 1.5f, 2.0f, 3.3f}) {
            float inside = at(t, u);
            EXPECT_NEAR(at(t, u - 3), inside, 1e-4f) << "cycle before, kind " << kind << " at " << u;
            EXPECT_NEAR(at(t, u - 6), inside, 1e-4f);
            EXPECT_NEAR(at(t, 8 - u), inside, 1e-4f) << "ping-pong after, kind " << kind << " at " << u;
            EXPECT_NEAR(at(t, u + 6), inside, 1e-4f);
        }
        t->setPreOORBehavior(KeyframeHold);
        t->setPostOORBehavior(KeyframeClamp);
        EXPECT_EQ(at(t, -5), 0) << kind;
        EXPECT_NEAR(at(t, 40), at(t, 4), 1e-6f) << kind;
    }
}

TEST(Keyframe, PingPongMirrorsBackFromTheEnd) {
    SmartRef<IKeyframe> t = track({{2, 0, KeyLinear}, {4, 10, KeyLinear}}, KeyframeHold, KeyframePingPong);
    EXPECT_NEAR(at(t, 5), 5, 1e-5f);
    EXPECT_NEAR(at(t, 7), 5, 1e-5f);
    EXPECT_NEAR(at(t, 5.5f), 2.5f, 1e-5f);
    EXPECT_NEAR(at(t, 6.5f), 2.5f, 1e-5f);
}

TEST(Keyframe, SegmentsAtAndBetweenKeyTimes) {
    // Three segments of different kinds: linear into 1, step into 2, linear into 3.
    SmartRef<IKeyframe> t = track({{0, 0, KeyLinear}, {1, 10, KeyLinear}, {2, 20, KeyStep}, {3, 40, KeyLinear}},
                                  KeyframeClamp, KeyframeClamp);
    struct Case { float time, expected; };
    const Case cases[] = {
        {0.0f, 0.0f}, {0.5f, 5.0f}, {1.0f, 10.0f},   // exactly at a key: that key
        {1.5f, 10.0f}, {1.999f, 10.0f},              // step holds the earlier key...
        {2.0f, 20.0f},                               // ...up to the later key's time
        {2.5f, 30.0f}, {3.0f, 40.0f}, {9.0f, 40.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(at(t, c.time), c.expected, 1e-4f) << c.time;
    }
    // A step as the last segment: under clamp a time past the end yields its earlier key.
    SmartRef<IKeyframe> s = track({{0, 1, KeyLinear}, {1, 5, KeyStep}}, KeyframeClamp, KeyframeClamp);
    EXPECT_EQ(at(s, 0.5f), 1);
    EXPECT_EQ(at(s, 7.0f), 1);
}

TEST(Keyframe, EqualTimesGiveTheLaterKey) {
    SmartRef<IKeyframe> t = track({{0, 0, KeyLinear}, {1, 5, KeyLinear}, {1, 9, KeyLinear}, {2, 11, KeyLinear}},
                                  KeyframeClamp, KeyframeClamp);
    EXPECT_EQ(at(t, 1), 9);
    EXPECT_NEAR(at(t, 0.5f), 2.5f, 1e-5f);
    EXPECT_NEAR(at(t, 1.5f), 10, 1e-5f);
    for (int kind : {KeyLinear, KeyStep, KeyTcb}) {
        SmartRef<IKeyframe> same = track({{3, 1, kind}, {3, 4, kind}}, KeyframeCycle, KeyframePingPong);
        for (float time : {2.0f, 3.0f, 4.0f}) {
            float v = at(same, time);
            EXPECT_FALSE(std::isnan(v));
        }
        same->setPreOORBehavior(KeyframeClamp);
        same->setPostOORBehavior(KeyframeClamp);
        EXPECT_EQ(at(same, 3), 4);
        EXPECT_EQ(at(same, 10), 4);
    }
}

TEST(Keyframe, CubicWithoutNeighboursUsesTheValueDifference) {
    SmartRef<IKeyframe> t = track({{0, 2, KeyTcb}, {1, 6, KeyTcb}});
    // Tangents 4 at both ends: the Hermite cubic of a straight line.
    for (float u : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        EXPECT_NEAR(at(t, u), 2 + 4 * u, 1e-5f) << u;
    }
}

TEST(Keyframe, TcbCurveIsSmoothThroughAKey) {
    SmartRef<IKeyframe> t = track({{0, 0, KeyTcb}, {1, 4, KeyTcb}, {3, 2, KeyTcb}, {4, 5, KeyTcb}});
    const float h = 1e-3f;
    for (float time : {1.0f, 3.0f}) {
        float left = (at(t, time) - at(t, time - h)) / h;
        float right = (at(t, time + h) - at(t, time)) / h;
        EXPECT_NEAR(left, right, 0.02f) << "continuous slope at " << time;
    }
    EXPECT_NEAR(at(t, 1), 4, 1e-5f);
    EXPECT_NEAR(at(t, 3), 2, 1e-5f);
}

TEST(Keyframe, TensionContinuityAndBias) {
    // Middle key of (0,0) (1,1) (2,0). TD = (1-T)(1-C)(1+B) * 1 + (1-T)(1+C)(1-B) * -1, times 1/2.
    struct Case { float tension, continuity, bias; };
    const Case cases[] = {{0, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0}, {0, 0, 0.5f}, {1, 0, 0}, {-0.3f, 0.2f, -0.4f}};
    for (const Case& c : cases) {
        SmartRef<IKeyframe> t = track({{0, 0, KeyTcb}, {1, 1, KeyTcb}, {2, 0, KeyTcb}});
        Key* middle = t->getKeys()[1];
        middle->tension = c.tension;
        middle->continuity = c.continuity;
        middle->bias = c.bias;
        float T = c.tension, C = c.continuity, B = c.bias;
        float td = ((1 - T) * (1 - C) * (1 + B) - (1 - T) * (1 + C) * (1 - B)) * 0.5f;
        float ts = ((1 - T) * (1 + C) * (1 + B) - (1 - T) * (1 - C) * (1 - B)) * 0.5f;
        // First segment at u = 0.5: h1 = h2 = 0.5, h3 = 0.125, h4 = -0.125; TS(first) = 1.
        EXPECT_NEAR(at(t, 0.5f), 0.5f + 0.125f * 1 - 0.125f * td, 1e-5f);
        // Second segment: TD(last) = (1)(1)(1)(0 - 1) = -1.
        EXPECT_NEAR(at(t, 1.5f), 0.5f + 0.125f * ts - 0.125f * -1, 1e-5f);
    }
}

TEST(Keyframe, HermiteKeysUseTheirStoredTangents) {
    SmartRef<IKeyframe> t = track({{0, 0, KeyHermite}, {1, 0, KeyHermite}});
    t->getKeys()[0]->outControl[0] = 2;
    t->getKeys()[1]->inControl[0] = -2;
    // h3 * 2 + h4 * -2 at u = 0.5.
    EXPECT_NEAR(at(t, 0.5f), 0.125f * 2 - 0.125f * -2, 1e-5f);
    // An unknown kind gives zeros.
    SmartRef<IKeyframe> odd = track({{0, 3, KeyLinear}, {1, 5, 9}});
    EXPECT_EQ(at(odd, 0.5f), 0);
}

TEST(Keyframe, VectorTracks) {
    SmartRef<IKeyframe> t(createKeyframe(3, false));
    for (int i = 0; i < 2; ++i) {
        Key* key = t->createKey();
        key->time = static_cast<float>(i);
        key->kind = KeyLinear;
        for (int c = 0; c < 3; ++c) {
            key->values[c] = static_cast<float>(i * (c + 1) * 10);
        }
        t->addKey(key, true);
    }
    const float* r = t->eval(0.5f);
    EXPECT_NEAR(r[0], 5, 1e-5f);
    EXPECT_NEAR(r[1], 10, 1e-5f);
    EXPECT_NEAR(r[2], 15, 1e-5f);
}

TEST(Keyframe, SortLinksAndRemoval) {
    SmartRef<IKeyframe> t = track({});
    Key* c = t->createKey();
    c->time = 3;
    c->values[0] = 3;
    Key* a = t->createKey();
    a->time = 1;
    a->values[0] = 1;
    Key* b1 = t->createKey();
    b1->time = 2;
    b1->values[0] = 21;
    Key* b2 = t->createKey();
    b2->time = 2;
    b2->values[0] = 22;
    t->addKey(c, false);
    t->addKey(b1, false);
    t->addKey(a, false);
    t->addKey(b2, true);
    const std::vector<Key*>& keys = t->getKeys();
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0], a);
    EXPECT_EQ(keys[1], b1);  // stable for equal times
    EXPECT_EQ(keys[2], b2);
    EXPECT_EQ(keys[3], c);
    EXPECT_EQ(a->prev, nullptr);
    EXPECT_EQ(a->next, b1);
    EXPECT_EQ(c->prev, b2);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(t->getFirstKey(), a);
    EXPECT_EQ(t->getStartTime(), 1);
    EXPECT_EQ(t->getEndTime(), 3);
    t->removeKey(b1, true);
    EXPECT_EQ(a->next, b2);
    Key stranger;
    t->removeKey(&stranger, true);  // not in the track: ignored
    EXPECT_EQ(t->getKeys().size(), 3u);
    // A created key starts zeroed but for its values.
    Key* fresh = t->createKey();
    EXPECT_EQ(fresh->time, 0);
    EXPECT_EQ(fresh->kind, 0);
    EXPECT_EQ(fresh->next, nullptr);
    EXPECT_EQ(fresh->tension, 0);
    delete fresh;
}

TEST(Keyframe, CloneIsDeepAndSorted) {
    SmartRef<IKeyframe> t = track({{1, 5, KeyLinear}, {0, 2, KeyTcb}}, KeyframeCycle, KeyframePingPong);
    t->getKeys()[0]->tension = 0.25f;
    t->getKeys()[1]->easeTo = 0.5f;
    SmartRef<IKeyframe> copy(t->clone());
    ASSERT_EQ(copy->getKeys().size(), 2u);
    EXPECT_NE(copy->getKeys()[0], t->getKeys()[0]);
    EXPECT_EQ(copy->getKeys()[0]->tension, 0.25f);
    EXPECT_EQ(copy->getKeys()[1]->easeTo, 0.5f);
    EXPECT_EQ(copy->getPreOORBehavior(), KeyframeCycle);
    EXPECT_EQ(copy->getPostOORBehavior(), KeyframePingPong);
    EXPECT_EQ(copy->getDimension(), 1u);
    copy->getKeys()[0]->values[0] = 99;
    EXPECT_EQ(t->getKeys()[0]->values[0], 2);
}

TEST(Keyframe, SimplifyRemovesRedundantKeysGreedily) {
    SmartRef<IKeyframe> line = track({{0, 0, KeyLinear}, {1, 1, KeyLinear}, {2, 2, KeyLinear}});
    SmartRef<IKeyframe> simple(KeyframeUtil::simplify(line.get(), {0.0f}));
    EXPECT_EQ(simple->getKeys().size(), 2u);
    EXPECT_EQ(line->getKeys().size(), 3u);  // the original stays
    SmartRef<IKeyframe> bent = track({{0, 0, KeyLinear}, {1, 1.5f, KeyLinear}, {2, 2.3f, KeyLinear}, {3, 3, KeyLinear}});
    SmartRef<IKeyframe> kept(KeyframeUtil::simplify(bent.get(), {0.1f}));
    EXPECT_EQ(kept->getKeys().size(), 3u);  // key 1 stays, key 2 goes
    SmartRef<IKeyframe> loose(KeyframeUtil::simplify(bent.get(), {0.5f}));
    EXPECT_EQ(loose->getKeys().size(), 2u);
    SmartRef<IKeyframe> two = track({{0, 0, KeyLinear}, {1, 0, KeyLinear}});
    SmartRef<IKeyframe> same(KeyframeUtil::simplify(two.get(), {1.0f}));
    EXPECT_EQ(same->getKeys().size(), 2u);
    EXPECT_EQ(KeyframeUtil::simplify(nullptr, {0.0f}), nullptr);
}
