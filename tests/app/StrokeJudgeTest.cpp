#include "app/StrokeJudge.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {

using V = CStrokeJudge::Verdict;
constexpr V P = CStrokeJudge::kPass, T = CStrokeJudge::kTake, L = CStrokeJudge::kLaunch;
constexpr DWORD kWindow = 1000;  // keyboard delay 1 (500 ms) plus half a second
constexpr uint32_t kLetters = LetterBit('S') | LetterBit('W');

// Keys down as the stroke arrives: letters, '#' for the left Windows key, '+' Shift.
struct Keys : CStrokeJudge::KeyState {
    const char* down = "";
    bool IsDown(int vk) const override
    {
        const char key = vk == VK_LWIN ? '#' : vk == VK_SHIFT ? '+' : static_cast<char>(vk);
        return vk < 0x80 && std::strchr(down, key) != nullptr;
    }
};

struct Step {
    int vk;
    DWORD scan;
    bool up;
    DWORD time;
    const char* down;
    V expected;
    bool own = false;  // sent by Kestrava, marked as its own
};

void Feed(CStrokeJudge& judge, const std::vector<Step>& steps)
{
    Keys keys;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        KBDLLHOOKSTRUCT stroke{};
        stroke.vkCode = static_cast<DWORD>(s.vk);
        stroke.scanCode = s.scan;
        stroke.flags = s.up ? LLKHF_UP : 0;
        stroke.time = s.time;
        stroke.dwExtraInfo = s.own ? CStrokeJudge::kOwnMark : 0;
        keys.down = s.down;
        EXPECT_EQ(judge.Judge(stroke, kLetters, keys, kWindow), s.expected) << "step " << i;
    }
}

TEST(StrokeJudge, ATakenPressKeepsItsRepeatsAndReleaseAfterWindowsGoesUp)
{
    CStrokeJudge judge;
    Feed(judge, {{'S', 0x1F, false, 100, "#", L},
                {'S', 0x1F, false, 600, "", T},    // Windows released first: still a repeat
                {'S', 0x1F, false, 1600, "", T},   // within the window of the last repeat
                {'S', 0x1F, true, 1700, "", T},
                {'S', 0x1F, false, 1800, "", P},   // a plain "s" afterwards
                {'W', 0x11, false, 0xFFFFFF00, "#", L},
                {'W', 0x11, false, 0x50, "", T}});  // across the tick count's wrap
}

TEST(StrokeJudge, APressWhoseReleaseWentUnseenExpires)
{
    CStrokeJudge judge;
    Feed(judge, {{'S', 0x1F, false, 100, "#", L},
                {'S', 0x1F, false, 1101, "", P},   // past the window: typed, not swallowed
                {'S', 0x1F, true, 1150, "", P},
                {'S', 0x1F, false, 5000, "#", L},  // and Win + S launches again
                {'S', 0x1F, false, 9000, "#", T}}); // a late first repeat: Windows stayed down
    judge.EndMask();
    Feed(judge, {{VK_LWIN, 0x5B, true, 9100, "S", P},
                {'S', 0x1F, false, 15000, "", P}}); // Windows went up: the press expires
}

TEST(StrokeJudge, OnlyTheKeyPressedLastRepeats)
{
    CStrokeJudge judge;
    Feed(judge, {{'S', 0x1F, false, 100, "#", L},
                {0xE8, 0, false, 110, "#", P, true}, {0xE8, 0, true, 120, "#", P, true},  // our masking stroke
                {'S', 0x1F, false, 600, "#", T},
                {VK_PACKET, 0x1F, false, 610, "#", P},  // text injected as S's scan code
                {VK_PACKET, 0x1F, true, 620, "#", P},
                {'S', 0x1F, false, 650, "#", T},
                {'D', 0x20, false, 700, "#", P},   // another key went down since: a new press
                {'S', 0x1F, false, 750, "#", L},
                {'W', 0x11, false, 800, "#", L},
                {VK_LWIN, 0x5B, false, 850, "#", P},  // a fresh Windows key press ends it too
                {'W', 0x11, false, 900, "#", L}});
}

