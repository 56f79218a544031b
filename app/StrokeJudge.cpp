#include "StrokeJudge.h"

namespace {

// The hook library's test: a Windows key down, Alt, Shift and Ctrl up.
bool WindowsKeyAlone(const CStrokeJudge::KeyState& keys)
{
    return (keys.IsDown(VK_LWIN) || keys.IsDown(VK_RWIN)) && !keys.IsDown(VK_MENU) && !keys.IsDown(VK_SHIFT) &&
           !keys.IsDown(VK_CONTROL);
}

bool IsWindowsKey(DWORD vk) { return vk == VK_LWIN || vk == VK_RWIN; }

}  // namespace

CStrokeJudge::Verdict CStrokeJudge::Judge(const KBDLLHOOKSTRUCT& stroke, uint32_t letters, const KeyState& keys,
                                          DWORD repeatWindow)
{
    if (stroke.dwExtraInfo == kOwnMark)
        return kPass;
    const bool up = (stroke.flags & LLKHF_UP) != 0;
    if (up && m_maskDue && IsWindowsKey(stroke.vkCode)) {
        // Released now, before the masking stroke, it would open the Start menu.
        m_heldWindowsRelease = static_cast<BYTE>(stroke.vkCode);
        return kTake;
    }
    // Input injected by a program may carry no scan code: then the virtual
    // key tells its keys apart.
    const int key = (stroke.scanCode & 0xFF) != 0
                        ? static_cast<int>(stroke.scanCode & 0xFF) | ((stroke.flags & LLKHF_EXTENDED) ? 0x100 : 0)
                        : 0x200 | static_cast<int>(stroke.vkCode & 0xFF);
    if (up) {
        if (!m_taken[key])
            return kPass;
        // Taken even after the Windows key went up: the press was ours.
        m_taken[key] = false;
        return kTake;
    }
    if (m_taken[key]) {
        if (stroke.time - m_lastDown[key] <= repeatWindow) {
            m_lastDown[key] = stroke.time;
            return kTake;  // an auto-repeat of a taken press
        }
        m_taken[key] = false;  // its release went unseen: this stroke is judged afresh
    }
    if (stroke.vkCode < 'A' || stroke.vkCode > 'Z' || !(letters & LetterBit(static_cast<char>(stroke.vkCode))))
        return kPass;
    // A letter that is already down was pressed before the Windows key: this
    // is its auto-repeat, not a new press.
    if (!WindowsKeyAlone(keys) || keys.IsDown(static_cast<int>(stroke.vkCode)))
        return kPass;
    m_taken[key] = true;
    m_lastDown[key] = stroke.time;
    m_maskDue = true;
    return kLaunch;
}

BYTE CStrokeJudge::EndMask()
{
    const BYTE release = m_heldWindowsRelease;
    m_maskDue = false;
    m_heldWindowsRelease = 0;
    return release;
}

DWORD CStrokeJudge::RepeatWindow(UINT keyboardDelay)
{
    // The first auto-repeat comes after the delay (250 ms per step); half a
    // second more allows for a busy machine.
    return (keyboardDelay > 3 ? 3 : keyboardDelay) * 250 + 250 + 500;
}
