#pragma once
// A one-pointer holder of one reference to a reference-counted object.

#include <cstddef>
#include <utility>

namespace tormakelin::core {

template <class T>
class SmartRef {
public:
    SmartRef() = default;
    SmartRef(std::nullptr_t) {}
    SmartRef(T* object) : m_object(object) { acquire(); }
    SmartRef(const SmartRef& other) : m_object(other.m_object) { acquire(); }
    SmartRef(SmartRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}

    template <class U>
    SmartRef(const SmartRef<U>& other) : m_object(other.get()) { acquire(); }

    ~SmartRef() { drop(); }

    SmartRef& operator=(const SmartRef& other) { return reset(other.m_object); }
    SmartRef& operator=(T* object) { return reset(object); }
    SmartRef& operator=(std::nullptr_t) { return reset(nullptr); }
    SmartRef& operator=(SmartRef&& other) noexcept
    {
        if (this != &other) {
            T* old = std::exchange(m_object, std::exchange(other.m_object, nullptr));
            if (old) {
                old->release();
            }
        }
        return *this;
    }

    // Takes a reference to the new target before dropping the old one, so that reassigning a
    // handle to an object it alone keeps alive does not destroy that object.
    SmartRef& reset(T* object = nullptr)
    {
        if (object) {
            object->addRef();
        }
        T* old = std::exchange(m_object, object);
        if (old) {
            old->release();
        }
        return *this;
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    friend bool operator==(const SmartRef& a, const SmartRef& b) { return a.m_object == b.m_object; }
    friend bool operator==(const SmartRef& a, const T* b) { return a.m_object == b; }
    friend bool operator==(const SmartRef& a, std::nullptr_t) { return a.m_object == nullptr; }

private:
    void acquire()
    {
        if (m_object) {
            m_object->addRef();
        }
    }
    void drop()
    {
        if (m_object) {
            std::exchange(m_object, nullptr)->release();
        }
    }

    T* m_object = nullptr;
};

} // namespace tormakelin::core
