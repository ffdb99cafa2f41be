#pragma once
// Animated splines carried by nodes: objects of knots with keyframed points and handles.

#include <cstdint>
#include <vector>

#include <tormakelin/core/UniqueId.h>
#include <tormakelin/kavro/Animated.h>
#include <tormakelin/kavro/Export.h>

namespace tormakelin::kavro {

class Serializer;

class TORMAKELIN_KAVRO_API ISplineKnot {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual uint32_t getType() = 0;
    virtual void setType(uint32_t type) = 0;
    virtual AnimatedVec3& getPosition() = 0;
    virtual AnimatedVec3& getInHandle() = 0;
    virtual AnimatedVec3& getOutHandle() = 0;
    virtual void update(float time) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ISplineKnot() = default;
};

class TORMAKELIN_KAVRO_API ISplineObject {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const std::vector<ISplineKnot*>& getKnots() = 0;
    virtual void addKnot(ISplineKnot* knot) = 0;
    virtual uint32_t getType() = 0;
    virtual void setType(uint32_t type) = 0;
    virtual void update(float time) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ISplineObject() = default;
};

class TORMAKELIN_KAVRO_API ISpline {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual const core::UniqueId& getId() = 0;
    virtual void setId(const core::UniqueId& id) = 0;
    virtual const std::vector<ISplineObject*>& getSplineObjects() = 0;
    virtual void addSplineObject(ISplineObject* object) = 0;
    virtual void update(float time) = 0;
    virtual bool serialize(Serializer* serializer) = 0;
    virtual ~ISpline() = default;
};

TORMAKELIN_KAVRO_API ISpline* createSpline();
TORMAKELIN_KAVRO_API ISplineObject* createSplineObject();
TORMAKELIN_KAVRO_API ISplineKnot* createSplineKnot();

}  // namespace tormakelin::kavro
