#include "store/storeobjects.h"

namespace didu::store {

Status StoreCursor::attach(const IRowStore* store)
{
    // Only a row store of this plugin carries the rows a cursor can walk.
    const auto* own = dynamic_cast<const RowStore*>(store);
    if (!own) {
        m_error = "Not a row store of this library";
        return StatusBadArgument;
    }
    m_store = own;
    m_values.assign(own->columns().size(), nullptr);
    first();
    return StatusOk;
}

void StoreCursor::first()
{
    m_position = 0;
    decodeCurrent();
}

void StoreCursor::next()
{
    if (eof())
        return;
    ++m_position;
    decodeCurrent();
}

void StoreCursor::decodeCurrent()
{
    if (eof())
        return;
    // The rows were checked when the store loaded them, so decoding cannot fail.
    const auto& columns = m_store->columns();
    packet::decodeRow(m_store->rowStart(m_position), m_store->rowsEnd(), columns.data(), columns.size(),
                      m_values.data());
}

Status StoreCursor::value(std::uint16_t number, Value* value) const
{
    if (!m_store || number >= m_values.size())
        return StatusBadArgument;
    if (eof())
        return StatusWrongState;
    packet::readValue(m_store->columns()[number], m_values[number], value);
    return StatusOk;
}

} // namespace didu::store
