#pragma once
// Base of reference-counted objects that report information, warnings and errors through one
// operation and count them.

#include <tormakelin/core/Export.h>
#include <tormakelin/core/RefCounted.h>

#include <cstdarg>
#include <cstdint>

namespace tormakelin::core {

class TORMAKELIN_CORE_API ReportObject {
public:
    enum Counter { InfoCounter = 0, WarningCounter = 1, ErrorCounter = 2 };

    virtual int addRef();
    virtual int release();
    virtual void report(const char* text) = 0;
    virtual void info(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual void warning(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The three counters in the order info, warning, error.
    virtual const int32_t* getCounters() const;
    virtual ~ReportObject();

protected:
    ReportObject() = default;

private:
    void reportFormatted(int counter, const char* format, va_list args);

    RefCount m_refCount;
    int32_t m_counters[3] = {};
};

} // namespace tormakelin::core
