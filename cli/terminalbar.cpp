#include "cli/terminalbar.h"

#include "cli/output.h"

#include <cmath>
#include <cstdio>

namespace didu::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarCells = 24;

std::string clockText(double seconds)
{
    const long whole = std::lround(seconds);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string barLine(std::int32_t done, std::int32_t total, std::chrono::duration<double> elapsed)
{
    const int filled = total > 0 ? static_cast<int>(std::int64_t(done) * kBarCells / total) : 0;
    std::string line = "[" + std::string(filled, '#') + std::string(kBarCells - filled, '.') + "] ";
    line += std::to_string(done) + "/" + std::to_string(total);
    // Under a tenth of a second the rate says more about start-up than speed.
    const double seconds = elapsed.count();
    if (done > 0 && seconds >= 0.1) {
        const double rate = done / seconds;
        line += "  " + std::to_string(std::lround(rate)) + "/s  " + clockText((total - done) / rate) + " left";
    } else {
        line += done >= total ? "  --/s  0:00 left" : "  --/s  --:-- left";
    }
    return line;
}

TerminalBar::TerminalBar(int fd) : m_fd(fd), m_started(std::chrono::steady_clock::now()) {}

void TerminalBar::show(std::int32_t done, std::int32_t total)
{
    m_done = done;
    m_total = total;
    m_pending = true;
    const auto now = std::chrono::steady_clock::now();
    if (!m_drawn || now - m_drawnAt >= kRedrawInterval)
        draw();
}

void TerminalBar::finish()
{
    if (!m_drawn && !m_pending)
        return;
    if (m_pending)
        draw();
    writeAll(m_fd, "\n");
    m_drawn = false;
}

void TerminalBar::draw()
{
    m_drawnAt = std::chrono::steady_clock::now();
    m_drawn = true;
    m_pending = false;
    // Back to the start of the line, the new text, and the rest of the old
    // line cleared: one write, so the terminal never shows half a redraw.
    const std::string text = "\r" + barLine(m_done, m_total, m_drawnAt - m_started) + "\033[K";
    writeAll(m_fd, text);
}

} // namespace didu::cli
