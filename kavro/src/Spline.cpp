#include <tormakelin/kavro/Spline.h>

#include <tormakelin/core/RefCounted.h>

#include "RefList.h"

namespace tormakelin::kavro {

namespace {

constexpr uint32_t kVersion = 1001;
// Smallest records: a knot (version, type, three points without tracks) and an object.
constexpr uint64_t kMinKnotBytes = 8 + 3 * 16;
constexpr uint64_t kMinObjectBytes = 12;

class SplineKnot : public core::RefCounted<ISplineKnot> {
public:
    uint32_t getType() override { return m_type; }
    void setType(uint32_t type) override { m_type = type; }
    AnimatedVec3& getPosition() override { return m_position; }
    AnimatedVec3& getInHandle() override { return m_in; }
    AnimatedVec3& getOutHandle() override { return m_out; }
    void update(float time) override
    {
        m_position.update(time);
        m_in.update(time);
        m_out.update(time);
    }
    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        return io::value(serializer, version) && io::value(serializer, m_type) && m_position.serialize(serializer) &&
               m_in.serialize(serializer) && m_out.serialize(serializer);
    }

private:
    uint32_t m_type = 0;
    AnimatedVec3 m_position{D3DXVECTOR3(0, 0, 0)};
    AnimatedVec3 m_in{D3DXVECTOR3(0, 0, 0)};
    AnimatedVec3 m_out{D3DXVECTOR3(0, 0, 0)};
};

class SplineObject : public core::RefCounted<ISplineObject> {
public:
    ~SplineObject() override { releaseAll(m_knots); }
    const std::vector<ISplineKnot*>& getKnots() override { return m_knots; }
    void addKnot(ISplineKnot* knot) override
    {
        if (knot) {
            knot->addRef();
            m_knots.push_back(knot);
        }
    }
    uint32_t getType() override { return m_type; }
    void setType(uint32_t type) override { m_type = type; }
    void update(float time) override
    {
        for (ISplineKnot* knot : m_knots) {
            knot->update(time);
        }
    }
    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        return io::value(serializer, version) && io::value(serializer, m_type) &&
               serializeList(serializer, m_knots, kMinKnotBytes, createSplineKnot);
    }

private:
    uint32_t m_type = 0;
    std::vector<ISplineKnot*> m_knots;
};

class Spline : public core::RefCounted<ISpline> {
public:
    Spline() { core::generateUniqueId(m_id); }
    ~Spline() override { releaseAll(m_objects); }
    const core::UniqueId& getId() override { return m_id; }
    void setId(const core::UniqueId& id) override { m_id = id; }
    const std::vector<ISplineObject*>& getSplineObjects() override { return m_objects; }
    void addSplineObject(ISplineObject* object) override
    {
        if (object) {
            object->addRef();
            m_objects.push_back(object);
        }
    }
    void update(float time) override
    {
        for (ISplineObject* object : m_objects) {
            object->update(time);
        }
    }
    bool serialize(Serializer* serializer) override
    {
        uint32_t version = kVersion;
        return io::value(serializer, version) && io::id(serializer, m_id) &&
               serializeList(serializer, m_objects, kMinObjectBytes, createSplineObject);
    }

private:
    core::UniqueId m_id{};
    std::vector<ISplineObject*> m_objects;
};

}  // namespace

ISpline* createSpline() { return new Spline(); }
ISplineObject* createSplineObject() { return new SplineObject(); }
ISplineKnot* createSplineKnot() { return new SplineKnot(); }

}  // namespace tormakelin::kavro
