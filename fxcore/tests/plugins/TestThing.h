#pragma once
// The main interface of the objects the test plug-in libraries create.

#include <string>

namespace tormakelin::fxcore::test {

class ITestThing {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    virtual int queryIndex() const = 0;
    virtual std::string library() const = 0;
    virtual ~ITestThing() = default;
};

// Ids the test libraries list: A is listed by two libraries and twice by one.
inline constexpr unsigned char kIdA = 0xA1;
inline constexpr unsigned char kIdB = 0xB2;
inline constexpr unsigned char kIdC = 0xC3;
inline constexpr unsigned char kIdHidden = 0xD4;

} // namespace tormakelin::fxcore::test
