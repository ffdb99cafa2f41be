#pragma once
// What the tests read back from the node types of the test node library.

#include <string>

namespace tormakelin::fxcore::test {

class ITestNode {
public:
    // Stamps from one clock shared by every test node: a later stamp means a later call.
    virtual int evalCount() const = 0;
    virtual int lastEvalStamp() const = 0;
    virtual int renderCount() const = 0;
    virtual int changedCount() const = 0;
    virtual float value() const = 0;
    virtual std::string const& text() const = 0;
    virtual ~ITestNode() = default;
};

// Type ids of the test node library ("000000XX-0000-0000-0000-0000000000XX").
inline constexpr unsigned char kAdderId = 0x41;
inline constexpr unsigned char kDrawerId = 0x42;
inline constexpr unsigned char kWeightId = 0x43;
inline constexpr unsigned char kTextSinkId = 0x44;
inline constexpr unsigned char kResourceId = 0x45;

} // namespace tormakelin::fxcore::test
