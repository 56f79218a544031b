#include "app/WindowCycle.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <vector>

namespace {

HWND W(int id) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id)); }

TEST(WindowCycle, PressesVisitEveryWindowInTheOrderFirstSeen)
{
    const struct {
        std::vector<int> windows;  // topmost first
        int inFront;               // 0: none of them
        int chosen;                // 0: none
    } presses[] = {
        {{}, 0, 0},                // none runs: launch
        {{1}, 0, 1},               // behind others: to the front
        {{1}, 1, 0},               // alone in front: stays
        {{2, 1}, 0, 2},            // none in front: the most recently active
        {{2, 1}, 2, 1},
        {{1, 2}, 1, 2},
        {{3, 1, 2}, 3, 1},         // first seen 1, 2, 3: the stacking order
        {{1, 3, 2}, 1, 2},         // alone would bounce between the top two
        {{2, 1, 3}, 2, 3},
        {{3, 1}, 3, 1},            // 2 closed
        {{4, 1, 3}, 4, 1},         // 4 new: last in turn
        {{1, 4, 3}, 1, 3},
    };
    CWindowCycle cycle;
    for (const auto& press : presses) {
        std::vector<HWND> windows;
        for (const int id : press.windows)
            windows.push_back(W(id));
        EXPECT_EQ(cycle.Choose(windows, press.inFront ? W(press.inFront) : nullptr), press.chosen ? W(press.chosen) : nullptr)
            << &press - presses;
    }
}

}  // namespace
