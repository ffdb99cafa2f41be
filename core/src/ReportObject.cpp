#include <tormakelin/core/ReportObject.h>
#include <tormakelin/core/String.h>

#include <cstdarg>

namespace tormakelin::core {

int ReportObject::addRef() { return m_refCount.add(); }

int ReportObject::release()
{
    const bool last = m_refCount.get() == 1;
    const int count = m_refCount.drop(typeid(*this));
    if (last) {
        delete this;
    }
    return count;
}

void ReportObject::reportFormatted(int counter, const char* format, va_list args)
{
    report(formatStringV(format, args).c_str());
    ++m_counters[counter];
}

void ReportObject::info(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    reportFormatted(InfoCounter, format, args);
    va_end(args);
}

void ReportObject::warning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    reportFormatted(WarningCounter, format, args);
    va_end(args);
}

void ReportObject::error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    reportFormatted(ErrorCounter, format, args);
    va_end(args);
}

const int32_t* ReportObject::getCounters() const { return m_counters; }

ReportObject::~ReportObject() = default;

} // namespace tormakelin::core
