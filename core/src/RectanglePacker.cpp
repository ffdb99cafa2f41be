#include <tormakelin/core/RectanglePacker.h>

#include <algorithm>
#include <numeric>

namespace tormakelin::core {

using Rectangle = RectanglePacker::Rectangle;

bool RectanglePacker::Rectangle::intersects(const Rectangle& o) const {
    return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
}

bool RectanglePacker::Rectangle::contains(const Rectangle& o) const {
    return o.x >= x && o.y >= y && o.x + o.width <= x + width && o.y + o.height <= y + height;
}

RectanglePacker::~RectanglePacker() = default;
RectanglePackerTester::~RectanglePackerTester() = default;

void RectanglePackerTester::addBaseCase(Rectangle& rectangle) {
    m_baseCase.width = std::max(m_baseCase.width, rectangle.width);
    m_baseCase.height = std::max(m_baseCase.height, rectangle.height);
}

void RectanglePackerTester::deriveTestCases(Rectangle& firstCase) {
    m_cases.clear();
    m_next = 0;
    std::vector<int32_t> widths = sides(std::max(1, m_baseCase.width), m_maxCase.width, true);
    std::vector<int32_t> heights = sides(std::max(1, m_baseCase.height), m_maxCase.height, false);
    for (int32_t w : widths) {
        for (int32_t h : heights) {
            Rectangle c{0, 0, w, h};
            if (c.area() >= m_minArea) {
                m_cases.push_back(c);
            }
        }
    }
    // Smaller areas first; among equal areas the squarer shape.
    std::stable_sort(m_cases.begin(), m_cases.end(), [](const Rectangle& a, const Rectangle& b) {
        if (a.area() != b.area()) {
            return a.area() < b.area();
        }
        return a.width + a.height < b.width + b.height;
    });
    firstCase = m_cases.empty() ? Rectangle{} : m_cases.front();
}

bool RectanglePackerTester::getNextTestCase(Rectangle& testCase) {
    if (m_next >= m_cases.size()) {
        return false;
    }
    testCase = m_cases[m_next++];
    return true;
}

std::vector<int32_t> Pow2RectanglePackerTester::sides(int32_t minimum, int32_t maximum, bool) const {
    std::vector<int32_t> result;
    for (int64_t side = roundUp(minimum, true); side <= maximum; side *= 2) {
        result.push_back(static_cast<int32_t>(side));
    }
    return result;
}

int32_t Pow2RectanglePackerTester::roundUp(int32_t length, bool) const {
    int64_t side = 1;
    while (side < length) {
        side *= 2;
    }
    return static_cast<int32_t>(std::min<int64_t>(side, INT32_MAX));
}

std::vector<int32_t> LinearRectanglePackerTester::sides(int32_t minimum, int32_t maximum, bool horizontal) const {
    int32_t step = horizontal ? m_alignX : m_alignY;
    // Every aligned side while they are few; beyond that, steps that grow by about a tenth.
    const int64_t budget = 32LL * (std::clamp(m_optimizationLevel, 0, 7) + 1);
    std::vector<int32_t> result;
    for (int64_t side = roundUp(minimum, horizontal); side <= maximum;) {
        result.push_back(static_cast<int32_t>(side));
        int64_t advance = step;
        if (static_cast<int64_t>(result.size()) > budget) {
            advance = std::max<int64_t>(step, (side / 10 + step - 1) / step * step);
        }
        side += advance;
    }
    return result;
}

int32_t LinearRectanglePackerTester::roundUp(int32_t length, bool horizontal) const {
    int64_t step = horizontal ? m_alignX : m_alignY;
    int64_t side = std::max<int64_t>(1, (static_cast<int64_t>(length) + step - 1) / step) * step;
    return static_cast<int32_t>(std::min<int64_t>(side, INT32_MAX));
}

namespace {

bool byAscendingArea(const RectanglePacker::RectangleData& a, const RectanglePacker::RectangleData& b) {
    return static_cast<int64_t>(a.width) * a.height < static_cast<int64_t>(b.width) * b.height;
}

int64_t farCorner(const Rectangle& free, const RectanglePacker::RectangleData& r) {
    int64_t x = static_cast<int64_t>(free.x) + r.width, y = static_cast<int64_t>(free.y) + r.height;
    return x * x + y * y;
}

// Every non-empty rectangle is a base case; false for a negative size.
bool addBaseCases(RectanglePackerTester& tester, const std::vector<RectanglePacker::RectangleData>& rectangles,
                  int64_t& minArea) {
    for (const RectanglePacker::RectangleData& r : rectangles) {
        if (r.width < 0 || r.height < 0) {
            return false;
        }
        Rectangle extent{0, 0, r.width, r.height};
        if (extent.area() > 0) {
            tester.addBaseCase(extent);
            minArea += extent.area();
        }
    }
    return true;
}

// A candidate inside one that failed would fail too.
bool insideAFailure(const Rectangle& candidate, const std::vector<Rectangle>& failed) {
    return std::any_of(failed.begin(), failed.end(), [&](const Rectangle& f) {
        return candidate.width <= f.width && candidate.height <= f.height;
    });
}

Rectangle placedExtent(const std::vector<RectanglePacker::RectangleData>& placed) {
    int32_t usedWidth = 0, usedHeight = 0;
    for (const RectanglePacker::RectangleData& r : placed) {
        usedWidth = std::max(usedWidth, r.x + r.width);
        usedHeight = std::max(usedHeight, r.y + r.height);
    }
    return Rectangle{0, 0, usedWidth, usedHeight};
}

// Smaller area wins; at equal area, the squarer size.
bool smallerPacking(const Rectangle& size, const Rectangle& best) {
    return size.area() < best.area() ||
           (size.area() == best.area() && size.width + size.height < best.width + best.height);
}

}  // namespace

PerimeterRectanglePacker::PerimeterRectanglePacker() : GeneralRectanglePacker(byAscendingArea, farCorner) {}

bool GeneralRectanglePacker::packPow2(std::vector<RectangleData>& rectangles, Rectangle& solution,
                                      Statistics& statistics) {
    Pow2RectanglePackerTester tester;
    return pack(tester, rectangles, solution, statistics);
}

bool GeneralRectanglePacker::packLinear(std::vector<RectangleData>& rectangles, Rectangle& solution,
                                        Statistics& statistics) {
    LinearRectanglePackerTester tester;
    tester.setAlignment(m_alignX, m_alignY);
    return pack(tester, rectangles, solution, statistics);
}

bool GeneralRectanglePacker::pack(RectanglePackerTester& tester, std::vector<RectangleData>& rectangles,
                                  Rectangle& solution, Statistics& statistics) {
    if (!m_metric) {
        return false;
    }
    int64_t minArea = 0;
    Rectangle base{0, 0, 1, 1};
    tester.setBaseCase(base);
    if (!addBaseCases(tester, rectangles, minArea)) {
        return false;
    }
    // The largest candidate is the maximum rounded up as the tester rounds, so a maximum that is
    // no power of two or no multiple of the alignment still offers the size just above it.
    Rectangle maxCase{0, 0, m_maxWidth > 0 ? tester.roundUp(m_maxWidth, true) : 0,
                      m_maxHeight > 0 ? tester.roundUp(m_maxHeight, false) : 0};
    tester.setMinArea(minArea);
    tester.setOptimizationLevel(m_optimizationLevel);
    tester.setMaxCase(maxCase);
    Rectangle candidate;
    tester.deriveTestCases(candidate);

    std::vector<size_t> order(rectangles.size());
    std::iota(order.begin(), order.end(), 0);
    if (m_sorter) {
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return m_sorter(rectangles[a], rectangles[b]); });
    }

    bool found = false;
    std::vector<RectangleData> best;
    Rectangle bestSize;
    std::vector<Rectangle> failed;
    int triesLeft = -1;
    while (triesLeft != 0 && tester.getNextTestCase(candidate)) {
        if (insideAFailure(candidate, failed)) {
            continue;
        }
        std::vector<RectangleData> trial = rectangles;
        if (!packInto(candidate, order, trial)) {
            failed.push_back(candidate);
            continue;
        }
        const Rectangle used = placedExtent(trial);
        // Rounded as the tester rounds, but never beyond the candidate.
        Rectangle size{0, 0, std::min(tester.roundUp(used.width, true), candidate.width),
                       std::min(tester.roundUp(used.height, false), candidate.height)};
        if (!found || smallerPacking(size, bestSize)) {
            best = std::move(trial);
            bestSize = size;
            found = true;
        }
        triesLeft = triesLeft < 0 ? std::max(0, m_optimizationLevel) : triesLeft - 1;
    }
    if (!found) {
        return false;
    }
    rectangles = std::move(best);
    solution = bestSize;
    statistics.wastedArea = bestSize.area() - minArea;
    statistics.wastedPercentage = static_cast<float>(statistics.wastedArea) * 100.0f / static_cast<float>(bestSize.area());
    return true;
}

