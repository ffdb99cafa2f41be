#pragma once
// Packs rectangles (glyph images) into one atlas of small area, with power-of-two sides or with
// sides rounded up to alignment steps. Free-rectangle packing of the maximal-rectangles kind; a
// tester proposes the candidate atlas sizes, smaller areas first.

#include <tormakelin/core/Export.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tormakelin::core {

class TORMAKELIN_CORE_API RectanglePacker {
public:
    struct TORMAKELIN_CORE_API Rectangle {
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;

        // Overlap of positive area.
        bool intersects(const Rectangle& other) const;
        bool contains(const Rectangle& other) const;
        int64_t area() const { return static_cast<int64_t>(width) * height; }
    };

    // One input rectangle; x and y receive its place.
    struct RectangleData {
        int32_t width = 0;
        int32_t height = 0;
        int32_t x = 0;
        int32_t y = 0;
    };

    struct Statistics {
        int64_t wastedArea = 0;
        float wastedPercentage = 0;
    };

    virtual ~RectanglePacker();
    // On success the rectangles hold their places and solution the atlas size.
    virtual bool packPow2(std::vector<RectangleData>& rectangles, Rectangle& solution, Statistics& statistics) = 0;
    virtual bool packLinear(std::vector<RectangleData>& rectangles, Rectangle& solution, Statistics& statistics) = 0;

    // How many further candidate sizes are tried after the first that fits.
    void setOptimizationLevel(int level) { m_optimizationLevel = level; }
    void setVerbose(bool verbose) { m_verbose = verbose; }
    void setMaxWidth(int width) { m_maxWidth = width; }
    void setMaxHeight(int height) { m_maxHeight = height; }
    void setLinearAlignment(int x, int y) {
        m_alignX = x;
        m_alignY = y;
    }

protected:
    int m_optimizationLevel = 1;
    bool m_verbose = false;
    int m_maxWidth = 4096;
    int m_maxHeight = 4096;
    int m_alignX = 1;
    int m_alignY = 1;
};

// Proposes candidate atlas sizes, smaller areas first.
class TORMAKELIN_CORE_API RectanglePackerTester {
public:
    using Rectangle = RectanglePacker::Rectangle;

    virtual ~RectanglePackerTester();
    virtual void setMinArea(int64_t area) { m_minArea = area; }
    virtual void setOptimizationLevel(int level) { m_optimizationLevel = level; }
    // The largest atlas allowed.
    virtual void setMaxCase(Rectangle& maxCase) { m_maxCase = maxCase; }
    // The smallest sides: those of the widest and of the highest input rectangle.
    virtual void setBaseCase(Rectangle& baseCase) { m_baseCase = baseCase; }
    virtual void addBaseCase(Rectangle& rectangle);
    // Builds the candidate list; firstCase receives the first candidate (zero size when none).
    virtual void deriveTestCases(Rectangle& firstCase);
    virtual bool getNextTestCase(Rectangle& testCase);

protected:
    // Candidate side lengths from minimum to maximum.
    virtual std::vector<int32_t> sides(int32_t minimum, int32_t maximum, bool horizontal) const = 0;
    // A used extent rounded up the tester's way.
    virtual int32_t roundUp(int32_t length, bool horizontal) const = 0;
    friend class GeneralRectanglePacker;

    int64_t m_minArea = 0;
    int m_optimizationLevel = 1;
    Rectangle m_maxCase;
    Rectangle m_baseCase;
    std::vector<Rectangle> m_cases;
    size_t m_next = 0;
};

class TORMAKELIN_CORE_API Pow2RectanglePackerTester : public RectanglePackerTester {
protected:
    std::vector<int32_t> sides(int32_t minimum, int32_t maximum, bool horizontal) const override;
    int32_t roundUp(int32_t length, bool horizontal) const override;
};

class TORMAKELIN_CORE_API LinearRectanglePackerTester : public RectanglePackerTester {
public:
    void setAlignment(int x, int y) {
        m_alignX = x > 0 ? x : 1;
        m_alignY = y > 0 ? y : 1;
    }

protected:
    std::vector<int32_t> sides(int32_t minimum, int32_t maximum, bool horizontal) const override;
    int32_t roundUp(int32_t length, bool horizontal) const override;

private:
    int m_alignX = 1;
    int m_alignY = 1;
};

class TORMAKELIN_CORE_API GeneralRectanglePacker : public RectanglePacker {
public:
    using Rectangle = RectanglePacker::Rectangle;
    // True when a should be placed after b (placing runs from the end of the order).
    using Sorter = bool (*)(const RectangleData& a, const RectangleData& b);
    // Score of placing rectangle at the origin of free; lower is better.
    using Metric = int64_t (*)(const Rectangle& free, const RectangleData& rectangle);

    GeneralRectanglePacker(Sorter sorter = nullptr, Metric metric = nullptr) : m_sorter(sorter), m_metric(metric) {}

    bool packPow2(std::vector<RectangleData>& rectangles, Rectangle& solution, Statistics& statistics) override;
    bool packLinear(std::vector<RectangleData>& rectangles, Rectangle& solution, Statistics& statistics) override;

protected:
    bool pack(RectanglePackerTester& tester, std::vector<RectangleData>& rectangles, Rectangle& solution,
              Statistics& statistics);
    // Places the rectangles in order into a candidate; false when one fits nowhere.
    bool packInto(const Rectangle& candidate, const std::vector<size_t>& order, std::vector<RectangleData>& rectangles);
    bool place(const RectangleData& rectangle, Rectangle& placed);
    void split(const Rectangle& placed);
    void prune();

    std::vector<Rectangle> m_freeRectangles;
    std::vector<Rectangle> m_usedRectangles;
    Sorter m_sorter;
    Metric m_metric;
};

// Orders by ascending area and hugs the origin: the far corner's squared distance is the metric.
class TORMAKELIN_CORE_API PerimeterRectanglePacker : public GeneralRectanglePacker {
public:
    PerimeterRectanglePacker();
};

}  // namespace tormakelin::core
