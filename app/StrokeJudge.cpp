#include "StrokeJudge.h"

namespace {

bool WindowsKeyDown(const CStrokeJudge::KeyState& keys) { return keys.IsDown(VK_LWIN) || keys.IsDown(VK_RWIN); }

// The hook library's test: a Windows key down, Alt, Shift and Ctrl up.
bool WindowsKeyAlone(const CStrokeJudge::KeyState& keys)
{
    return WindowsKeyDown(keys) && !keys.IsDown(VK_MENU) && !keys.IsDown(VK_SHIFT) && !keys.IsDown(VK_CONTROL);
}

bool IsWindowsKey(DWORD vk) { return vk == VK_LWIN || vk == VK_RWIN; }

}  // namespace

CStrokeJudge::Verdict CStrokeJudge::Judge(const KBDLLHOOKSTRUCT& stroke, uint32_t letters, const KeyState& keys,
                                          DWORD repeatWindow)
{
    const bool up = (stroke.flags & LLKHF_UP) != 0;
    if (stroke.dwExtraInfo == kOwnMark) {
        // Our replayed release going by: the system has it now.
        if (up && IsWindowsKey(stroke.vkCode))
            m_pendingRelease[stroke.vkCode == VK_RWIN] = false;
        return kPass;
    }
    // Text typed by a program: a character in the scan code field, no key.
    if (stroke.vkCode == VK_PACKET)
        return kPass;
    if (IsWindowsKey(stroke.vkCode)) {
        if (!up) {
            // A new press: its own release will follow.
            m_pendingRelease[stroke.vkCode == VK_RWIN] = false;
            m_pressMasked = false;
        } else {
            m_takenUnderWindows.reset();
            if (m_maskDue) {
                // Released now, before the masking stroke, it would open the Start menu.
                m_pendingRelease[stroke.vkCode == VK_RWIN] = true;
                return kTake;
            }
        }
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
        return Swallow(keys);
    }
    const int lastDown = m_lastRealDown;
    m_lastRealDown = key;
    if (m_taken[key]) {
        // A first repeat may come late (remote desktops forward the client's
        // timing): while the Windows key stays down, a press does not expire.
        const bool windowsHeld = m_takenUnderWindows[key] && WindowsKeyDown(keys);
        if (lastDown == key && (windowsHeld || stroke.time - m_lastDown[key] <= repeatWindow)) {
            m_lastDown[key] = stroke.time;
            return Swallow(keys);  // an auto-repeat of a taken press
        }
        m_taken[key] = false;  // another key since, or its release went unseen: judged afresh
    }
    if (stroke.vkCode < 'A' || stroke.vkCode > 'Z' || !(letters & LetterBit(static_cast<char>(stroke.vkCode))))
        return kPass;
    // A letter that is already down was pressed before the Windows key: this
    // is its auto-repeat, not a new press.
    if (!WindowsKeyAlone(keys) || keys.IsDown(static_cast<int>(stroke.vkCode)))
        return kPass;
    m_taken[key] = true;
    m_takenUnderWindows[key] = true;
    m_lastDown[key] = stroke.time;
    m_maskDue = m_pressMasked = true;
    return kLaunch;
}

CStrokeJudge::Verdict CStrokeJudge::Swallow(const KeyState& keys)
{
    // The system saw nothing but the Windows key so far: its release would
    // open the Start menu.
    if (!m_pressMasked && WindowsKeyDown(keys))
        m_maskDue = m_pressMasked = true;
    return kTake;
}

DWORD CStrokeJudge::RepeatWindow(UINT keyboardDelay)
{
    // The first auto-repeat comes after the delay (250 ms per step); half a
    // second more allows for a busy machine.
    return (keyboardDelay > 3 ? 3 : keyboardDelay) * 250 + 250 + 500;
}
