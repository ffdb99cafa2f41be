#include "LayerImpl.h"

#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Layer.h>
#include <tormakelin/core/RefCounted.h>

#include <algorithm>
#include <climits>
#include <new>
#include <utility>

namespace tormakelin::fxcore {
namespace {

class TimeSegment final : public core::RefCounted<ITimeSegment> {
public:
    TimeSegment() { core::generateUniqueId(m_id); }
    core::UniqueId const& getId() const override { return m_id; }
    int* getRange() override { return m_range; }

private:
    core::UniqueId m_id{};
    int m_range[2] = {0, 0};
};

} // namespace

ITimeSegment* createTimeSegment()
{
    return new (std::nothrow) TimeSegment();
}

// Copies get segments of their own, so editing one layer's times never moves another's.
Time::Time(Time const& other)
{
    *this = other;
}

Time& Time::operator=(Time const& other)
{
    if (this == &other)
        return *this;
    std::vector<ITimeSegment*> copies;
    for (ITimeSegment* segment : other.m_segments) {
        ITimeSegment* copy = createTimeSegment();
        if (!copy)
            continue;
        copy->addRef();
        copy->getRange()[0] = segment->getRange()[0];
        copy->getRange()[1] = segment->getRange()[1];
        copies.push_back(copy);
    }
    for (ITimeSegment* segment : m_segments)
        segment->release();
    m_segments = std::move(copies);
    return *this;
}

Time::~Time()
{
    for (ITimeSegment* segment : m_segments)
        segment->release();
}

void Time::addSegment(ITimeSegment* segment)
{
    if (!segment)
        return;
    segment->addRef();
    m_segments.push_back(segment);
}

void Time::removeSegment(core::UniqueId const& id)
{
    auto const it = std::find_if(m_segments.begin(), m_segments.end(),
        [&](ITimeSegment* segment) { return segment->getId() == id; });
    if (it == m_segments.end())
        return;
    ITimeSegment* const segment = *it;
    m_segments.erase(it);
    segment->release();
}

ITimeSegment* Time::findSegment(core::UniqueId const& id) const
{
    for (ITimeSegment* segment : m_segments)
        if (segment->getId() == id)
            return segment;
    return nullptr;
}

// The segment that holds the time; one that only starts later does not collide with it.
ITimeSegment* Time::getCollidingTimeSegment(int t) const
{
    for (ITimeSegment* segment : m_segments) {
        int const* range = segment->getRange();
        if (range[0] <= t && t < range[1])
            return segment;
    }
    return nullptr;
}

int Time::getStartTime() const
{
    int start = INT_MAX;
    for (ITimeSegment* segment : m_segments)
        start = std::min(start, segment->getRange()[0]);
    return start;
}

int Time::getEndTime() const
{
    int end = INT_MIN;
    for (ITimeSegment* segment : m_segments)
        end = std::max(end, segment->getRange()[1]);
    return end;
}

void LayerTracker::addLayer(IScene* scene, ILayer* layer)
{
    m_items.push_back({core::SmartRef<IScene>(scene), core::SmartRef<ILayer>(layer)});
}

void LayerTracker::clear()
{
    m_items.clear();
}

} // namespace tormakelin::fxcore
