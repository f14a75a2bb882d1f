// The progress bar's state: a range from 0 to a maximum and a position within
// it. The state outlives each run (a second run counts on from where the first
// stopped), so it belongs to the session, and the rules that keep the position
// in range live here alone; a view only draws the state it is given.
#pragma once

#include <cstdint>

namespace didu {

class Progress {
public:
    /// An empty bar: range 0 to 100, position 0.
    Progress() = default;

    std::int32_t maximum() const { return m_maximum; }
    std::int32_t position() const { return m_position; }

    /// The range becomes 0..maximum (a negative maximum leaves the empty range
    /// at 0); a position above it comes down to it.
    void setMaximum(std::int32_t maximum);
    /// A value above the maximum is held at the maximum, one below 0 at 0.
    void setPosition(std::int32_t position);
    /// One step on; a full bar stays full.
    void step();

    bool operator==(const Progress&) const = default;

private:
    std::int32_t m_maximum = 100;
    std::int32_t m_position = 0;
};

} // namespace didu
