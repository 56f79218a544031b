// Which of a program's windows a press brings to the front, decided without a
// window: repeated presses visit every window in turn, in the order the
// windows were first seen, which the stacking order alone would not do (it
// would bounce between the top two).
#pragma once
#include <windows.h>
#include <vector>

class CWindowCycle {
public:
    // `windows`: the program's windows that count, topmost first, so the
    // first is the one most recently active. `inFront`: the one of them that
    // is in front, or null. The window to bring to the front, or null: with
    // none, launch; with one alone already in front, nothing is to be done.
    HWND Choose(const std::vector<HWND>& windows, HWND inFront);

private:
    std::vector<HWND> m_order;  // first seen first; only windows that still count
};