bool GeneralRectanglePacker::packInto(const Rectangle& candidate, const std::vector<size_t>& order,
                                      std::vector<RectangleData>& rectangles) {
    m_freeRectangles.assign(1, candidate);
    m_usedRectangles.clear();
    // From the end of the order: the largest first.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        RectangleData& r = rectangles[*it];
        if (r.width == 0 || r.height == 0) {
            // Takes no space.
            r.x = 0;
            r.y = 0;
            continue;
        }
        Rectangle placed;
        if (!place(r, placed)) {
            return false;
        }
        r.x = placed.x;
        r.y = placed.y;
        m_usedRectangles.push_back(placed);
        split(placed);
        prune();
    }
    return true;
}

bool GeneralRectanglePacker::place(const RectangleData& rectangle, Rectangle& placed) {
    const Rectangle* chosen = nullptr;
    int64_t bestScore = 0;
    for (const Rectangle& free : m_freeRectangles) {
        if (free.width < rectangle.width || free.height < rectangle.height) {
            continue;
        }
        int64_t score = m_metric(free, rectangle);
        if (!chosen || score < bestScore) {
            chosen = &free;
            bestScore = score;
        }
    }
    if (!chosen) {
        return false;
    }
    placed = Rectangle{chosen->x, chosen->y, rectangle.width, rectangle.height};
    return true;
}

