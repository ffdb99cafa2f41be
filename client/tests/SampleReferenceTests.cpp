// The packed sample's frames against the small pictures kept in reference/, and the same frame
// on every run. With TORMAKELIN_UPDATE_REFERENCES=1 the pictures are rewritten instead
// (scripts/update-reference-images.sh), for changes meant to alter the picture.

#include "ReferenceImage.h"

#include <tormakelin/core/SystemPath.h>

#include <algorithm>
#include <cstdlib>

namespace tormakelin::client::test {
namespace {

constexpr unsigned kReferenceWidth = 240;
constexpr unsigned kReferenceHeight = 135;
// Absorbs rasteriser rounding, which the scaling down mostly averages away.
constexpr int kTolerance = 6;

// Start times, one frame step before each shot: the background and shader panel, the logo with
// its insets, the image effects over the captured picture.
struct Shot {
    char const* name;
    char const* start;
};
constexpr Shot kShots[] = {
    {"sample-01.0s", "0.9"},
    {"sample-03.5s", "3.4"},
    {"sample-05.5s", "5.4"},
    {"sample-06.5s", "6.4"},
    {"sample-07.5s", "7.4"},
    {"sample-09.0s", "8.9"},
    {"sample-12.0s", "11.9"},
    {"sample-16.0s", "15.9"},
    {"sample-20.0s", "19.9"},
    {"sample-28.0s", "27.9"},
    {"sample-38.0s", "37.9"},
    {"sample-46.0s", "45.9"},
    {"sample-54.0s", "53.9"},
    {"sample-58.0s", "57.9"},
};

std::filesystem::path const kReferenceFolder = TORMAKELIN_REFERENCE_DIR;
std::filesystem::path const kFailureFolder = TORMAKELIN_REFERENCE_FAILURES;

class SampleFrames : public PlayerTest {
protected:
    Frame frameFrom(char const* start)
    {
        return sampleFrameFrom(start, [this](PlayerApplication& player) { endTime = player.getEndTime(); });
    }

    float endTime = 0;
};

TEST_F(SampleFrames, MatchTheReferencePictures)
{
    bool const rewrite = std::getenv("TORMAKELIN_UPDATE_REFERENCES") != nullptr;
    for (Shot const& shot : kShots) {
        SCOPED_TRACE(shot.name);
        Frame const frame = frameFrom(shot.start);
        ASSERT_EQ(frame.width, 1280u);
        ASSERT_EQ(frame.height, 720u);
        Frame const small = downscale(frame, kReferenceWidth, kReferenceHeight);
        std::filesystem::path const reference = kReferenceFolder / (std::string(shot.name) + ".png");
        if (rewrite) {
            EXPECT_TRUE(savePng(reference, small)) << reference;
            std::printf("rewrote %s\n", reference.string().c_str());
            continue;
        }
        std::string const why = checkAgainstReference(small, reference, kTolerance, kFailureFolder);
        EXPECT_TRUE(why.empty()) << why;
    }
    // A section added at the end gets shots of its own.
    EXPECT_LT(endTime - std::atof(std::end(kShots)[-1].start), 5.0f)
        << "the sample now plays to " << endTime << " s: add shots of its new sections above, then run "
        << "scripts/update-reference-images.sh";
}

TEST_F(SampleFrames, AreTheSameOnEveryRun)
{
    for (char const* start : {"2.0", "6.0", "8.0"}) {
        SCOPED_TRACE(start);
        Frame const first = frameFrom(start);
        Frame const second = frameFrom(start);
        ASSERT_FALSE(first.pixels.empty());
        ASSERT_EQ(first.pixels.size(), second.pixels.size());
        size_t differing = 0;
        for (size_t i = 0; i < first.pixels.size(); ++i)
            differing += (first.pixels[i] & 0xFFFFFF) != (second.pixels[i] & 0xFFFFFF);
        EXPECT_EQ(differing, 0u);
    }
}

// The comparison itself, on a kept picture: a small changed region fails and is written out
// beside its difference; rounding within the tolerance passes.
TEST(ReferenceComparison, FailsOnASmallChangedRegionAndWritesTheFrameAndItsDifference)
{
    std::filesystem::path const reference = kReferenceFolder / (std::string(kShots[0].name) + ".png");
    Frame original;
    ASSERT_TRUE(loadPng(reference, original)) << reference;
    // Each channel moved by `by`, or the other way where that would leave the range.
    auto shifted = [](uint32_t pixel, int by) {
        uint32_t out = 0xFF000000u;
        for (int shift : {16, 8, 0}) {
            int const value = int((pixel >> shift) & 0xFF);
            out |= uint32_t(value + by >= 0 && value + by <= 255 ? value + by : value - by) << shift;
        }
        return out;
    };
    struct Case {
        char const* name;
        int by;             // moves each channel of the region
        unsigned size;      // the square region's side, at (100, 60); 0: the whole frame
        bool fails;
    };
    Case const cases[] = {
        {"unchanged", 0, 1, false},
        {"rounding everywhere", kTolerance, 0, false},
        {"one small region brighter", 60, 3, true},
        {"one pixel just past the tolerance", -kTolerance - 1, 1, true},
    };
    std::filesystem::path const failures = std::filesystem::temp_directory_path() /
        ("tormakelin_reference_test_" + std::to_string(getpid()));
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(failures);
        Frame frame = original;
        unsigned const left = c.size ? 100 : 0, top = c.size ? 60 : 0;
        unsigned const right = c.size ? left + c.size : frame.width, bottom = c.size ? top + c.size : frame.height;
        for (unsigned y = top; y < bottom; ++y)
            for (unsigned x = left; x < right; ++x)
                frame.pixels[size_t(y) * frame.width + x] = shifted(frame.pixels[size_t(y) * frame.width + x], c.by);
        std::string const why = checkAgainstReference(frame, reference, kTolerance, failures);
        EXPECT_EQ(!why.empty(), c.fails) << why;
        std::filesystem::path const written = failures / (std::string(kShots[0].name) + "-frame.png");
        std::filesystem::path const difference = failures / (std::string(kShots[0].name) + "-difference.png");
        EXPECT_EQ(std::filesystem::exists(written), c.fails);
        if (!c.fails)
            continue;
        EXPECT_NE(why.find(written.string()), std::string::npos) << why;
        EXPECT_NE(why.find(difference.string()), std::string::npos) << why;
        Frame saved, marked;
        ASSERT_TRUE(loadPng(written, saved));
        ASSERT_TRUE(loadPng(difference, marked));
        EXPECT_EQ(saved.pixels, frame.pixels);
        // The changed pixel is marked red in the difference, an untouched one is not.
        EXPECT_EQ(marked.at(100, 60), 0xFF0000u);
        EXPECT_NE(marked.at(10, 10), 0xFF0000u);
    }
    std::filesystem::remove_all(failures);
}

} // namespace
} // namespace tormakelin::client::test
