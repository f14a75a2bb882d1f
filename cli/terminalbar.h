// The bar a person watches on a terminal: one line on standard error, drawn
// over itself, never more than ten times a second however fast customers pass,
// so a fast run is not slowed by the terminal and a slow one still moves.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace didu::cli {

/// The line drawn for `done` of `total` customers after `elapsed`: a bar, the
/// counts, the rate and the time left (dashes until there is a rate to go by).
std::string barLine(std::int32_t done, std::int32_t total, std::chrono::duration<double> elapsed);

class TerminalBar {
public:
    /// Draws on `fd`, which must be a terminal.
    explicit TerminalBar(int fd);

    /// The run stands at `done` of `total`; drawn now unless the last drawing
    /// is less than a tenth of a second old.
    void show(std::int32_t done, std::int32_t total);
    /// Draws the last state and ends the line, so that what follows starts on
    /// a line of its own. Does nothing when nothing was drawn since the last
    /// finish.
    void finish();

private:
    void draw();

    int m_fd;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_drawnAt;
    bool m_drawn = false;
    bool m_pending = false;
    std::int32_t m_done = 0;
    std::int32_t m_total = 0;
};

} // namespace didu::cli
