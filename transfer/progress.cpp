#include "transfer/progress.h"

#include <algorithm>

namespace didu {

void Progress::setMaximum(std::int32_t maximum)
{
    m_maximum = std::max<std::int32_t>(maximum, 0);
    m_position = std::min(m_position, m_maximum);
}

void Progress::setPosition(std::int32_t position)
{
    m_position = std::clamp<std::int32_t>(position, 0, m_maximum);
}

void Progress::step()
{
    // The position never exceeds the maximum, so one more cannot overflow.
    if (m_position < m_maximum)
        ++m_position;
}

} // namespace didu