TEST(StrokeJudge, PressesAreKeyedByScanCode)
{
    CStrokeJudge judge;
    Feed(judge, {{'S', 0x1F, false, 100, "#", L},
                {'D', 0x1F, true, 200, "", T},     // another layout names the key's release 'D'
                {'S', 0, false, 300, "#", L},      // injected without scan codes: keyed by virtual key
                {'W', 0, false, 400, "#", L},
                {'S', 0, true, 500, "", T}});
}

TEST(StrokeJudge, OnlyNewPressesOfLettersToTakeWithTheWindowsKeyAlone)
{
    CStrokeJudge judge;
    Feed(judge, {{'S', 0x1F, false, 100, "#S", P},  // S was down before Win: its auto-repeat
                {'S', 0x1F, false, 200, "#+", P},
                {'A', 0x1E, false, 300, "#", P},   // not a letter to take
                {'S', 0x1F, false, 400, "", P},
                {VK_F1, 0x3B, false, 500, "#", P}});
    KBDLLHOOKSTRUCT own{};
    own.vkCode = 'S';
    own.dwExtraInfo = CStrokeJudge::kOwnMark;
    Keys win;
    win.down = "#";
    EXPECT_EQ(judge.Judge(own, kLetters, win, kWindow), P);
}

TEST(StrokeJudge, WindowsReleasesBeforeTheMaskingStrokeAreHeldBackUntilOursGoBy)
{
    CStrokeJudge judge;
    Feed(judge, {{VK_LWIN, 0x5B, true, 50, "", P}});
    EXPECT_FALSE(judge.MaskDue());
    Feed(judge, {{'W', 0x11, false, 100, "#", L},
                {VK_LWIN, 0x5B, true, 150, "W", T},
                {VK_RWIN, 0x5C, true, 160, "W", T}});  // both keys were down
    EXPECT_TRUE(judge.MaskDue());
    judge.EndMask();
    // Our replay was refused: nothing went by, both are still due.
    EXPECT_TRUE(judge.ReleasePending(VK_LWIN) && judge.ReleasePending(VK_RWIN));
    Feed(judge, {{VK_LWIN, 0x5B, true, 400, "", P, true}});  // sent again on the timer
    EXPECT_FALSE(judge.ReleasePending(VK_LWIN));
    EXPECT_TRUE(judge.ReleasePending(VK_RWIN));
    Feed(judge, {{VK_RWIN, 0x5C, false, 450, "#", P}});  // a new real press of that key
    EXPECT_FALSE(judge.ReleasePending(VK_RWIN));
    Feed(judge, {{VK_RWIN, 0x5C, true, 500, "", P}});
    EXPECT_FALSE(judge.MaskDue());
    EXPECT_EQ(CStrokeJudge::RepeatWindow(0), 750u);
    EXPECT_EQ(CStrokeJudge::RepeatWindow(3), 1500u);
}

TEST(StrokeJudge, AStrokeSwallowedWhileWindowsIsDownIsMaskedOncePerPress)
{
    CStrokeJudge judge;
    Feed(judge, {{'S', 0x1F, false, 100, "#", L}});
    judge.EndMask();
    Feed(judge, {{VK_LWIN, 0x5B, true, 200, "S", P},
                {'S', 0x1F, false, 600, "", T}});   // held on after Windows went up: nothing to mask
    EXPECT_FALSE(judge.MaskDue());
    Feed(judge, {{VK_LWIN, 0x5B, false, 700, "", P},
                {'S', 0x1F, true, 800, "#", T}});   // released while Windows is down again
    EXPECT_TRUE(judge.MaskDue());
    judge.EndMask();
    Feed(judge, {{'W', 0x11, false, 900, "#", L}});
    judge.EndMask();
    Feed(judge, {{'W', 0x11, true, 950, "#", T}});
    EXPECT_FALSE(judge.MaskDue());  // one went with this press already
}

}  // namespace