void GeneralRectanglePacker::split(const Rectangle& p) {
    std::vector<Rectangle> result;
    result.reserve(m_freeRectangles.size() + 8);
    for (const Rectangle& f : m_freeRectangles) {
        if (!f.intersects(p)) {
            result.push_back(f);
            continue;
        }
        if (p.x > f.x) {
            result.push_back({f.x, f.y, p.x - f.x, f.height});
        }
        if (p.x + p.width < f.x + f.width) {
            result.push_back({p.x + p.width, f.y, f.x + f.width - (p.x + p.width), f.height});
        }
        if (p.y > f.y) {
            result.push_back({f.x, f.y, f.width, p.y - f.y});
        }
        if (p.y + p.height < f.y + f.height) {
            result.push_back({f.x, p.y + p.height, f.width, f.y + f.height - (p.y + p.height)});
        }
    }
    m_freeRectangles.swap(result);
}

void GeneralRectanglePacker::prune() {
    std::vector<Rectangle>& list = m_freeRectangles;
    for (size_t i = 0; i < list.size(); ++i) {
        for (size_t j = i + 1; j < list.size();) {
            if (list[i].contains(list[j])) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
            } else if (list[j].contains(list[i])) {
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
                --i;
                break;
            } else {
                ++j;
            }
        }
    }
}

}  // namespace tormakelin::core
