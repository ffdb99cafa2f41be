// The packed sample project plays: its logo, gradients, full-screen quads, off-screen pictures,
// title and line are drawn, image effects over the captured picture, and the image lab.

#include "PlayerTestSupport.h"

#include <algorithm>
#include <cmath>

namespace tormakelin::client::test {
namespace {

// The sample's frames are 1280x720 whatever the display.
class SampleTest : public PlayerTest {
protected:
    void playSampleFrom(std::string const& time, Frame& frame)
    {
        frame = sampleFrameFrom(time);
        ASSERT_FALSE(frame.pixels.empty());
        ASSERT_EQ(frame.width, 1280u);
        ASSERT_EQ(frame.height, 720u);
    }
};

TEST_F(SampleTest, DrawsItsLogoOverItsGradients)
{
    Frame frame;
    ASSERT_NO_FATAL_FAILURE(playSampleFrom("6", frame));
    auto near = [](uint32_t got, int r, int g, int b, int tolerance) {
        EXPECT_NEAR(int((got >> 16) & 0xFF), r, tolerance) << std::hex << got;
        EXPECT_NEAR(int((got >> 8) & 0xFF), g, tolerance) << std::hex << got;
        EXPECT_NEAR(int(got & 0xFF), b, tolerance) << std::hex << got;
    };
    // The gradient's top-left corner over the translucent quad over the animated clear colour;
    // no glow reaches it.
    double const t = frame.time;
    double const clear[3] = {110 + 90 * std::sin(t * 0.9), 80 + 60 * std::sin(t * 0.6), 130 + 100 * std::sin(t * 1.3)};
    double const quad[3] = {12, 14, 30};
    double const corner[3] = {70, 40, 120};
    int expected[3];
    for (int c = 0; c < 3; ++c) {
        double const tinted = quad[c] * 110 / 255 + clear[c] * (1 - 110.0 / 255);
        expected[c] = int(std::lround(corner[c] * 220 / 255 + tinted * (1 - 220.0 / 255)));
    }
    near(frame.at(0, 0), expected[0], expected[1], expected[2], 4);
    // The glow brightens the middle.
    EXPECT_GT(int(frame.at(640, 260) & 0xFF), int(frame.at(0, 0) & 0xFF) + 40);
    // The math nodes place the logo's centre; its ring is opaque and lit from the image.
    // The section starts at 5 s: its math nodes run on the layer's own time.
    double const local = t - 5;
    int const cx = int(640 + 420 * std::sin(1.3 * local));
    int const cy = int(360 + 220 * std::sin(2.1 * local));
    // The ring's own shading turns with the logo, so only its brightness is fixed.
    uint32_t const ring = frame.at(unsigned(cx + 49), unsigned(cy));
    for (int shift : {16, 8, 0})
        EXPECT_GE(int((ring >> shift) & 0xFF), 130) << std::hex << ring;
    // Its middle is transparent apart from the bar: the glow shows through beside it.
    uint32_t const beside = frame.at(unsigned(cx + 20), unsigned(cy - 20));
    EXPECT_GT(int(beside & 0xFF), int((beside >> 16) & 0xFF));
    // Top left, framed: what the off-screen layer drew into its target, orange with a glow
    // added in the middle.
    near(frame.at(52, 52), 230, 120, 40, 2);
    near(frame.at(208, 138), 255, 230, 255, 6);
    near(frame.at(44, 44), 240, 230, 255, 6);
    // Top right, framed: the last frame's picture, small; its corner is the picture's corner.
    uint32_t const picture = frame.at(0, 0);
    near(frame.at(913, 49), int((picture >> 16) & 0xFF), int((picture >> 8) & 0xFF), int(picture & 0xFF), 6);
    // The picture holds the insets of the frame before, smaller still.
    near(frame.at(912 + 24, 48 + 24), 230, 120, 40, 12);

    // The title's strokes take the colour its layer keys: every three seconds the next of gold,
    // cyan and pink, linearly, repeating after nine.
    double const keys[4][3] = {{255, 210, 90}, {90, 220, 255}, {255, 110, 200}, {255, 210, 90}};
    double const cycle = std::fmod(t, 9.0);
    int const from = std::min(int(cycle / 3.0), 2);
    double const f = (cycle - 3.0 * from) / 3.0;
    int title[3];
    for (int c = 0; c < 3; ++c)
        title[c] = int(std::lround(keys[from][c] + (keys[from + 1][c] - keys[from][c]) * f));
    int keyed = 0;
    for (unsigned y = 70; y < 210; ++y)
        for (unsigned x = 420; x < 890; ++x) {
            uint32_t const p = frame.at(x, y);
            keyed += std::abs(int((p >> 16) & 0xFF) - title[0]) <= 3 && std::abs(int((p >> 8) & 0xFF) - title[1]) <= 3 &&
                std::abs(int(p & 0xFF) - title[2]) <= 3;
        }
    EXPECT_GT(keyed, 2000);
    // The line's first segment runs from (280, 640) to (340, 600) through (310, 620), in white.
    int white = 0;
    for (unsigned y = 617; y <= 623; ++y)
        white += (frame.at(310, y) & 0xFFFFFFu) == 0xFFFFFFu;
    EXPECT_GE(white, 1);
    EXPECT_NE(frame.at(310, 630) & 0xFFFFFFu, 0xFFFFFFu);
}

// From 7 s image effects lie over the captured picture: a rippled copy bottom left keeps its
// blue ground, the copy turned 150 degrees in hue bottom right does not, and the animated
// spinner shows its white middle top right.
TEST_F(SampleTest, LaysImageEffectsOverTheCapturedPicture)
{
    Frame frame;
    ASSERT_NO_FATAL_FAILURE(playSampleFrom("8", frame));
    auto channel = [](uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); };
    // The left edge of each picture, where the captured picture is the bluish gradient (below the
    // off-screen inset).
    uint32_t const rippled = frame.at(43, 550);
    uint32_t const turned = frame.at(859, 550);
    EXPECT_GT(channel(rippled, 0), channel(rippled, 16)) << std::hex << rippled;
    EXPECT_LT(channel(turned, 0), channel(turned, 16)) << std::hex << turned;
    uint32_t const spinner = frame.at(1176, 104);
    for (int shift : {16, 8, 0})
        EXPECT_GE(channel(spinner, shift), 220) << std::hex << spinner;
}

// From 18 s the image lab lays the captured picture, a quarter of its size, in tiles: the first
// inverted. The lower left of the screen still shows that picture itself; across the middle a
// shader draws stripes.
TEST_F(SampleTest, ImageLabInvertsTheCapturedPictureAndStripesTheMiddle)
{
    Frame frame;
    ASSERT_NO_FATAL_FAILURE(playSampleFrom("20", frame));
    auto channel = [](uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); };
    for (auto const& [x, y] : {std::pair{8u, 170u}, std::pair{12u, 150u}}) {
        uint32_t const inverted = frame.at(x, y);
        uint32_t const picture = frame.at(4 * x, 4 * y);
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(channel(inverted, shift), 255 - channel(picture, shift), 16)
                << std::hex << inverted << " " << picture;
    }
    // The off-screen layer drew its orange again for the logo's inset, which shows inverted.
    uint32_t const inset = frame.at(14, 14);
    EXPECT_NEAR(channel(inset, 16), 255 - 230, 20) << std::hex << inset;
    EXPECT_NEAR(channel(inset, 8), 255 - 120, 20) << std::hex << inset;
    EXPECT_NEAR(channel(inset, 0), 255 - 40, 20) << std::hex << inset;
    int darkest = 255 * 3, brightest = 0;
    for (unsigned x = 0; x < 1280; x += 4) {
        uint32_t const p = frame.at(x, 400);
        int const sum = channel(p, 16) + channel(p, 8) + channel(p, 0);
        darkest = std::min(darkest, sum);
        brightest = std::max(brightest, sum);
    }
    EXPECT_GT(brightest - darkest, 300) << "stripes across the middle";
}

} // namespace
} // namespace tormakelin::client::test
