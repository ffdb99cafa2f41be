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

// The first segment that starts at t or later and ends after it: a segment already under way at
// t does not count.
ITimeSegment* Time::getCollidingTimeSegment(int t) const
{
    for (ITimeSegment* segment : m_segments) {
        int const* range = segment->getRange();
        if (range[0] >= t && range[1] > t)
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
    m_sortedValid = false;
}

void LayerTracker::clear()
{
    m_items.clear();
    m_sortedValid = false;
}

std::vector<LayerTracker::Key> const& LayerTracker::sortedKeys() const
{
    if (!m_sortedValid) {
        m_sorted.clear();
        for (Item const& item : m_items)
            m_sorted.emplace_back(item.scene.get(), item.layer.get());
        std::sort(m_sorted.begin(), m_sorted.end());
        m_sortedValid = true;
    }
    return m_sorted;
}

// Appends the items of `from` that this tracker lacks; n log n, and nothing to do in the usual
// frame that plays what the one before played.
void LayerTracker::appendMissingFrom(LayerTracker const& from, std::vector<Item>& out) const
{
    if (from.m_items == m_items)
        return;
    std::vector<Key> const& keys = sortedKeys();
    for (Item const& item : from.m_items)
        if (!std::binary_search(keys.begin(), keys.end(), Key(item.scene.get(), item.layer.get())))
            out.push_back(item);
}

void LayerTracker::getVisibleLayers(LayerTracker const& previous, std::vector<Item>& out) const
{
    out.clear();
    previous.appendMissingFrom(*this, out);
}

void LayerTracker::getHiddenLayers(LayerTracker const& previous, std::vector<Item>& out) const
{
    out.clear();
    appendMissingFrom(previous, out);
}

std::vector<LayerTracker::Item> LayerTracker::getVisibleLayers(LayerTracker const& previous) const
{
    std::vector<Item> out;
    getVisibleLayers(previous, out);
    return out;
}

std::vector<LayerTracker::Item> LayerTracker::getHiddenLayers(LayerTracker const& previous) const
{
    std::vector<Item> out;
    getHiddenLayers(previous, out);
    return out;
}

} // namespace tormakelin::fxcore
