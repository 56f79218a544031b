#include "app/WindowCycle.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace {

HWND W(int id) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id)); }

TEST(WindowCycle, PressesVisitEveryWindowInTheOrderFirstSeen)
{
    // The program's windows topmost first, the one of them in front, the one chosen (0: none).
    const struct {
        std::vector<int> windows;
        int inFront, chosen;
    } presses[] = {
        {{}, 0, 0}, {{1}, 0, 1}, {{1}, 1, 0},      // none: launch; behind others: up; alone in front: stays
        {{2, 1}, 0, 2}, {{2, 1}, 2, 1}, {{1, 2}, 1, 2},  // none in front: the most recently active
        {{3, 1, 2}, 3, 1}, {{1, 3, 2}, 1, 2}, {{2, 1, 3}, 2, 3},  // the stacking order would bounce
        {{3, 1}, 3, 1}, {{4, 1, 3}, 4, 1}, {{1, 4, 3}, 1, 3},     // 2 closed, 4 new: last in turn
    };
    CWindowCycle cycle;
    for (const auto& press : presses) {
        std::vector<HWND> windows;
        for (const int id : press.windows)
            windows.push_back(W(id));
        EXPECT_EQ(cycle.Choose(windows, press.inFront ? W(press.inFront) : nullptr),
                  press.chosen ? W(press.chosen) : nullptr) << &press - presses;
    }
}

}  // namespace
