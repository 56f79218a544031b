// What the low-level hook does with each stroke, decided without a window:
// the key thread feeds it every stroke with the key state and the time, and a
// unit test can do the same.
//
// A low-level hook is told nothing of earlier strokes, and a stroke it takes
// never shows in the key state (GetAsyncKeyState), so it keeps its own record
// of the presses it took. A press is keyed by scan code and extended flag, as
// the keyboard reports it: a launched window with another layout may report
// the same key as another letter. A release that never arrives (it went to
// the secure desktop, or another hook swallowed it) must not leave the key
// taken for good: a down stroke repeats a taken press only within the
// keyboard's repeat delay of the one before.
#pragma once
#include <windows.h>
#include <bitset>
#include <cstdint>

// Bit of a letter 'A'..'Z' in a letter mask.
constexpr uint32_t LetterBit(char letter) { return uint32_t{1} << (letter - 'A'); }

class CStrokeJudge {
public:
    enum Verdict {
        kPass,    // to the next hook
        kTake,    // swallowed: a repeat or release of a taken press, or a held-back Windows key release
        kLaunch,  // swallowed, and the letter's command is due: a new press of a letter to take
    };

    // The keys as the system sees them when the stroke arrives.
    class KeyState {
    public:
        virtual bool IsDown(int vk) const = 0;

    protected:
        ~KeyState() = default;
    };

    // Strokes that carry this in dwExtraInfo are our own and always pass.
    static constexpr ULONG_PTR kOwnMark = 0x4B535456;

    // `letters`: the letters to take (bit 0 = 'A'); `repeatWindow`: how many
    // milliseconds after a taken press's last down stroke another one still
    // counts as its auto-repeat.
    Verdict Judge(const KBDLLHOOKSTRUCT& stroke, uint32_t letters, const KeyState& keys, DWORD repeatWindow);

    // After a launch the key thread sends a masking stroke, so that letting
    // go of the Windows key does not open the Start menu. A Windows key
    // release that arrives before it is taken and held back; this ends the
    // wait and returns that key (VK_LWIN or VK_RWIN) for the thread to release
    // after the masking stroke, or 0.
    bool MaskDue() const { return m_maskDue; }
    BYTE EndMask();

    // The repeat window for the keyboard delay setting 0..3 (250 ms .. 1 s).
    static DWORD RepeatWindow(UINT keyboardDelay);

private:
    static constexpr int kKeys = 0x300;  // scan codes without and with the extended flag; virtual keys
    std::bitset<kKeys> m_taken;
    DWORD m_lastDown[kKeys] = {};
    bool m_maskDue = false;
    BYTE m_heldWindowsRelease = 0;
};
