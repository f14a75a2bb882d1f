// Holds one reference to a driver object and drops it when it goes, so no path
// (an error included) can leak the object or release it twice.
#pragma once

#include <utility>

namespace didu {

template <typename T>
class DriverHandle {
public:
    DriverHandle() = default;
    explicit DriverHandle(T* object) : m_object(object) {}
    ~DriverHandle() { reset(); }
    DriverHandle(DriverHandle&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    DriverHandle& operator=(DriverHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_object, nullptr));
        return *this;
    }
    DriverHandle(const DriverHandle&) = delete;
    DriverHandle& operator=(const DriverHandle&) = delete;

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    /// Releases the object held (if any) and holds `object` instead.
    void reset(T* object = nullptr)
    {
        T* old = std::exchange(m_object, object);
        if (old)
            old->release();
    }
    /// Where a driver call that makes an object writes it; the handle then holds
    /// it. Whatever the handle held before is released first.
    T** receive()
    {
        reset();
        return &m_object;
    }

private:
    T* m_object = nullptr;
};

} // namespace didu
