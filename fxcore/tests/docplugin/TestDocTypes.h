#pragma once
// What the document tests read back from the types of the test document library.

#include <d3dx9math.h>

namespace tormakelin::fxcore::test {

// Stamps come from one clock shared by the whole library: a later stamp means a later call.
class IProbe {
public:
    virtual int activations() const = 0;
    virtual int deactivations() const = 0;
    virtual int lastActivated() const = 0;
    virtual int lastDeactivated() const = 0;
    virtual int evals() const = 0;
    virtual int renders() const = 0;
    virtual int playbackStops() const = 0;
    virtual double lastSetTime() const = 0;
    virtual double lastEvalTime() const = 0;
    virtual float value() const = 0;
    virtual D3DXVECTOR4 tint() const = 0;
    virtual ~IProbe() = default;
};

class ITargetProbe {
public:
    virtual int begins() const = 0;
    virtual int ends() const = 0;
    // Renders of probes seen between begin and end.
    virtual int rendersInside() const = 0;
    virtual ~ITargetProbe() = default;
};

// Type ids ("000000XX-0000-0000-0000-0000000000XX").
inline constexpr unsigned char kProbeId = 0x61;
inline constexpr unsigned char kPlainResourceId = 0x62;
inline constexpr unsigned char kTargetResourceId = 0x63;
// Parameters "File" (text), "Kind" (int: 0 plain, 1 render target), "Fail" (bool),
// "Objects" (text: sub-object names joined by ",").
inline constexpr unsigned char kLoaderId = 0x64;

} // namespace tormakelin::fxcore::test
