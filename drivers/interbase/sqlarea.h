// An XSQLDA of a given capacity, the client library's description of a row.
#pragma once

#include <ibase.h>

#include <cstdlib>
#include <new>

namespace didu::ib {

/// Owns one XSQLDA; grow() keeps none of the old descriptions.
class SqlArea {
public:
    explicit SqlArea(short capacity = 16) { grow(capacity); }
    ~SqlArea() { std::free(m_da); }
    SqlArea(const SqlArea&) = delete;
    SqlArea& operator=(const SqlArea&) = delete;

    XSQLDA* get() const { return m_da; }
    XSQLDA* operator->() const { return m_da; }
    /// True when the statement described has more columns than room here.
    bool tooSmall() const { return m_da->sqld > m_da->sqln; }

    void grow(short capacity)
    {
        if (capacity < 1)
            capacity = 1;
        void* memory = std::calloc(1, XSQLDA_LENGTH(capacity));
        if (!memory)
            throw std::bad_alloc();
        std::free(m_da);
        m_da = static_cast<XSQLDA*>(memory);
        m_da->version = SQLDA_VERSION1;
        m_da->sqln = capacity;
    }

private:
    XSQLDA* m_da = nullptr;
};

} // namespace didu::ib
