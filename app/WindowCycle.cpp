#include "app/WindowCycle.h"
#include <algorithm>

namespace {

bool Contains(const std::vector<HWND>& windows, HWND window)
{
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

}  // namespace

HWND CWindowCycle::Choose(const std::vector<HWND>& windows, HWND inFront)
{
    m_order.erase(std::remove_if(m_order.begin(), m_order.end(), [&](HWND w) { return !Contains(windows, w); }),
                  m_order.end());
    for (const HWND window : windows) {
        if (!Contains(m_order, window))
            m_order.push_back(window);
    }
    if (windows.empty())
        return nullptr;
    const auto front = std::find(m_order.begin(), m_order.end(), inFront);
    if (front == m_order.end())
        return windows.front();
    const auto next = front + 1 == m_order.end() ? m_order.begin() : front + 1;
    return *next == inFront ? nullptr : *next;
}
